// SPDX-License-Identifier: MIT
#include "core/csv_writer.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "core/naming.h"
#include "platform/output_file.h"
#include "platform/platform.h"

namespace varnix {

namespace {

// A quoted column title and its comma. Appended piece by piece: GCC 12 at -O3
// misreads "literal" + std::string here as an overlapping copy.
void appendTitle(std::string& titles, const char* name) {
  titles += '"';
  titles += name;
  titles += "\",";
}

constexpr std::size_t kDurationPlaceholder = 35;
// The fixed tail of a flight file's temporary: the temporary is the claim on
// its name while it is written.
constexpr std::string_view kFlightClaim = "000000";
// Largest value line: the clock plus 79 fields of at most 14 characters.
constexpr std::size_t kLineBuffer = 2048;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* putUnsigned(char* p, std::uint32_t v) {
  // Most values have at most four digits: written in place.
  if (v < 10) {
    *p = static_cast<char>('0' + v);
    return p + 1;
  }
  if (v < 100) {
    std::memcpy(p, kDigitPairs + v * 2, 2);
    return p + 2;
  }
  if (v < 1000) {
    *p = static_cast<char>('0' + v / 100);
    std::memcpy(p + 1, kDigitPairs + (v % 100) * 2, 2);
    return p + 3;
  }
  if (v < 10000) {
    std::memcpy(p, kDigitPairs + (v / 100) * 2, 2);
    std::memcpy(p + 2, kDigitPairs + (v % 100) * 2, 2);
    return p + 4;
  }
  char digits[10];
  int n = 10;
  while (v >= 100) {
    const std::uint32_t pair = (v % 100) * 2;
    v /= 100;
    digits[--n] = kDigitPairs[pair + 1];
    digits[--n] = kDigitPairs[pair];
  }
  if (v >= 10) {
    digits[--n] = kDigitPairs[v * 2 + 1];
    digits[--n] = kDigitPairs[v * 2];
  } else {
    digits[--n] = static_cast<char>('0' + v);
  }
  std::memcpy(p, digits + n, static_cast<std::size_t>(10 - n));
  return p + (10 - n);
}

char* putSigned(char* p, std::int32_t v) {
  if (v < 0) {
    *p++ = '-';
    return putUnsigned(p, 0u - static_cast<std::uint32_t>(v));
  }
  return putUnsigned(p, static_cast<std::uint32_t>(v));
}

char* putText(char* p, std::string_view text) {
  std::memcpy(p, text.data(), text.size());
  return p + text.size();
}

// value / 10 as "%g" prints it: at most six significant digits, no trailing
// zeros. Values below a million in magnitude are exact with one decimal.
char* putTenths(char* p, std::int32_t v) {
  if (v > -1000000 && v < 1000000) {
    if (v < 0) *p++ = '-';
    const std::uint32_t m = v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
    p = putUnsigned(p, m / 10);
    if (m % 10 != 0) {
      *p++ = '.';
      *p++ = static_cast<char>('0' + m % 10);
    }
    return p;
  }
  const int n = std::snprintf(p, 16, "%g", v / 10.0);
  return p + (n > 0 ? n : 0);
}

char* putValueText(char* p, const ValueSlot& slot, std::int32_t fuelUnit) {
  if (slot.notAvailable) return putText(p, "\"NA\"");
  if (slot.presenceBit == kMarkPresenceBit) return slot.currentValue != 0 ? putText(p, "\"S\"") : p;
  return ShownInTenths(slot, fuelUnit) ? putTenths(p, slot.currentValue) : putSigned(p, slot.currentValue);
}

char* putClock(char* p, const RunningClock& c) {
  p = putSigned(p, c.hours);
  *p++ = ':';
  p = putSigned(p, c.minutes);
  *p++ = ':';
  return putSigned(p, c.seconds);
}

// Hands what waits in the block to the file, in one write.
// A failure is kept in csv.error; after one, nothing more is written.
void handOn(FlightCsv& csv) {
  if (csv.error != 0 || !csv.file || csv.pending == 0) return;
  if (!platform::writeAll(csv.file, csv.block.get(), csv.pending) || std::fflush(csv.file) != 0)
    csv.error = errno != 0 ? errno : EIO;
  csv.handedOn += static_cast<long>(csv.pending);
  csv.pending = 0;
}

// Room for one more line of at most `size` bytes in the block.
void makeRoom(FlightCsv& csv, std::size_t size) {
  if (kCsvBlockBytes - csv.pending < size) handOn(csv);
}

void emit(FlightCsv& csv, const char* begin, const char* end) {
  if (csv.error != 0 || !csv.file) return;
  const auto size = static_cast<std::size_t>(end - begin);
  makeRoom(csv, size);
  if (csv.error != 0) return;
  if (size > kCsvBlockBytes) {  // larger than any line the writer makes
    if (!platform::writeAll(csv.file, begin, size)) csv.error = errno != 0 ? errno : EIO;
    csv.handedOn += static_cast<long>(size);
    return;
  }
  std::memcpy(csv.block.get() + csv.pending, begin, size);
  csv.pending += size;
}

void emitLine(FlightCsv& csv, const std::string& line) {
  std::string withEnd = line + "\r\n";
  emit(csv, withEnd.data(), withEnd.data() + withEnd.size());
}

std::string_view fuelTitle(std::int32_t unit, bool present) {
  if (!present) return " ";
  switch (unit) {
    case 0:
      return "     F/F GPH";
    case 1:
      return "     F/F LPH";
    case 2:
      return "     F/F PPH";
    case 3:
      return "     F/F KPH";
    default:
      return " ";
  }
}

// Completes the temporary and names it; a failure leaves no file (the old
// one that a half-written flight's file was stays).
bool nameFile(FlightCsv& csv) {
  if (!csv.out) return csv.error == 0;
  csv.file = nullptr;
  const bool named = csv.error == 0 && csv.out->commit();
  if (!named && csv.error == 0) csv.error = csv.out->error() != 0 ? csv.out->error() : EIO;
  csv.out.reset();
  return named;
}

}  // namespace

std::string FlightFileBase(std::uint16_t flightNumber) {
  char base[16];
  std::snprintf(base, sizeof base, "F%05u", static_cast<unsigned>(flightNumber));
  return base;
}

bool IsExpandedFlightName(std::string_view name) {
  if (name.size() < 10 || name.size() > 12 || name[0] != 'F' || name.substr(name.size() - 4) != ".CSV") return false;
  for (std::size_t i = 1; i < 6; ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  const std::string_view suffix = name.substr(6, name.size() - 10);
  for (int i = 0; i < kNameSuffixCount; ++i)
    if (NameSuffix(i) == suffix) return true;
  return false;
}

bool IsHalfWrittenFlight(const std::string& path, std::string_view titleLine) {
  if (platform::isLink(path)) return false;
  std::FILE* file = platform::openRegularFile(path, nullptr);
  if (!file) return false;
  // The header lines: at most a few hundred bytes.
  char head[1024];
  const std::size_t n = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  std::string_view text(head, n);
  std::string_view lines[6];
  for (std::string_view& line : lines) {
    const std::size_t end = text.find("\r\n");
    if (end == std::string_view::npos) return false;
    line = text.substr(0, end);
    text.remove_prefix(end + 2);
  }
  const std::string blankDuration = "\"Duration " + std::string(kDurationPlaceholder, ' ') + "\"";
  return lines[3] == titleLine && lines[5] == blankDuration;
}

CsvOpenResult OpenFlightCsv(FlightCsv& csv, std::string_view folderArgument, std::uint16_t flightNumber,
                            std::string_view userId, const FlightHeader* flight) {
  const std::string subfolder = FolderForUserId(userId);
  const std::string base = FlightFileBase(flightNumber);
  std::string shortName;
  for (int i = 0; i < kNameSuffixCount; ++i) {
    shortName = base + std::string(NameSuffix(i)) + ".CSV";
    const std::optional<std::string> path = SafeSubfolderPath(subfolder, shortName, folderArgument);
    if (!path) return CsvOpenResult::CannotOpen;
    // A name that exists in any form is taken, unless an interrupted run
    // left this flight half-written there.
    const bool replace =
        platform::nameTaken(*path) && flight && IsHalfWrittenFlight(*path, FlightTitleLine(*flight, NameSuffix(i)));
    if (platform::nameTaken(*path) && !replace) continue;
    using Mode = platform::ReplacingFile::Mode;
    auto out = std::make_unique<platform::ReplacingFile>(*path, replace ? Mode::Replace : Mode::NeverReplace,
                                                         kFlightClaim);
    if (!out->file()) {
      // Another expansion is writing this name; any other failure ends the search.
      if (out->error() == EEXIST) continue;
      errno = out->error();
      return CsvOpenResult::CannotOpen;
    }
    // Named meanwhile by the run that claimed it before: the next name.
    if (!replace && platform::nameTaken(*path)) continue;
    // The block is the stream's buffer: the stream's own would only split
    // each block into two writes.
    std::setvbuf(out->file(), nullptr, _IONBF, 0);
    if (!csv.block) csv.block = std::make_unique<char[]>(kCsvBlockBytes);
    csv.file = out->file();
    csv.out = std::move(out);
    csv.pending = 0;
    csv.handedOn = 0;
    csv.path = *path;
    csv.error = 0;
    csv.shortName = shortName;
    csv.suffix = NameSuffix(i);
    return CsvOpenResult::Ok;
  }
  return CsvOpenResult::AllNamesTaken;
}

std::string CsvOpenDiagnostic(CsvOpenResult result, std::uint16_t flightNumber, std::string_view datPath) {
  switch (result) {
    case CsvOpenResult::Ok:
      return {};
    case CsvOpenResult::CannotOpen:
      return "File could not be opened\n";
    case CsvOpenResult::AllNamesTaken:
      break;
  }
  const std::string lastName = FlightFileBase(flightNumber) + std::string(NameSuffix(kNameSuffixCount - 1)) + ".CSV";
  return "Remove Multiple Flight Files named: " + lastName + "$$.CSV\nthen Re-process DataFile named: " +
         std::string(datPath) + "\n";
}

std::string FlightTitleLine(const FlightHeader& flight, std::string_view suffix) {
  char text[128];
  std::snprintf(text, sizeof text, "\"Flight #%u%.*s %d/%d/%d %d:%d:%d\"", static_cast<unsigned>(flight.flightNumber),
                static_cast<int>(suffix.size()), suffix.data(), flight.month, flight.day, flight.year, flight.hours,
                flight.minutes, flight.seconds);
  return text;
}

long WriteCsvHeader(FlightCsv& csv, const CsvHeaderFacts& facts, const ValueTable& channels, bool fuelFlowPresent) {
  FlightCsv& f = csv;
  const FlightHeader& flight = *facts.flight;
  char text[128];

  const platform::LocalDate today = platform::localDate();
  std::snprintf(text, sizeof text, "\"Varnix     %02d/%02d/%02d\"", today.month % 100, today.day % 100,
                today.year % 100);
  emitLine(f, text);
  emitLine(f, std::string(facts.identification));
  emitLine(f, "\"Aircraft Number " + std::string(facts.userId) + "\"");
  emitLine(f, FlightTitleLine(flight, csv.suffix));
  emitLine(f, std::string("\"Eng Deg ") + facts.engineUnit + "     OAT Deg " + facts.outsideAirUnit +
                  std::string(fuelTitle(facts.fuelUnit, fuelFlowPresent)) + "\"");

  const std::string durationLead = "\"Duration ";
  emit(csv, durationLead.data(), durationLead.data() + durationLead.size());
  csv.durationPosition = csv.file ? csv.handedOn + static_cast<long>(csv.pending) : 0;
  emitLine(f, std::string(kDurationPlaceholder, ' ') + "\"");

  std::string titles;
  appendTitle(titles, channels[0].name);
  csv.columnCount = 0;
  for (int slot = 1; slot < kValueSlots; ++slot) {
    const ValueSlot& s = channels[static_cast<std::size_t>(slot)];
    if (!s.enabled) continue;
    csv.columns[static_cast<std::size_t>(csv.columnCount++)] = static_cast<std::uint8_t>(slot);
    appendTitle(titles, s.name);
  }
  emitLine(f, titles);
  return csv.durationPosition;
}

void WriteCsvRows(FlightCsv& csv, const ValueTable& values, std::int32_t fuelUnit, RunningClock clock, int interval,
                  int count) {
  if (csv.error != 0 || !csv.file) return;
  // The values are the same on every line of the call: formatted once.
  char tail[kLineBuffer];
  char* t = tail;
  for (int i = 0; i < csv.columnCount; ++i) {
    *t++ = ',';
    t = putValueText(t, values[csv.columns[static_cast<std::size_t>(i)]], fuelUnit);
  }
  *t++ = '\r';
  *t++ = '\n';
  const auto tailSize = static_cast<std::size_t>(t - tail);
  do {
    makeRoom(csv, kLineBuffer);
    if (csv.error != 0) return;
    char* const line = csv.block.get() + csv.pending;
    char* p = line;
    *p++ = '"';
    p = putClock(p, clock);
    *p++ = '"';
    std::memcpy(p, tail, tailSize);
    csv.pending += static_cast<std::size_t>(p - line) + tailSize;
    AdvanceClock(clock, interval);
  } while (--count > 0);
}

std::string FormatDuration(float hours) {
  // "%5.2f" of the float widened to double, the same on every C library:
  // a float times 100 is exact in a double, so ties are seen exactly and go
  // to the even neighbour (0.125 prints as 0.12, 0.375 as 0.38).
  const double scaled = static_cast<double>(hours) * 100.0;
  const bool negative = scaled < 0;
  const double magnitude = negative ? -scaled : scaled;
  if (!(magnitude < 9.0e18)) {
    char text[64];
    std::snprintf(text, sizeof text, "%5.2f", static_cast<double>(hours));
    return text;
  }
  auto whole = static_cast<unsigned long long>(magnitude);
  const double fraction = magnitude - static_cast<double>(whole);
  if (fraction > 0.5 || (fraction == 0.5 && whole % 2 == 1)) ++whole;
  char text[40];
  std::snprintf(text, sizeof text, "%s%llu.%02llu", negative && whole != 0 ? "-" : "", whole / 100, whole % 100);
  char padded[48];
  std::snprintf(padded, sizeof padded, "%5s", text);
  return padded;
}

bool FinishFlightCsv(FlightCsv& csv, long durationPosition, int interval, float hours) {
  if (!csv.file) return false;
  std::string text = FormatDuration(hours) + "Hours   Interval " + std::to_string(interval) + " seconds";
  if (text.size() > kDurationPlaceholder) text.resize(kDurationPlaceholder);
  // A short flight's placeholder still waits in the block: filled in there.
  // Else it is written over in the file.
  const long inBlock = durationPosition - csv.handedOn;
  if (inBlock >= 0 && static_cast<std::size_t>(inBlock) + text.size() <= csv.pending) {
    if (csv.error == 0) std::memcpy(csv.block.get() + inBlock, text.data(), text.size());
  } else {
    handOn(csv);
    if (csv.error == 0 && std::fseek(csv.file, durationPosition, SEEK_SET) != 0) csv.error = errno != 0 ? errno : EIO;
    emit(csv, text.data(), text.data() + text.size());
  }
  handOn(csv);
  return nameFile(csv);
}

void CloseFlightCsv(FlightCsv& csv) {
  handOn(csv);
  nameFile(csv);
  csv.pending = 0;
}

void DiscardFlightCsv(FlightCsv& csv) {
  csv.file = nullptr;
  csv.out.reset();
  csv.pending = 0;
}

bool ShownInTenths(const ValueSlot& slot, std::int32_t fuelUnit) {
  switch (slot.presenceBit) {
    case 0:
    case 30:
    case 31:
    case 32:
    case 34:
    case 35:
      return true;
    case 27:
      return fuelUnit == 0;  // fuel flow in gallons per hour
    default:
      return false;
  }
}

void AppendValueText(std::string& out, const ValueSlot& slot, std::int32_t fuelUnit) {
  char text[32];
  out.append(text, putValueText(text, slot, fuelUnit));
}

}  // namespace varnix
