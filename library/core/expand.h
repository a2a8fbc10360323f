// SPDX-License-Identifier: MIT
// The expansion of one dump: its header lines, every flight into a CSV file
// and the flight index (.TXT) beside the dump.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/channel_tables.h"
#include "core/flight_header.h"
#include "core/flight_sink.h"
#include "core/header_lines.h"

namespace varnix {

// Result codes of ExpandDataFile.
enum ExpandResult : int {
  kExpandOk = 0,
  kExpandCannotOpenDump = 1,
  kExpandBadHeader = 2,        // also: more flights than the table holds
  kExpandBadFlightHeader = 3,
  kExpandBadRecord = 5,        // also: the dump ends inside a flight
  kExpandNoClosingLine = 6,
  kExpandCannotOpenIndex = 7,  // also: the index name would be the dump's own
  kExpandNoDot = 8,
  kExpandCannotWriteCsv = 9,   // a flight CSV cannot be created, or all 53 names are taken
  kExpandNoEndOfHeader = 20,   // 282 header lines without "$L"
};

inline constexpr std::size_t kHeaderWindow = 6700;
inline constexpr int kMaxHeaderLines = 282;
inline constexpr std::size_t kMaxIdentification = 99;
inline constexpr std::string_view kClosingLine = "$E,4*5D";

// The dump's path with the three characters after its last "." replaced by
// "TXT"; nothing when the path has no ".".
std::optional<std::string> IndexFilePath(std::string_view datPath);

// "Model <model> Firmware <firmware>" in double quotes, at most 99 characters.
std::string IdentificationText(const HeaderState& header);

// Whether the instrument's recorded interval is used (else 6 seconds).
bool RecordedIntervalHonoured(std::int32_t model, std::int32_t firmwareVersion);

ChannelLayout LayoutFor(std::int32_t model, bool extendedFlights);

// (lines - 1) x interval / 3600 in single precision; 0 for fewer than two lines.
float FlightHours(std::int32_t lineCount, int interval);

// The flight's index line, CR LF included.
std::string FlightTxtLine(const FlightHeader& flight, std::string_view csvName, float hours, int interval);

// Appends the flight's index line and flushes it.
void WriteFlightTxtLine(std::FILE* index, const FlightHeader& flight, std::string_view csvName, float hours,
                        int interval);

// Decodes a dump held in memory and hands each flight to `sink`. `header`
// is cleared, then filled from the dump's header lines. Returns an
// ExpandResult; kExpandCannotWriteCsv when the sink refused a flight.
int ExpandDump(std::span<const std::uint8_t> dump, HeaderState& header, FlightSink& sink);

// Expands the dump at `path` through a CsvIndexSink: CSV files go into the
// user's subfolder of the data folder that `folderArgument` names, the index
// beside the dump. `header` is cleared, then filled from the dump's header
// lines. Returns an ExpandResult.
int ExpandDataFile(const std::string& path, std::string_view folderArgument, HeaderState& header);

}  // namespace varnix
