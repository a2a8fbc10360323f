// SPDX-License-Identifier: GPL-3.0-or-later
// Sends a dump the way the instrument does: header lines, the "$L" line,
// the binary flight data, the closing line, paced at a baud rate and with
// the pauses asked for.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace varnix::sim {

struct Pacing {
  int baud = 0;                    // 10 bits a byte; 0: as fast as the line takes
  int firstBytePauseMs = 0;        // before the first byte
  int headerLinePauseMs = 0;       // after each header line before the "$L" line
  int markerPauseMs = 0;           // after the "$L" line
  std::size_t pauseAfterBytes = 0; // one more pause after this many bytes (0: none)
  int pauseAfterBytesMs = 0;
};

// Offsets just past each header line before the "$L" line, and just past
// the "$L" line (last entry, when the dump has one).
struct HeaderBreaks {
  std::vector<std::size_t> lineEnds;
  std::size_t markerLineEnd = 0;  // 0: no "$L" line
};
HeaderBreaks findHeaderBreaks(std::string_view dump);

// Writes all of `dump` to `fd`; false when the line refuses bytes (the
// receiver went away while its queue was full or during a pause, or a write
// failed).
bool sendDump(int fd, std::string_view dump, const Pacing& pacing);

}  // namespace varnix::sim
