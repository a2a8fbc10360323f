// SPDX-License-Identifier: MIT
// One CSV file per flight: seven header lines, the title line, then one
// value line per recorded interval. Every line ends with CR LF. Lines gather
// in a block and reach the file a block at a time: one write per line cost
// more than decoding and formatting together.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "core/decoder.h"
#include "core/flight_header.h"
#include "core/flight_sink.h"
#include "platform/output_file.h"

namespace varnix {

// The size of the block in which lines wait for the file.
inline constexpr std::size_t kCsvBlockBytes = std::size_t{64} * 1024;

// The open CSV file of the current flight. It is written under a temporary
// name (which claims its name from other expansions) and appears under its
// own name only when finished (or, stopped, closed as it stands): a killed
// expansion leaves no flight behind.
struct FlightCsv {
  std::FILE* file = nullptr;    // the temporary's stream
  std::unique_ptr<platform::ReplacingFile> out;
  std::string path;             // where the file lies once written
  std::string shortName;        // "F" + number + suffix + ".CSV", no folder
  std::string_view suffix;      // the duplicate suffix
  long durationPosition = 0;    // right after "Duration " on line 6
  // Lines not yet handed to the file: kCsvBlockBytes, made at the first
  // open and kept for every later flight. A block is handed on when the next
  // line might not fit, and when the file is finished or closed.
  std::unique_ptr<char[]> block;
  std::size_t pending = 0;      // bytes waiting in the block
  long handedOn = 0;            // bytes handed to the file before them
  // Enabled slots 1-79 in slot order, fixed when the header is written.
  std::array<std::uint8_t, kValueSlots> columns{};
  int columnCount = 0;
  // The system's error number of the first write, flush or close that
  // failed (0 while none did). Once set, nothing more is written.
  int error = 0;
};

enum class CsvOpenResult {
  Ok,
  AllNamesTaken,  // the 53 names of this flight exist; nothing was written
  CannotOpen,     // the file could not be created or opened for writing
};

// "F" + the flight number padded with zeros to five digits.
std::string FlightFileBase(std::uint16_t flightNumber);

// Whether `name` is one the expansion gives a flight file: "F", five
// digits, a duplicate suffix, ".CSV".
bool IsExpandedFlightName(std::string_view name);

// Whether the file at `path` is `flight`'s (its line 4 `titleLine`) as an
// interrupted expansion of an older version left it: a regular file whose
// duration line was never written.
bool IsHalfWrittenFlight(const std::string& path, std::string_view titleLine);

// Opens the first free name of the flight in the user's subfolder (named by
// FolderForUserId). Any existing name is taken, a link that leads nowhere
// too, and so is a name another expansion is writing; with `flight` given,
// a half-written file of the same flight (IsHalfWrittenFlight) is not, and is
// replaced when the file is finished. Nothing is ever written through a
// link, and a user folder that is a link gives CannotOpen. When all 53 names
// are taken, opens nothing.
CsvOpenResult OpenFlightCsv(FlightCsv& csv, std::string_view folderArgument, std::uint16_t flightNumber,
                            std::string_view userId, const FlightHeader* flight = nullptr);

// The lines shown when OpenFlightCsv fails (the two that ask for the old
// files to be removed when all names are taken); empty for Ok.
std::string CsvOpenDiagnostic(CsvOpenResult result, std::uint16_t flightNumber, std::string_view datPath);

struct CsvHeaderFacts {
  std::string_view identification;  // brings its own double quotes
  std::string_view userId;
  const FlightHeader* flight;
  char engineUnit;
  char outsideAirUnit;
  std::int32_t fuelUnit;
};

// Line 4 of a flight's CSV: number, suffix and start, in double quotes.
std::string FlightTitleLine(const FlightHeader& flight, std::string_view suffix);

// Writes the seven header lines and the title line (the names of the
// enabled slots); gives durationPosition.
long WriteCsvHeader(FlightCsv& csv, const CsvHeaderFacts& facts, const ValueTable& channels, bool fuelFlowPresent);

// Writes `count` value lines (at least one), the first at `clock`, each
// next one `interval` seconds later.
void WriteCsvRows(FlightCsv& csv, const ValueTable& values, std::int32_t fuelUnit, RunningClock clock, int interval,
                  int count);

// "%5.2f" of the duration (a float, as printf takes it).
std::string FormatDuration(float hours);

// Writes the duration over the placeholder of line 6 (never beyond its 35
// characters), hands on what waits in the block, closes the file and names
// it. False when any write, flush, the close or the naming failed
// (csv.error tells why): there is then no file.
bool FinishFlightCsv(FlightCsv& csv, long durationPosition, int interval, float hours);

// Hands on what waits in the block, closes the file without writing a
// duration and names it (used when an expansion stops).
void CloseFlightCsv(FlightCsv& csv);

// Drops the flight's file: nothing of it is named.
void DiscardFlightCsv(FlightCsv& csv);

// The MARK channel's slot: "S" when the mark button was pressed, else empty.
inline constexpr std::int32_t kMarkPresenceBit = 39;

// Whether the file shows a slot's value in tenths (one decimal) rather than
// as the whole number the instrument recorded.
bool ShownInTenths(const ValueSlot& slot, std::int32_t fuelUnit);

// The text of one enabled slot in a value line, appended to `out`.
void AppendValueText(std::string& out, const ValueSlot& slot, std::int32_t fuelUnit);

}  // namespace varnix
