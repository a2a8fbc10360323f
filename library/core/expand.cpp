// SPDX-License-Identifier: MIT
#include "core/expand.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "core/csv_index_sink.h"
#include "core/decoder.h"
#include "core/download.h"
#include "core/preview_sink.h"
#include "core/naming.h"
#include "platform/output_file.h"
#include "platform/platform.h"

namespace varnix {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

struct HeaderPass {
  int result = kExpandOk;
  std::size_t dataStart = 0;  // first byte after the "$L" line's line feed
  // The user folder of the whole dump: the first line's id (one rule for
  // blanks), or "BadData" when the first line is no usable "$U" line; the
  // same folder that the dump itself is filed in.
  std::string folder = kBadDataFolder;
};

// Checks and parses the header lines of the header window up to "$L".
HeaderPass parseHeader(std::string_view text, HeaderState& header) {
  std::string_view lines[kMaxHeaderLines];
  int count = 0;
  bool foundL = false;
  std::size_t dataStart = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == '\n') {  // runs of line feeds are one separator
      ++pos;
      continue;
    }
    std::size_t end = text.find('\n', pos);
    const bool terminated = end != std::string_view::npos;
    if (!terminated) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    if (line.substr(0, 2) == "$L") {
      // The flight data begins right after this line's line feed; a "$L"
      // line cut off by the window's end leaves no place to begin.
      if (!terminated) return {kExpandBadHeader, 0};
      lines[count++] = line;
      foundL = true;
      dataStart = end + 1;
      break;
    }
    lines[count++] = line;
    if (count == kMaxHeaderLines) return {kExpandNoEndOfHeader, 0};
    pos = end + 1;
  }

  HeaderPass pass{kExpandOk, dataStart};
  char firstId[sizeof header.userID] = {};
  for (int i = 0; i < count; ++i) {
    const HeaderLineVerdict verdict = ParseHeaderLine(lines[i], header);
    if (!verdict.valid) return {kExpandBadHeader, 0};
    if (i == 0 && verdict.letter == 'U') {
      std::memcpy(firstId, header.userID, sizeof firstId);
      if (IsUsableFolderName(header.userID)) pass.folder = FolderForUserId(header.userID);
    }
  }
  // Without its "$L" line a header says nowhere where the flights begin.
  if (!foundL) return {kExpandBadHeader, 0};
  // One dump, one aircraft: a later "$U" line does not change it.
  if (firstId[0] != '\0') std::memcpy(header.userID, firstId, sizeof firstId);
  return pass;
}

// The bytes of a dump that the expansion looks at: header, flight data and
// the closing line. The flight data is what the "$L" line claims, but no
// more than the "$D" lengths need (their sum and the fill of a last block),
// and the whole never more than a download keeps (16 MiB): a header that
// claims gigabytes costs no memory.
std::size_t dumpExtent(const HeaderPass& pass, const HeaderState& header) {
  long long flights = 0;
  for (int i = 0; i < header.flightCount; ++i)
    flights += std::max(header.flightLengths[static_cast<std::size_t>(i)], 0);
  const long long claimed = std::max(header.flightDataBytes, 0);
  const auto flightData = static_cast<std::size_t>(std::min(claimed, flights + 256));
  return std::min(pass.dataStart + flightData + kClosingLine.size() + 2, kMaxDumpBytes);
}

// The dump from its start: header, flight data and the closing line, or
// less when the file is shorter. Grows with the bytes actually read, so a
// header that claims more data than the file holds costs no memory.
std::vector<std::uint8_t> readDump(std::FILE* dat, std::size_t wanted) {
  std::vector<std::uint8_t> buffer;
  if (std::fseek(dat, 0, SEEK_SET) != 0) return buffer;
  if (std::fseek(dat, 0, SEEK_END) == 0) {
    const long size = std::ftell(dat);
    if (size > 0) buffer.reserve(std::min(wanted, static_cast<std::size_t>(size)));
    std::fseek(dat, 0, SEEK_SET);
  }
  constexpr std::size_t kChunk = 1 << 16;
  while (buffer.size() < wanted) {
    const std::size_t old = buffer.size();
    const std::size_t step = std::min(kChunk, wanted - old);
    buffer.resize(old + step);
    const std::size_t got = std::fread(buffer.data() + old, 1, step, dat);
    buffer.resize(old + got);
    if (got < step) break;
  }
  return buffer;
}

// Value lines past this count are still written, but a repeated record then
// gives only one.
constexpr std::int32_t kLineCountLimit = 65000;

struct Expansion {
  HeaderState& header;
  FlightSink& sink;
  std::string folder;
  std::string identification;
  bool honoured = false;
  bool extended = false;
  bool values = true;  // the sink reads values (FlightSink::readsValues)
  Decoder decoder;
  FlightTable flights{};
};

// The flight being decoded: its clock and the value lines handed on so far.
struct FlightRun {
  RunningClock clock;
  int interval;
  std::int32_t lineCount = 0;
};

// Hands on `repeat` lines (at least one) of the current values, fewer once
// the line count passes its limit.
void emitRows(Expansion& x, FlightRun& run, int repeat) {
  int count = repeat;
  if (run.lineCount >= kLineCountLimit) count = 1;
  else count = std::min(count, kLineCountLimit + 1 - run.lineCount);
  if (x.values) {
    x.sink.rows(FlightRows{x.decoder.values, run.clock, run.interval, count});
    for (int i = 0; i < count; ++i) AdvanceClock(run.clock, run.interval);
  }
  const std::int32_t room = std::numeric_limits<std::int32_t>::max() - run.lineCount;
  run.lineCount += std::min(count, room);
}

void endFlight(Expansion& x, const FlightRun& run, float hours) {
  x.sink.endFlight(FlightEnd{hours, run.interval, run.lineCount});
}

// Expands one flight starting at the reader's position. kExpandOk lets the
// expansion go on with the next flight.
int expandFlight(Expansion& x, ByteReader& reader, int i, std::int32_t length, bool recovered) {
  HeaderState& header = x.header;
  const std::size_t flightStart = reader.pos;
  reader.checksum = 0;
  reader.consumed = 0;

  FlightHeader& flight = x.flights[static_cast<std::size_t>(i)];
  const FlightHeaderRead read = ReadFlightHeader(reader, x.extended, flight);
  if (read.outcome == FlightHeaderOutcome::ChecksumError) return kExpandBadFlightHeader;
  if (read.outcome == FlightHeaderOutcome::Truncated) return kExpandBadRecord;

  header.fuelUnit = flight.fuelUnit;
  FlightRun run{{flight.hours, flight.minutes, flight.seconds}, x.honoured ? flight.interval : 6};
  SetUpValueTable(x.decoder, flight.presenceFlags, read.extendedPresence);

  const FlightStart start{i,
                          flight,
                          x.identification,
                          header.userID,
                          EngineUnitLetter(flight),
                          OutsideAirUnitLetter(flight),
                          header.fuelUnit,
                          run.interval,
                          x.decoder.values,
                          x.decoder.fuelFlowPresent,
                          x.folder,
                          recovered};
  if (!x.sink.beginFlight(start)) return x.sink.failure() != 0 ? x.sink.failure() : kExpandCannotWriteCsv;

  if (length == reader.consumed + 1) {  // a flight without records, then padding
    endFlight(x, run, 0.0f);
    reader.moveTo(reader.pos + 1);
    return x.sink.failure();
  }

  for (;;) {
    switch (ReadRecord(x.decoder, reader, x.extended)) {
      case RecordOutcome::FlagMismatch:
        reader.moveTo(flightStart + static_cast<std::size_t>(length));
        endFlight(x, run, 0.0f);
        return x.sink.failure();
      case RecordOutcome::ChecksumError:
      case RecordOutcome::Truncated:
        endFlight(x, run, FlightHours(run.lineCount, run.interval));
        return x.sink.failure() != 0 ? x.sink.failure() : kExpandBadRecord;
      case RecordOutcome::Ok:
        break;
    }
    // The repeated lines carry the values from before the record.
    if (x.decoder.repeatCount > 0) emitRows(x, run, x.decoder.repeatCount);
    if (x.values) ApplyRecord(x.decoder);
    emitRows(x, run, 1);
    if (x.sink.failure() != 0) return x.sink.failure();

    if (reader.consumed == length - 1) {  // one byte of padding
      reader.moveTo(reader.pos + 1);
      ++reader.consumed;
    }
    if (reader.consumed >= length) {
      endFlight(x, run, FlightHours(run.lineCount, run.interval));
      return x.sink.failure();
    }
  }
}

bool closingLineAt(std::span<const std::uint8_t> dump, std::size_t at) {
  return at <= dump.size() && dump.size() - at >= kClosingLine.size() &&
         std::memcmp(dump.data() + at, kClosingLine.data(), kClosingLine.size()) == 0;
}


}  // namespace

std::string IdentificationText(const HeaderState& header) {
  std::string text = "\"Model ";
  text += header.modelText;
  text += " Firmware ";
  text += header.firmwareText;
  text += '"';
  if (text.size() > kMaxIdentification) text.resize(kMaxIdentification);
  return text;
}

bool RecordedIntervalHonoured(std::int32_t model, std::int32_t firmwareVersion) {
  if (model == 900) return true;
  return model == 760 ? firmwareVersion > 132 : firmwareVersion > 282;
}

ChannelLayout LayoutFor(std::int32_t model, bool extendedFlights) {
  if (extendedFlights) return ChannelLayout::Extended;
  return model == 760 ? ChannelLayout::Twin : ChannelLayout::Single;
}

float FlightHours(std::int32_t lineCount, int interval) {
  if (lineCount <= 1) return 0.0f;
  const float seconds = static_cast<float>(static_cast<long long>(lineCount - 1) * interval);
  return seconds * 0.00027777778f;
}

std::string FlightTxtLine(const FlightHeader& flight, std::string_view csvName, float hours, int interval) {
  char tail[128];
  std::snprintf(tail, sizeof tail, " Hours Interval %d sec %d/%d/%d %d:%d:%d\r\n", interval, flight.month, flight.day,
                flight.year, flight.hours, flight.minutes, flight.seconds);
  return "Flt#" + std::to_string(flight.flightNumber) + "- " + std::string(csvName) + " " + FormatDuration(hours) +
         tail;
}

namespace {

// The flights of a dump whose header has been parsed into `header`; `dump`
// holds no more than dumpExtent bytes.
int decodeFlights(std::span<const std::uint8_t> dump, const HeaderPass& pass, HeaderState& header, FlightSink& sink,
                  const ExpandOptions& options) {
  const std::int32_t model = FieldNumber(header.modelText);
  auto x = std::make_unique<Expansion>(Expansion{header, sink, pass.folder, IdentificationText(header),
                                                 RecordedIntervalHonoured(model, header.firmwareVersion),
                                                 header.extendedFlights, sink.readsValues(), {}, {}});
  BuildChannelTable(x->decoder, LayoutFor(model, header.extendedFlights));

  ByteReader reader{dump.data(), dump.size(), 0, 0, 0};
  reader.moveTo(pass.dataStart);
  int firstDamage = kExpandOk;
  for (int i = 0; i < header.flightCount; ++i) {
    const std::int32_t length = header.flightLengths[static_cast<std::size_t>(i)];
    if (length <= 0) continue;  // an empty flight; a negative length is no flight either
    const std::size_t flightStart = reader.pos;
    const int result = expandFlight(*x, reader, i, length, firstDamage != kExpandOk);
    if (result == kExpandOk) continue;
    const bool damaged = result == kExpandBadFlightHeader || result == kExpandBadRecord;
    if (!damaged || !options.recover) return firstDamage != kExpandOk && damaged ? firstDamage : result;
    if (firstDamage == kExpandOk) firstDamage = result;
    // The next flight begins where this one's "$D" length ends. A length
    // that runs past the data leaves nowhere to go on from.
    const std::size_t next = flightStart + static_cast<std::size_t>(length);
    if (next >= dump.size()) {
      if (i + 1 < header.flightCount)
        sink.diagnostic("Recovery stopped: flight " + std::to_string(i + 1) + " of " +
                        std::to_string(header.flightCount) + " runs past the end of the data.\n");
      return firstDamage;
    }
    reader.moveTo(next);
  }
  if (firstDamage != kExpandOk) return firstDamage;
  // More "$D" lines than the flight table holds: the first ones are
  // expanded, and the result says the header was bad.
  if (header.flightLinesSeen > header.flightCount) return kExpandBadHeader;

  const std::size_t flightData = static_cast<std::size_t>(std::max(header.flightDataBytes, 0));
  const bool closed = closingLineAt(dump, reader.pos) || closingLineAt(dump, pass.dataStart + flightData);
  return closed ? kExpandOk : kExpandNoClosingLine;
}

}  // namespace

int ExpandDump(std::span<const std::uint8_t> dump, HeaderState& header, FlightSink& sink,
               const ExpandOptions& options) {
  header = HeaderState{};
  const std::size_t window = std::min(dump.size(), kHeaderWindow);
  const HeaderPass pass = parseHeader(std::string_view(reinterpret_cast<const char*>(dump.data()), window), header);
  if (pass.result != kExpandOk) return pass.result;
  return decodeFlights(dump.first(std::min(dump.size(), dumpExtent(pass, header))), pass, header, sink, options);
}

namespace {

// The expansion of the dump file into `sink`, once the index is open.
int expandFile(const std::string& path, HeaderState& header, FlightSink& sink, const ExpandOptions& options) {
  File dat(platform::openFile(path, "rb"));
  if (!dat) return kExpandCannotOpenDump;

  char window[kHeaderWindow];
  const std::size_t n = std::fread(window, 1, sizeof window, dat.get());
  const HeaderPass pass = parseHeader(std::string_view(window, n), header);
  if (pass.result != kExpandOk) return pass.result;

  const std::vector<std::uint8_t> dump = readDump(dat.get(), dumpExtent(pass, header));
  return decodeFlights(dump, pass, header, sink, options);
}

// 8 for a path without its index name, 7 for a dump that would be its own
// index: a dump named *.TXT, or one that the index name reaches by a hard
// link (replacing it would lose the dump). Else kExpandOk.
int refusedName(const std::string& path) {
  const std::optional<std::string> indexPath = IndexFilePath(path);
  if (!indexPath) return kExpandNoDot;
  if (sameNameIgnoringCase(*indexPath, path) || platform::sameFile(*indexPath, path)) return kExpandCannotOpenIndex;
  return kExpandOk;
}

}  // namespace

int PreviewDataFile(const std::string& path, std::string_view folderArgument, HeaderState& header,
                    const ExpandOptions& options, ExpandPreview& preview) {
  header = HeaderState{};
  preview = ExpandPreview{};
  if (const int refused = refusedName(path); refused != kExpandOk) return refused;
  PreviewSink sink(folderArgument, preview);
  return expandFile(path, header, sink, options);
}

int ExpandDataFile(const std::string& path, std::string_view folderArgument, HeaderState& header,
                   const ExpandOptions& options) {
  header = HeaderState{};  // nothing of an earlier dump carries over

  if (const int refused = refusedName(path); refused != kExpandOk) return refused;
  const std::optional<std::string> indexPath = IndexFilePath(path);

  // The index is written under a temporary name and replaces the old one
  // only when complete: a link at its name is replaced, never followed, and
  // of two expansions of one dump at once, one run's whole index remains.
  // An interrupted run's temporary index goes first (by its exact name).
  const std::size_t cut = platform::lastSeparator(*indexPath);
  const std::string indexName = cut == std::string::npos ? *indexPath : indexPath->substr(cut + 1);
  std::string leftover = platform::temporaryName(indexName, "000000");
  leftover.resize(leftover.size() - std::string_view(".part000000").size());
  platform::removeLeftoverTemporaries(cut == std::string::npos ? std::string() : indexPath->substr(0, std::max<std::size_t>(cut, 1)),
                                      [&](std::string_view target) { return target == leftover; });
  platform::ReplacingFile index(*indexPath);
  if (!index.file()) return kExpandCannotOpenIndex;
  CsvIndexSink sink(index.file(), path, folderArgument);
  sink.onIndexLine = options.indexLine;

  int result = expandFile(path, header, sink, options);
  sink.close();
  if (sink.failure() == kExpandCannotOpenIndex) return kExpandCannotOpenIndex;  // the old index stays
  if (!index.commit()) {
    sink.diagnostic("Could not write " + platform::failureText(*indexPath, index.error()) + "\n");
    if (result != kExpandCannotWriteCsv) result = kExpandCannotOpenIndex;
  }
  return result;
}

}  // namespace varnix
