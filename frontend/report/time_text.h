// SPDX-License-Identifier: GPL-3.0-or-later
// The presenters' names for the flight half's one clock and duration text
// (flight/clock_text.h): the flight window, the reports and the logbook
// window write a time of day and a duration alike.
#pragma once

#include "flight/clock_text.h"

namespace varnix::frontend::report {

using flight::ClockText;
using flight::DurationText;

}  // namespace varnix::frontend::report
