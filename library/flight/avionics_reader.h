// SPDX-License-Identifier: MIT
// Reads the engine data logs of integrated flight decks (the CSV layout with
// a "#airframe_info," first line, a "#" line of units and a line of column
// titles; the G3X variant adds long titles with a row of short aliases) into
// a Flight with typed channels.
//
// The aircraft is the file's aircraft_ident or tail_number, else its
// airframe_name; the identification is airframe_name, system_id and
// unit_software_version. The start is the local date and time of the first
// row that has a date (rows before it take that date), the UTC offset kept;
// the interval is the most common step between rows. Blank cells are no
// value; text columns (waypoint, modes) are left out. A reading outside its
// sensor's plausible range is no value, with a note; a power column written
// as a fraction is turned into a percentage, with a note; a last line cut
// short is left out, with a note. A file re-saved by a spreadsheet (quoted
// cells, dd/mm/yyyy dates) reads the same.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "flight/flight_reader.h"

namespace varnix::flight {

// Whether a file's first bytes are those of such a log.
bool LooksLikeAvionicsLog(std::string_view firstBytes);

FlightRead ReadAvionicsText(std::string_view text);

// Bounded as ReadFlightFile is. `headerRead` hears the facts and channels
// once the rows are read (whether a second engine is there is known only
// then). `*valueHash`: FNV-1a over the value lines (the lines after the
// column titles, or after the alias row), each line end as one LF.
FlightRead ReadAvionicsFile(const std::string& path, const std::function<void(const Flight&)>& headerRead = {},
                            std::uint64_t* valueHash = nullptr);

// The same hash of a log's whole text (0 when it is no log the reader takes).
std::uint64_t HashAvionicsValueLines(std::string_view text);

}  // namespace varnix::flight
