// SPDX-License-Identifier: MIT
// The one rule by which the flight readers make their rows' clocks into
// seconds from the first row (internal to library/flight).
//
// The seconds never go back and never jump. A row whose clock goes back
// from the row before, or forward by more than a step of recorded time can
// be (`LongestStep`), is placed one interval after the row before, and the
// rows after it follow its clock from there; a row without a usable clock
// is placed one interval after the row before. So a flight's span is the
// time its rows were recorded over: nothing, neither time nor fuel, is
// counted across a gap in the recording or a clock set wrong.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varnix::flight::detail {

// The longest step between two rows that is taken as recorded time: twenty
// rows at the interval, and never less than two minutes (a log of 1 s rows
// and the monitor's of 2 to 6 s step a few seconds at most; a deck resetting
// its clock from the GPS moves it by seconds, a log that stopped recording
// for minutes has a gap) nor more than twelve hours.
long long LongestStep(long long interval);

// The typical step of a recording: the median of the steps forward between
// rows (`steps` is reordered); 1 without any.
long long TypicalStep(std::vector<long long>& steps);

class TimeAxis {
 public:
  // How the row just added was placed.
  enum class Placed { First, Follows, Back, Gap, NoClock };

  explicit TimeAxis(long long interval) : interval_(interval > 0 ? interval : 1) {}
  // The interval rows without a clock, a clock going back and a gap are placed at.
  void setInterval(long long interval) { interval_ = interval > 0 ? interval : 1; }

  // The next row: its clock in seconds on a scale that runs on over days
  // (days * 86400 + the time of day, in UTC where the log says its offset),
  // or none when the row has no clock to trust.
  Placed add(std::optional<long long> clock);

  long long seconds() const { return at_; }  // of the row just added, from the first row
  long long jump() const { return jump_; }   // Back and Gap: how far the clock moved, seconds
  // The clock the row just added had, or should have had (a row without a
  // clock one interval on); none before the first row with a clock.
  std::optional<long long> clock() const { return hasClock_ ? std::optional<long long>(expected_) : std::nullopt; }

 private:
  long long interval_;
  long long at_ = 0, expected_ = 0, jump_ = 0;
  bool rows_ = false, hasClock_ = false;
};

// The note of a gap, the same from both readers: "line 12: the clock jumps
// 2 h 05 min forward from the row before; ...".
std::string GapNote(const std::string& where, long long jump);

}  // namespace varnix::flight::detail
