// SPDX-License-Identifier: GPL-3.0-or-later
// The Limits editor: an aircraft's limits in groups (heads, exhaust and
// turbine, oil, electrical, cooling, trends, analyses), the engine preset
// that applies above them, in a dialog that fits the screen.
#pragma once

#include <QString>
#include <optional>

#include "analysis/limits.h"

class QWidget;

namespace varnix::app::logbook {

// The limits as the user left them on OK; nothing on Cancel. Each field is a
// spin box named "num_" and its key. `preset`: the engine preset's name, ""
// without one.
std::optional<analysis::Limits> EditLimits(QWidget* parent, const QString& aircraft, const analysis::Limits& limits,
                                           const QString& preset);

}  // namespace varnix::app::logbook
