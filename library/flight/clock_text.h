// SPDX-License-Identifier: MIT
// Times of day and durations as the whole flight half writes them (the
// findings, the reports, the JSON, the flight and logbook windows): a
// duration as h:mm:ss, so a flight's 3:02:58 reads the same on screen, on
// paper and in a file.
#pragma once

#include <string>

namespace varnix::flight {

// How a time of day is brought to whole seconds.
enum class ClockRound {
  Nearest,  // to the nearest second; a time before midnight is 0:00:00
  Down,     // the fraction cut; a time before midnight is the day before's
};

// "9:05:07" for seconds after midnight, wrapping at 24 h.
std::string ClockText(double secondsOfDay, ClockRound round = ClockRound::Nearest);
// "9:05": the hour and minute of seconds after midnight, the rest cut,
// wrapping at 24 h (a time before midnight is the day before's).
std::string ClockMinutesText(double secondsOfDay);
// "3:02:58" for a span of seconds; the hours go on past 24 ("41:12:05").
// "" when it is not a number, negative spans as none.
std::string DurationText(double seconds);

}  // namespace varnix::flight
