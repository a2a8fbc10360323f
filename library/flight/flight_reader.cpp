// SPDX-License-Identifier: MIT
#include "flight/flight_reader.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "flight/fnv_hash.h"
#include "flight/native_channels.h"
#include "flight/text_lines.h"
#include "flight/time_axis.h"
#include "platform/platform.h"

namespace varnix::flight {

namespace {

constexpr float kNotAvailable = std::numeric_limits<float>::quiet_NaN();
constexpr int kHeaderLines = 7;
constexpr long kSecondsPerDay = 86400;
// The longest lines read: a header line, and a row of so many values. The
// expansion writes rows of a few bytes per value and header lines of less
// than a kilobyte; a longer line is damage, found without reading on.
constexpr std::size_t kHeaderLineBytes = 8192;
constexpr std::size_t kRowBytesBase = 64;
constexpr std::size_t kValueBytes = 32;
constexpr std::size_t kNotedRows = 10;  // damaged rows noted one by one, the rest counted
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

using detail::Lines;

// FNV-1a over the lines after the first that holds "TIME" in quotes, each
// line end as one LF: for files with LF or CR LF ends, the bytes after that
// line's LF without their CRs, as the catalog has always hashed them.
class ValueHash {
 public:
  void line(std::string_view text, bool terminated) {
    if (!started_) {
      started_ = text.find("\"TIME\"") != std::string_view::npos;
      return;
    }
    hash_.add(text);
    if (terminated) hash_.add('\n');
  }
  std::uint64_t value() const { return hash_.value(); }

 private:
  Fnv1a hash_;
  bool started_ = false;
};

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The text between a line's enclosing double quotes, or nothing.
std::optional<std::string_view> quoted(std::string_view line) {
  if (line.size() < 2 || line.front() != '"' || line.back() != '"') return std::nullopt;
  return line.substr(1, line.size() - 2);
}

template <typename Number>
bool parseNumber(std::string_view& s, Number& value) {
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || ptr == s.data()) return false;
  s.remove_prefix(static_cast<std::size_t>(ptr - s.data()));
  return true;
}

bool expect(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

// "h:m:s" into hours, minutes and seconds.
bool parseClock(std::string_view& s, int& h, int& m, int& sec) {
  return parseNumber(s, h) && expect(s, ':') && parseNumber(s, m) && expect(s, ':') && parseNumber(s, sec);
}

FlightRead failure(int line, std::string why) {
  return FlightRead::failed(line > 0 ? "line " + std::to_string(line) + ": " + why : why, line);
}

// Line 4: "Flight #23A 7/14/3 10:30:0".
bool parseFlightLine(std::string_view body, FlightFacts& f) {
  if (!startsWith(body, "Flight #")) return false;
  body.remove_prefix(8);
  const std::size_t space = body.find(' ');
  if (space == std::string_view::npos) return false;
  std::string_view label = body.substr(0, space);
  f.flightLabel = std::string(label);
  if (!parseNumber(label, f.flightNumber)) return false;
  for (char c : label)
    if (c < 'A' || c > 'Z') return false;
  f.suffix = std::string(label);
  std::string_view when = body.substr(space + 1);
  return parseNumber(when, f.month) && expect(when, '/') && parseNumber(when, f.day) && expect(when, '/') &&
         parseNumber(when, f.year) && expect(when, ' ') && parseClock(when, f.hours, f.minutes, f.seconds) &&
         when.empty();
}

// Whether line 4's date and time are numbers the monitor's fields can hold
// (day 0-31, month 0-15, hours 0-31, minutes 0-63, seconds 0-62; the
// expansion writes them as recorded) with a year of at most four digits.
bool possibleStart(const FlightFacts& f) {
  return f.day >= 0 && f.day <= 31 && f.month >= 0 && f.month <= 15 && f.year >= 0 && f.year <= 9999 &&
         f.hours >= 0 && f.hours <= 31 && f.minutes >= 0 && f.minutes <= 63 && f.seconds >= 0 && f.seconds <= 63;
}

// Line 5: "Eng Deg F     OAT Deg F     F/F GPH" (the fuel-flow part may be a single space).
bool parseUnitsLine(std::string_view body, FlightFacts& f) {
  if (!startsWith(body, "Eng Deg ") || body.size() < 9) return false;
  f.engineUnit = body[8];
  const std::size_t oat = body.find("OAT Deg ");
  if (oat == std::string_view::npos || oat + 8 >= body.size()) return false;
  f.outsideAirUnit = body[oat + 8];
  const std::string_view rest = trim(body.substr(oat + 9));
  if (startsWith(rest, "F/F ")) f.fuelUnit = std::string(trim(rest.substr(4)));
  return (f.engineUnit == 'F' || f.engineUnit == 'C') && (f.outsideAirUnit == 'F' || f.outsideAirUnit == 'C');
}

// Line 6: "Duration  1.25Hours   Interval 6 seconds    ", or the unwritten placeholder.
bool parseDurationLine(std::string_view body, FlightFacts& f) {
  if (!startsWith(body, "Duration")) return false;
  std::string_view rest = trim(body.substr(8));
  double hours = 0;
  if (!rest.empty() && parseNumber(rest, hours)) f.durationHours = hours;
  const std::size_t at = rest.find("Interval ");
  if (at != std::string_view::npos) {
    std::string_view n = rest.substr(at + 9);
    parseNumber(n, f.interval);
  }
  return true;
}

// Line 7: "TIME","E1",...,"MARK",
bool parseTitles(std::string_view line, std::vector<std::string>& channels) {
  if (!startsWith(line, "\"TIME\",")) return false;
  line.remove_prefix(7);
  while (!line.empty()) {
    if (!expect(line, '"')) return false;
    const std::size_t close = line.find('"');
    if (close == std::string_view::npos || close == 0) return false;
    channels.emplace_back(line.substr(0, close));
    line.remove_prefix(close + 1);
    if (!expect(line, ',')) return false;
  }
  return true;
}

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9,
                                   1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};

// The plain decimals the writer prints ("1286", "-0.3", "12.5"), without
// from_chars' general path: digits into an integer, one exact division.
// The quotient of two exact doubles, rounded to float, is the float nearest
// to a decimal of this length. Anything else is left to from_chars.
bool parsePlainDecimal(std::string_view& s, float& value) {
  const char* p = s.data();
  const char* const end = p + s.size();
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  std::uint64_t mantissa = 0;
  int digits = 0, decimals = 0;
  const char* const first = p;
  for (; p < end && *p >= '0' && *p <= '9' && digits < 17; ++p, ++digits) mantissa = mantissa * 10 + (*p - '0');
  if (p == first) return false;
  if (p < end && *p == '.') {
    ++p;
    for (; p < end && *p >= '0' && *p <= '9' && digits < 17; ++p, ++digits, ++decimals)
      mantissa = mantissa * 10 + (*p - '0');
    if (decimals == 0) return false;
  }
  if (p < end && ((*p >= '0' && *p <= '9') || *p == '.' || *p == 'e' || *p == 'E')) return false;
  const double v = static_cast<double>(mantissa) / kPowersOfTen[decimals];
  value = static_cast<float>(negative ? -v : v);
  s.remove_prefix(static_cast<std::size_t>(p - s.data()));
  return true;
}

// One value field up to the next comma or the end of the line.
bool parseValue(std::string_view& s, bool isMark, float& value) {
  if (!s.empty() && s.front() == '"') {
    const std::size_t close = s.find('"', 1);
    if (close == std::string_view::npos) return false;
    const std::string_view text = s.substr(1, close - 1);
    if (text == "NA")
      value = kNotAvailable;
    else if (text == "S")
      value = 1.0f;
    else
      return false;
    s.remove_prefix(close + 1);
    return true;
  }
  if (s.empty() || s.front() == ',') {  // MARK writes nothing when it is off
    value = 0.0f;
    return isMark;
  }
  // A spreadsheet writes "no value" unquoted: NA, or nan and inf, which no
  // instrument measures.
  if (startsWith(s, "NA") && (s.size() == 2 || s[2] == ',')) {
    value = kNotAvailable;
    s.remove_prefix(2);
    return true;
  }
  if (parsePlainDecimal(s, value)) return true;
  if (!parseNumber(s, value)) return false;
  if (!std::isfinite(value)) value = kNotAvailable;
  return true;
}

std::string clockText(int h, int m, int s) {
  return std::to_string(h) + ":" + std::to_string(m) + ":" + std::to_string(s);
}

FlightRead tooLong(const Lines& lines, std::size_t limit) {
  return failure(lines.number(), "the line is longer than " + std::to_string(limit) +
                                     " bytes, longer than any line of a flight file");
}

// The first title that another title (or TIME) repeats, or nothing.
std::optional<std::string> repeatedTitle(const std::vector<std::string>& channels) {
  std::vector<std::string_view> sorted(channels.begin(), channels.end());
  sorted.emplace_back("TIME");
  std::sort(sorted.begin(), sorted.end());
  const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
  if (twice == sorted.end()) return std::nullopt;
  return std::string(*twice);
}

FlightRead ReadLines(Lines& lines, const std::function<void(const Flight&)>& headerRead, ValueHash* hash) {
  Flight flight;
  FlightFacts& f = flight.facts;
  std::string_view line;
  bool terminated = false;
  std::vector<std::string> titles;

  lines.setLimit(kHeaderLineBytes);
  for (int n = 1; n <= kHeaderLines; ++n) {
    if (!lines.next(line, terminated) || !terminated) {
      if (lines.tooLong()) return tooLong(lines, kHeaderLineBytes);
      return failure(n, n == 1 ? "the file is empty or not a flight file" : "the file ends inside its header");
    }
    if (hash) hash->line(line, terminated);
    if (n == 1 && startsWith(line, kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    const std::optional<std::string_view> body = quoted(line);
    bool ok = true;
    switch (n) {
      case 1: ok = body.has_value(); break;
      case 2: ok = body.has_value(); if (ok) f.identification = std::string(*body); break;
      case 3:
        ok = body && startsWith(*body, "Aircraft Number ");
        if (ok) f.aircraft = std::string(body->substr(16));
        break;
      case 4:
        ok = body && parseFlightLine(*body, f);
        if (ok && !possibleStart(f))
          return failure(n, "the start " + std::to_string(f.month) + "/" + std::to_string(f.day) + "/" +
                                std::to_string(f.year) + " " + clockText(f.hours, f.minutes, f.seconds) +
                                " is not a date and time");
        break;
      case 5: ok = body && parseUnitsLine(*body, f); break;
      case 6: ok = body && parseDurationLine(*body, f); break;
      case 7:
        ok = parseTitles(line, titles) && !titles.empty();
        if (ok) {
          if (const std::optional<std::string> twice = repeatedTitle(titles))
            return failure(n, "the column title \"" + *twice + "\" is there twice");
          flight.channels = NativeChannels(titles, f);
        }
        break;
    }
    if (!ok) {
      static const char* const kExpected[] = {"", "a quoted first line", "the identification line",
                                              "\"Aircraft Number ...\"", "\"Flight #... date time\"",
                                              "\"Eng Deg ... OAT Deg ...\"", "\"Duration ...\"",
                                              "the column titles starting with \"TIME\""};
      return failure(n, std::string("not a flight file: expected ") + kExpected[n]);
    }
  }

  // Memory follows the rows read, never the file's size alone (a sparse or
  // damaged file may promise rows it does not hold): the values' block is
  // reserved from the first row's length up to a first block and grows with
  // the rows (Columns::reserveUpTo), and the seconds grow as a vector does.
  const std::size_t channelCount = flight.channels.size();
  const int mark = flight.channelIndex("MARK");
  const std::size_t rowLimit = kRowBytesBase + kValueBytes * channelCount;
  lines.setLimit(rowLimit);
  flight.columns.reset(channelCount, 0);
  // Until a row says; the recorded fields may hold more than a day.
  flight.startOfDay = std::fmod(f.hours * 3600.0 + f.minutes * 60.0 + f.seconds, kSecondsPerDay);
  if (headerRead) headerRead(flight);

  // The seconds follow the clock (time_axis.h); the clock is read here: a
  // time of day, whose steps back are at midnight only. The axis keeps the
  // clock of the last row whose time is trusted (after a damaged row, the
  // clock that row should have had).
  detail::TimeAxis axis(f.interval);
  int lastStep = 0;
  std::size_t damagedRows = 0, gaps = 0;
  std::vector<long long> steps;
  int blankLine = 0;  // a blank line is allowed only at the very end
  while (lines.next(line, terminated)) {
    const int n = lines.number();
    if (hash) hash->line(line, terminated);
    if (line.empty()) {
      if (!blankLine) blankLine = n;
      continue;
    }
    if (blankLine) return failure(blankLine, "an empty line between value lines");
    if (!terminated) {
      flight.notes.push_back("The last line (" + std::to_string(n) +
                             ") is incomplete, as in a file cut short; it was left out.");
      break;
    }
    if (flight.seconds.empty()) {
      const std::size_t rows = (lines.remaining() / (line.size() + 1)) * 9 / 8 + 64;
      flight.columns.reserveUpTo(channelCount, rows);
      flight.seconds.reserve(flight.columns.capacity());
    }
    flight.columns.makeRoom();
    std::string_view s = line;
    int h = 0, m = 0, sec = 0;
    if (!expect(s, '"') || !parseClock(s, h, m, sec) || !expect(s, '"'))
      return failure(n, "a value line must begin with its time, e.g. \"9:12:6\"");
    for (std::size_t c = 0; c < channelCount; ++c) {
      if (!expect(s, ','))
        return failure(n, "the line has " + std::to_string(c) + " values, the titles name " +
                              std::to_string(channelCount));
      if (!parseValue(s, static_cast<int>(c) == mark, flight.columns.next(c)))
        return failure(n, "the value of " + flight.channels[c].name + " is not a number or \"NA\"");
    }
    if (!s.empty())
      return failure(n, "the line has more values than the titles name (" + std::to_string(channelCount) + ")");

    // The clock goes back only at midnight: from the evening to the early
    // morning, a step back of more than twelve hours (or of exactly the
    // recorded interval, should that be longer). Any other step back, or a
    // time that is not a time of day, is a damaged row: it is kept one
    // interval after the row before, so that the seconds never go back and
    // a flight's span follows its rows. A step forward past a gap is not
    // counted either (time_axis.h).
    const bool timeOfDay = h >= 0 && h < 24 && m >= 0 && m < 60 && sec >= 0 && sec < 60;
    const long clock = timeOfDay ? h * 3600L + m * 60L + sec : 0;
    axis.setInterval(f.interval > 0 ? f.interval : lastStep > 0 ? lastStep : 1);
    const std::optional<long long> previous = axis.clock();
    long forward = 0;
    bool damaged = !timeOfDay;
    if (!damaged && previous) {
      forward = clock - static_cast<long>(*previous % kSecondsPerDay);
      if (forward < 0) {
        const long back = -forward;
        forward += kSecondsPerDay;
        damaged = back <= kSecondsPerDay / 2 && !(f.interval > 0 && forward == f.interval % kSecondsPerDay);
      }
    }
    if (damaged) {
      const bool first = flight.seconds.empty();
      axis.add(std::nullopt);
      if (++damagedRows <= kNotedRows)
        flight.notes.push_back("line " + std::to_string(n) + ": the time " + clockText(h, m, sec) +
                               (timeOfDay ? " goes back from the row before" : " is not a time of day") +
                               (first ? "; the row was taken as the start." : "; the row was placed one interval after that row."));
    } else {
      const detail::TimeAxis::Placed placed = axis.add(previous ? *previous + forward : clock);
      if (placed == detail::TimeAxis::Placed::First) {
        // The first trusted clock: the start of the day is where it puts the first row.
        flight.startOfDay = std::fmod(std::fmod(clock - static_cast<double>(axis.seconds()), kSecondsPerDay) + kSecondsPerDay,
                                      kSecondsPerDay);
      } else if (placed == detail::TimeAxis::Placed::Gap) {
        if (++gaps <= kNotedRows) flight.notes.push_back(detail::GapNote("line " + std::to_string(n), axis.jump()));
      } else if (forward > 0) {
        lastStep = static_cast<int>(forward);
        if (f.interval <= 0) steps.push_back(forward);
      }
    }
    flight.seconds.push_back(static_cast<double>(axis.seconds()));
    flight.columns.addRow();
  }
  if (lines.tooLong()) return tooLong(lines, rowLimit);
  if (damagedRows > kNotedRows)
    flight.notes.push_back(std::to_string(damagedRows - kNotedRows) +
                           " more rows with a damaged time were placed one interval after the row before.");
  if (gaps > kNotedRows)
    flight.notes.push_back(std::to_string(gaps - kNotedRows) + " more gaps in the clock were not counted the same way.");
  // A file that writes no interval has that of its rows: their typical step.
  if (f.interval <= 0 && flight.rows() > 1)
    f.interval = static_cast<int>(std::min<long long>(detail::TypicalStep(steps), std::numeric_limits<int>::max()));

  FlightRead r;
  r.value = std::move(flight);
  return r;
}

}  // namespace

FlightRead ReadFlightText(std::string_view text) {
  Lines lines(text);
  return ReadLines(lines, {}, nullptr);
}

std::uint64_t HashValueLines(std::string_view text) {
  Lines lines(text);
  ValueHash hash;
  std::string_view line;
  bool terminated = false;
  while (lines.next(line, terminated)) hash.line(line, terminated);
  return hash.value();
}

FlightRead ReadFlightFile(const std::string& path, const std::function<void(const Flight&)>& headerRead) {
  return ReadFlightFile(path, headerRead, nullptr);
}

FlightRead ReadFlightFile(const std::string& path, const std::function<void(const Flight&)>& headerRead,
                          std::uint64_t* valueHash) {
  ValueHash hash;
  FlightRead read = detail::ReadFileLines(path, [&](Lines& lines) {
    return ReadLines(lines, headerRead, valueHash ? &hash : nullptr);
  });
  if (valueHash && read.ok()) *valueHash = hash.value();
  return read;
}

namespace detail {

FlightRead ReadFileLines(const std::string& path, const std::function<FlightRead(Lines&)>& read) {
  bool notRegular = false;
  std::FILE* file = platform::openRegularFile(path, &notRegular);
  if (!file) {
    FlightRead r = failure(0, notRegular ? "the file " + path + " is " + platform::kNotRegularFile
                                         : "the file " + path + " cannot be opened");
    if (!notRegular) r.line = kUnreadFile;
    return r;
  }
  std::size_t size = 0;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long end = std::ftell(file);
    if (end > 0) size = static_cast<std::size_t>(end);
    std::fseek(file, 0, SEEK_SET);
  }
  Lines lines(file, size);
  FlightRead result;
  bool noRoom = false;
  try {
    result = read(lines);
  } catch (const std::bad_alloc&) {
    noRoom = true;  // this file's rows need more memory than there is: the next file may not
  } catch (const std::length_error&) {
    noRoom = true;
  }
  const bool failed = lines.readFailed() || std::ferror(file) != 0;
  std::fclose(file);
  if (noRoom) {
    FlightRead r = failure(0, "the file " + path + " cannot be read: there is not enough memory for its values");
    r.line = kUnreadFile;
    return r;
  }
  if (failed) {
    FlightRead r = failure(0, "the file " + path + " cannot be read");
    r.line = kUnreadFile;
    return r;
  }
  return result;
}

}  // namespace detail

}  // namespace varnix::flight
