// SPDX-License-Identifier: GPL-3.0-or-later
// A picture or report that was not written: the code its caller acts on (a
// name taken, an exit code) and the sentence shown to the user, kept as
// UTF-8 like every problem of the flight half and turned back into a
// QString only where it is shown.
#pragma once

#include <QString>

#include "flight/outcome.h"

namespace varnix::render {

template <class Code>
flight::Outcome<Code> Refused(Code code, const QString& why) {
  flight::Outcome<Code> o = flight::Outcome<Code>::failed(why.toStdString());
  o.value = code;
  return o;
}

template <class T>
QString ProblemText(const flight::Outcome<T>& outcome) {
  return QString::fromStdString(outcome.problem);
}

}  // namespace varnix::render
