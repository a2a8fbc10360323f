// SPDX-License-Identifier: MIT
#include "flight/flight_reader.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/platform.h"

namespace varnix::flight {

namespace {

constexpr float kNotAvailable = std::numeric_limits<float>::quiet_NaN();
constexpr int kHeaderLines = 7;
constexpr long kSecondsPerDay = 86400;

// Walks a text line by line; a line ends at LF, a CR before it is dropped.
// The text is whole in memory, or read from a file a block at a time, so
// that a long flight's text never sits in memory beside its columns. A line
// stays valid until the next call.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text), size_(text.size()) {}
  Lines(std::FILE* file, std::size_t size) : file_(file), size_(size) { buffer_.resize(kBlock); }

  // False at the end of the text. `terminated` says whether the line had its line end.
  bool next(std::string_view& line, bool& terminated) {
    std::size_t end = text_.find('\n', pos_);
    while (end == std::string_view::npos && file_ && !atEnd_) {
      const std::size_t searched = text_.size() - pos_;
      refill();
      end = text_.find('\n', searched);
    }
    if (pos_ >= text_.size()) return false;
    terminated = end != std::string_view::npos;
    std::size_t stop = terminated ? end : text_.size();
    line = text_.substr(pos_, stop - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = terminated ? end + 1 : text_.size();
    ++number_;
    return true;
  }
  int number() const { return number_; }
  // Bytes not walked yet (for a file, as its size said when it was opened).
  std::size_t remaining() const {
    const std::size_t walked = consumed_ + pos_;
    return size_ > walked ? size_ - walked : 0;
  }
  bool readFailed() const { return failed_; }

 private:
  static constexpr std::size_t kBlock = 256 * 1024;

  // Keeps the unwalked tail, reads on after it; a line longer than half the
  // buffer doubles it.
  void refill() {
    const std::size_t kept = text_.size() - pos_;
    if (kept > buffer_.size() / 2) buffer_.resize(buffer_.size() * 2);
    std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
    const std::size_t room = buffer_.size() - kept;
    const std::size_t got = std::fread(buffer_.data() + kept, 1, room, file_);
    if (got < room) {
      atEnd_ = true;
      failed_ = std::ferror(file_) != 0;
    }
    consumed_ += pos_;
    text_ = std::string_view(buffer_.data(), kept + got);
    pos_ = 0;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;
  std::FILE* file_ = nullptr;
  std::size_t size_ = 0;
  std::size_t consumed_ = 0;  // bytes dropped from the buffer's front
  std::string buffer_;
  bool atEnd_ = false;
  bool failed_ = false;
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
  FlightRead r;
  r.line = line;
  r.problem = line > 0 ? "line " + std::to_string(line) + ": " + why : why;
  return r;
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
  return parsePlainDecimal(s, value) || parseNumber(s, value);
}

FlightRead ReadLines(Lines& lines, const std::function<void(const Flight&)>& headerRead) {
  Flight flight;
  FlightFacts& f = flight.facts;
  std::string_view line;
  bool terminated = false;

  for (int n = 1; n <= kHeaderLines; ++n) {
    if (!lines.next(line, terminated) || !terminated)
      return failure(n, n == 1 ? "the file is empty or not a flight file" : "the file ends inside its header");
    const std::optional<std::string_view> body = quoted(line);
    bool ok = true;
    switch (n) {
      case 1: ok = body.has_value(); break;
      case 2: ok = body.has_value(); if (ok) f.identification = std::string(*body); break;
      case 3:
        ok = body && startsWith(*body, "Aircraft Number ");
        if (ok) f.aircraft = std::string(body->substr(16));
        break;
      case 4: ok = body && parseFlightLine(*body, f); break;
      case 5: ok = body && parseUnitsLine(*body, f); break;
      case 6: ok = body && parseDurationLine(*body, f); break;
      case 7: ok = parseTitles(line, flight.channels) && !flight.channels.empty(); break;
    }
    if (!ok) {
      static const char* const kExpected[] = {"", "a quoted first line", "the identification line",
                                              "\"Aircraft Number ...\"", "\"Flight #... date time\"",
                                              "\"Eng Deg ... OAT Deg ...\"", "\"Duration ...\"",
                                              "the column titles starting with \"TIME\""};
      return failure(n, std::string("not a flight file: expected ") + kExpected[n]);
    }
  }

  // The seconds are reserved once, for as many rows as the rest could hold
  // at the shortest a row can be ("0:0:0" and a one-character value per
  // channel, MARK's may be empty): reserved room that no row fills is never
  // touched, so it costs no memory. The values' block is reserved from the
  // first row's length instead, as it may be backed by large pages, where
  // room shared with filled rows costs memory.
  const std::size_t channelCount = flight.channels.size();
  const int mark = flight.channelIndex("MARK");
  const std::size_t shortestRow = 8 + 2 * channelCount - (mark >= 0 ? 1 : 0);
  flight.seconds.reserve(lines.remaining() / shortestRow + 1);
  flight.columns.reset(channelCount, 0);
  flight.startOfDay = f.hours * 3600.0 + f.minutes * 60.0 + f.seconds;  // until the first row says
  if (headerRead) headerRead(flight);

  long previousClock = 0;
  double elapsed = 0;
  int blankLine = 0;  // a blank line is allowed only at the very end
  while (lines.next(line, terminated)) {
    const int n = lines.number();
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
    if (flight.seconds.empty()) flight.columns.reset(channelCount, (lines.remaining() / (line.size() + 1)) * 9 / 8 + 64);
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
        return failure(n, "the value of " + flight.channels[c] + " is not a number or \"NA\"");
    }
    if (!s.empty())
      return failure(n, "the line has more values than the titles name (" + std::to_string(channelCount) + ")");
    const long clock = h * 3600L + m * 60L + sec;
    if (flight.seconds.empty()) {
      flight.startOfDay = static_cast<double>(clock % kSecondsPerDay);
    } else {
      // The clock starts again at 0:0:0 after midnight.
      elapsed += static_cast<double>(((clock - previousClock) % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay);
    }
    previousClock = clock;
    flight.seconds.push_back(elapsed);
    flight.columns.addRow();
  }
  if (f.interval <= 0 && flight.rows() > 1) f.interval = static_cast<int>(flight.seconds[1] - flight.seconds[0]);

  FlightRead r;
  r.flight = std::move(flight);
  return r;
}

}  // namespace

FlightRead ReadFlightText(std::string_view text) {
  Lines lines(text);
  return ReadLines(lines, {});
}

FlightRead ReadFlightFile(const std::string& path, const std::function<void(const Flight&)>& headerRead) {
  std::FILE* file = platform::openFile(path, "rb");
  if (!file) return failure(0, "the file " + path + " cannot be opened");
  std::size_t size = 0;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long end = std::ftell(file);
    if (end > 0) size = static_cast<std::size_t>(end);
    std::fseek(file, 0, SEEK_SET);
  }
  Lines lines(file, size);
  FlightRead read = ReadLines(lines, headerRead);
  const bool failed = lines.readFailed() || std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return failure(0, "the file " + path + " cannot be read");
  return read;
}

}  // namespace varnix::flight
