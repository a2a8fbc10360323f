// SPDX-License-Identifier: MIT
// Reads a flight CSV file as the expansion writes it into a columnar
// Flight. Numbers are parsed in place (std::from_chars); a file is read a
// block at a time, and the columns are reserved once, from its size.
// Lines may end in LF, CR LF or a lone CR; a UTF-8 byte order mark before
// the first line is skipped. "No value" is "NA", quoted or not, or an
// unquoted nan or inf. A row whose time goes back other than at midnight
// (a step back of more than twelve hours), or is not a time of day, is kept
// one interval after the row before, with a note naming its line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "flight/flight.h"
#include "flight/outcome.h"

namespace varnix::flight {

// A read: the flight (its notes name what the reader left out) or the
// problem, naming its line ("line 9: ..."), with that line in `line`. A file
// that could not be opened or read at all, so that nothing is known of its
// text, has the line kUnreadFile.
inline constexpr int kUnreadFile = -1;
struct [[nodiscard]] FlightRead : Outcome<Flight> {
  int line = 0;  // the line the problem is on (0: the whole file)

  static FlightRead failed(std::string why, int onLine = 0) {
    FlightRead r;
    r.problem = std::move(why);
    r.line = onLine;
    return r;
  }
};
inline bool Unreadable(const FlightRead& read) { return read.line == kUnreadFile; }

// The text of a whole flight CSV file.
FlightRead ReadFlightText(std::string_view text);

// Reads the file at `path` (bytes as they are, no line-end translation).
// `headerRead`, when given, hears the flight's facts and channels (no rows
// yet) as soon as its header is read, so that a window can lay out its
// charts while the rows are read.
// A header line longer than 8 KiB, or a row longer than 64 bytes and 32 per
// channel, is damage named by its line, found without reading on; a path
// that is no regular file (a folder, a FIFO, a device) is refused before a
// byte is read ("the file ... is not a regular file").
FlightRead ReadFlightFile(const std::string& path, const std::function<void(const Flight&)>& headerRead = {});
// The same, and when the flight is read, `*valueHash` set to the
// HashValueLines of the bytes read, in the same pass.
FlightRead ReadFlightFile(const std::string& path, const std::function<void(const Flight&)>& headerRead,
                          std::uint64_t* valueHash);

// FNV-1a over the value lines: the lines after the first that holds "TIME"
// in quotes, each line end (LF, CR LF, a lone CR) as one LF. For files with
// LF or CR LF line ends it is the hash of the bytes after that line's LF
// without their CRs, the one the catalog has always kept.
std::uint64_t HashValueLines(std::string_view text);

}  // namespace varnix::flight
