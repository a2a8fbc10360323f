// SPDX-License-Identifier: MIT
// Reads the engine data logs of integrated flight decks into a Flight with
// typed channels. Both layouts begin with a "#airframe_info," line. The
// flight decks then write a "#" line of units and a line of column titles
// (the G3X of older software long titles and a row of short keys); the G3X
// Touch writes long titles with their units in parentheses ("Oil Temp
// (deg F)") and then the short keys, some empty, without a units line. A
// column's kind comes from its short key where it has one, else from its
// title; its unit from the units line, else from the title's parentheses.
//
// The aircraft is the file's aircraft_ident or tail_number, else its
// airframe_name; the identification is airframe_name (else the display's
// product), system_id and unit_software_version (else software_version). The start is the local date and time of the first
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
// column titles, or after the row of short keys), each line end as one LF.
FlightRead ReadAvionicsFile(const std::string& path, const std::function<void(const Flight&)>& headerRead = {},
                            std::uint64_t* valueHash = nullptr);

// The same hash of a log's whole text (0 when it is no log the reader takes).
std::uint64_t HashAvionicsValueLines(std::string_view text);

}  // namespace varnix::flight
