// SPDX-License-Identifier: MIT
// The expansion of one dump: its header lines, every flight into a CSV file
// and the flight index (.TXT) beside the dump.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/channel_tables.h"
#include "core/flight_header.h"
#include "core/flight_sink.h"
#include "core/header_lines.h"
#include "core/naming.h"

namespace varnix {

// Result codes of ExpandDataFile.
enum ExpandResult : int {
  kExpandOk = 0,
  kExpandCannotOpenDump = 1,
  kExpandBadHeader = 2,        // also: more flights than the table holds
  kExpandBadFlightHeader = 3,
  kExpandBadRecordFlag = 4,    // never given: a flag mismatch ends only its flight
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

// "Model <model> Firmware <firmware>" in double quotes, at most 99 characters.
std::string IdentificationText(const HeaderState& header);

// Whether the instrument's recorded interval is used (else 6 seconds).
bool RecordedIntervalHonoured(std::int32_t model, std::int32_t firmwareVersion);

ChannelLayout LayoutFor(std::int32_t model, bool extendedFlights);

// (lines - 1) x interval / 3600 in single precision; 0 for fewer than two lines.
float FlightHours(std::int32_t lineCount, int interval);

// The flight's index line, CR LF included.
std::string FlightTxtLine(const FlightHeader& flight, std::string_view csvName, float hours, int interval);

// The options word of ExpandDataFileEx, one bit each.
enum ExpandOptionBits : int {
  kExpandRecoverBit = 1,  // go on after a damaged flight (ExpandOptions::recover)
  kExpandPreviewBit = 2,  // decode only, write nothing (PreviewDataFile)
};

struct ExpandOptions {
  // After a damaged flight header or record, go on at the next flight's
  // start, as the "$D" lengths give it, and expand the later flights as the
  // undamaged dump would; the damaged flight keeps its lines before the
  // damage. The result stays the first damage's code; the index marks the
  // later flights "recovered". Recovery stops, and says so, where a length
  // runs past the data.
  bool recover = false;
  // Called with every line written to the index, CR LF included.
  std::function<void(std::string_view)> indexLine;
};

// Decodes a dump held in memory and hands each flight to `sink`. `header`
// is cleared, then filled from the dump's header lines. Returns an
// ExpandResult; kExpandCannotWriteCsv when the sink refused a flight.
int ExpandDump(std::span<const std::uint8_t> dump, HeaderState& header, FlightSink& sink,
               const ExpandOptions& options = {});

// Expands the dump at `path` through a CsvIndexSink: CSV files go into the
// user's subfolder of the data folder that `folderArgument` names, the index
// beside the dump. `header` is cleared, then filled from the dump's header
// lines. Returns an ExpandResult.
// The index replaces an older one only when complete; a write, flush or
// close that fails ends the expansion with 9 (a flight CSV, which is then
// removed, and the index says where it stopped) or 7 (the index, the older
// one stays), with a line naming the file and the reason.
int ExpandDataFile(const std::string& path, std::string_view folderArgument, HeaderState& header,
                   const ExpandOptions& options = {});

// What ExpandDataFile with the same arguments would write, learnt by
// decoding alone.
struct ExpandPreview {
  // Flights written after a damaged one (only with options.recover).
  std::size_t recoverable = 0;
  // The numbers of the flights, in dump order, whose file (the same flight
  // number and start, under any suffix) lies in the user folder already.
  std::vector<std::uint16_t> alreadyThere;
};

// Decodes the dump at `path` as ExpandDataFile would and fills `preview`;
// creates, changes and removes no file or folder. Returns the ExpandResult
// of the decoding (the name checks' 8 and 7 included, never 7 or 9 from a
// write). `header` is filled as by ExpandDataFile.
int PreviewDataFile(const std::string& path, std::string_view folderArgument, HeaderState& header,
                    const ExpandOptions& options, ExpandPreview& preview);

}  // namespace varnix
