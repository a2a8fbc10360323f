// SPDX-License-Identifier: GPL-3.0-or-later
// Creates a screen from its name; nullptr for a name this build lacks.
#pragma once

#include <QString>

namespace varnix::app {

class Form;

Form* createForm(const QString& name);

}  // namespace varnix::app
