// SPDX-License-Identifier: GPL-3.0-or-later
// Times of day and durations as the program shows them: the flight window,
// the reports and the logbook window all write a duration as h:mm:ss, so a
// flight's 3:02:58 reads the same on screen and on paper.
#pragma once

#include <string>

namespace varnix::report {

// "9:05:07" for seconds after midnight, wrapping at 24 h.
std::string ClockText(double seconds);
// "3:02:58" for a span of seconds; the hours go on past 24 ("41:12:05").
// "" when it is not a number, negative spans as none.
std::string DurationText(double seconds);

}  // namespace varnix::report
