// SPDX-License-Identifier: MIT
#include "flight/avionics_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

#include "flight/fnv_hash.h"
#include "flight/text_lines.h"
#include "flight/civil_date.h"
#include "flight/csv_cells.h"
#include "flight/time_axis.h"

namespace varnix::flight {

namespace {

using detail::Lines;

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();
constexpr std::string_view kMark = "#airframe_info";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// A G3X writes a few hundred columns with long titles; rows pad their cells
// with blanks to a dozen bytes or so. Longer lines are damage.
constexpr std::size_t kHeaderLineBytes = 32768;
constexpr std::size_t kRowBytesBase = 64;
constexpr std::size_t kCellBytes = 48;
constexpr std::size_t kNotedRows = 10;
constexpr long long kSecondsPerDay = 86400;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// A row's cell: trimmed, its quotes (a spreadsheet's) taken off.
std::string_view rowCell(std::string_view cell) {
  cell = trim(cell);
  if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') cell = trim(cell.substr(1, cell.size() - 2));
  return cell;
}

template <typename Number>
bool parseWhole(std::string_view s, Number& value) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && ptr == s.data() + s.size() && ptr != s.data();
}

// Three numbers apart by `sep`: "2022-04-17", "17/04/2022", "12:48:47".
bool parseTriple(std::string_view s, char sep, int& a, int& b, int& c) {
  const std::size_t one = s.find(sep);
  if (one == std::string_view::npos) return false;
  const std::size_t two = s.find(sep, one + 1);
  if (two == std::string_view::npos) return false;
  return parseWhole(s.substr(0, one), a) && parseWhole(s.substr(one + 1, two - one - 1), b) &&
         parseWhole(s.substr(two + 1), c);
}

using Date = CivilDate;

bool isCivil(int year, int month, int day) {
  if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  return day <= DaysInMonth(year, month);
}

// The flight deck writes yyyy-mm-dd.
std::optional<Date> parseIsoDate(std::string_view s) {
  Date d;
  if (parseTriple(s, '-', d.year, d.month, d.day) && isCivil(d.year, d.month, d.day)) return d;
  return std::nullopt;
}

// A date as a spreadsheet re-saves it, a/b/yyyy: month/day or day/month,
// which the reader settles for the whole file (see Reader::settleDays).
struct SlashDate {
  int first = 0, second = 0, year = 0;
  bool monthFirst() const { return isCivil(year, first, second); }
  bool dayFirst() const { return isCivil(year, second, first); }
};

std::optional<SlashDate> parseSlashDate(std::string_view s) {
  SlashDate d;
  if (parseTriple(s, '/', d.first, d.second, d.year) && (d.monthFirst() || d.dayFirst())) return d;
  return std::nullopt;
}

// A UTC offset as the deck writes it ("+02:00", "-05:00"; "+2", "-0530"
// read too), in seconds.
std::optional<int> parseOffset(std::string_view s) {
  if (s.empty() || (s.front() != '+' && s.front() != '-')) return std::nullopt;
  const int sign = s.front() == '-' ? -1 : 1;
  s.remove_prefix(1);
  int h = 0, m = 0;
  if (const std::size_t colon = s.find(':'); colon != std::string_view::npos) {
    if (!parseWhole(s.substr(0, colon), h) || s.size() - colon != 3 || !parseWhole(s.substr(colon + 1), m)) return std::nullopt;
  } else if (s.size() == 4) {
    if (!parseWhole(s.substr(0, 2), h) || !parseWhole(s.substr(2), m)) return std::nullopt;
  } else if (!parseWhole(s, h) || s.size() > 2) {
    return std::nullopt;
  }
  if (h < 0 || h > 14 || m < 0 || m > 59) return std::nullopt;
  return sign * (h * 3600 + m * 60);
}

std::optional<int> parseClock(std::string_view s) {
  int h = 0, m = 0, sec = 0;
  if (!parseTriple(s, ':', h, m, sec) || h < 0 || h > 23 || m < 0 || m > 59 || sec < 0 || sec > 60) return std::nullopt;
  return h * 3600 + m * 60 + std::min(sec, 59);
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Column titles compared without blanks or case: "Lcl Date", "LclDate".
std::string squeezed(std::string_view s) {
  std::string out;
  for (char c : lower(s))
    if (c != ' ' && c != '_') out += c;
  return out;
}

Unit unitFromText(std::string_view written) {
  const std::string u = lower(trim(written));
  struct Named {
    std::string_view text;
    Unit unit;
  };
  static constexpr Named kUnits[] = {
      {"deg f", Unit::DegreesF},   {"degf", Unit::DegreesF},       {"°f", Unit::DegreesF},
      {"deg c", Unit::DegreesC},   {"degc", Unit::DegreesC},       {"°c", Unit::DegreesC},
      {"gph", Unit::GallonsPerHour}, {"gal/hour", Unit::GallonsPerHour}, {"gal/hr", Unit::GallonsPerHour},
      {"lph", Unit::LitresPerHour},  {"l/hour", Unit::LitresPerHour},    {"l/hr", Unit::LitresPerHour},
      {"pph", Unit::PoundsPerHour},  {"lb/hour", Unit::PoundsPerHour},   {"lbs/hr", Unit::PoundsPerHour},
      {"hg", Unit::InchesHg},      {"inch", Unit::InchesHg},       {"inch hg", Unit::InchesHg},
      {"inhg", Unit::InchesHg},    {"in hg", Unit::InchesHg},      {"psi", Unit::Psi},
      {"volts", Unit::Volts},      {"volt", Unit::Volts},          {"amps", Unit::Amps},
      {"amp", Unit::Amps},         {"rpm", Unit::Rpm},             {"%", Unit::Percent},
      {"ft", Unit::Feet},          {"ft msl", Unit::Feet},         {"ft wgs", Unit::Feet},
      {"ft baro", Unit::Feet},     {"feet", Unit::Feet},           {"kt", Unit::Knots},
      {"knots", Unit::Knots},      {"fpm", Unit::FeetPerMinute},   {"ft/min", Unit::FeetPerMinute},
      {"degrees", Unit::Degrees},  {"gals", Unit::Gallons},        {"gal", Unit::Gallons},
      {"lbs", Unit::Pounds},       {"liters", Unit::Litres},       {"litres", Unit::Litres},
  };
  for (const Named& n : kUnits)
    if (n.text == u) return n.unit;
  return Unit::None;
}

// Units of columns that hold text, not numbers.
bool isTextUnit(std::string_view written) {
  const std::string u = lower(trim(written));
  return u == "ident" || u == "enum" || u == "yyy-mm-dd" || u == "yyyy-mm-dd" || u == "hh:mm:ss" || u == "hh:mm";
}

struct Known {
  std::string_view name;  // squeezed
  ChannelKind kind;
  int sensor;
};

// Short titles (and the G3X's long ones, without their unit) of the columns kept as typed channels.
constexpr Known kKnown[] = {
    {"fflow", ChannelKind::FuelFlow, 0},       {"fuelflow", ChannelKind::FuelFlow, 0},
    {"oilt", ChannelKind::OilTemperature, 0},  {"oiltemp", ChannelKind::OilTemperature, 0},
    {"oilp", ChannelKind::OilPressure, 0},     {"oilpress", ChannelKind::OilPressure, 0},
    {"fpres", ChannelKind::FuelPressure, 0},   {"fuelpress", ChannelKind::FuelPressure, 0},
    {"map", ChannelKind::Map, 0},              {"manifoldpress", ChannelKind::Map, 0},
    {"rpm", ChannelKind::Rpm, 0},              {"%pwr", ChannelKind::PowerPercent, 0},
    {"percentpower", ChannelKind::PowerPercent, 0},
    {"volt1", ChannelKind::Battery, 1},        {"volt2", ChannelKind::Battery, 2},
    {"volts", ChannelKind::Battery, 0},        {"amp1", ChannelKind::Amps, 1},
    {"amp2", ChannelKind::Amps, 2},            {"amps", ChannelKind::Amps, 0},
    {"fqtyl", ChannelKind::FuelLevel, 1},      {"fqtyr", ChannelKind::FuelLevel, 2},
    {"fqty1", ChannelKind::FuelLevel, 1},      {"fqty2", ChannelKind::FuelLevel, 2},
    {"oat", ChannelKind::Oat, 0},              {"altind", ChannelKind::Altitude, 0},
    {"altb", ChannelKind::Altitude, 0},  // the older G1000's baro-corrected altitude
    {"altmsl", ChannelKind::Altitude, 1},      {"altgps", ChannelKind::Altitude, 2},
    {"ias", ChannelKind::Airspeed, 0},         {"tas", ChannelKind::Airspeed, 1},
    {"gndspd", ChannelKind::GroundSpeed, 0},   {"vspd", ChannelKind::VerticalSpeed, 0},
    {"latitude", ChannelKind::Latitude, 0},    {"longitude", ChannelKind::Longitude, 0},
    // The G3X Touch's long titles, for a column whose short key is left empty.
    {"enginepower", ChannelKind::PowerPercent, 0}, {"fuelqtyl", ChannelKind::FuelLevel, 1},
    {"fuelqtyr", ChannelKind::FuelLevel, 2},   {"outsideairtemp", ChannelKind::Oat, 0},
    {"baroaltitude", ChannelKind::Altitude, 0}, {"gpsaltitude", ChannelKind::Altitude, 2},
    {"indicatedairspeed", ChannelKind::Airspeed, 0}, {"trueairspeed", ChannelKind::Airspeed, 1},
    {"gpsgroundspeed", ChannelKind::GroundSpeed, 0}, {"verticalspeed", ChannelKind::VerticalSpeed, 0},
};

// The unit of a kind that has only one, for a column that writes none (the
// G3X Touch's "RPM", "Latitude (deg)").
Unit onlyUnitOf(ChannelKind kind) {
  switch (kind) {
    case ChannelKind::Rpm: return Unit::Rpm;
    case ChannelKind::Latitude:
    case ChannelKind::Longitude: return Unit::Degrees;
    default: return Unit::None;
  }
}

struct Column {
  Channel channel;
  int engineNumber = 0;  // 1, 2 from "E1 "/"E2 "; 0 without
  std::size_t cell = 0;  // its cell in a row
  std::size_t numbers = 0, texts = 0;
};

// A title's name and the unit in its parentheses: "Oil Temp (deg F)" is
// "Oil Temp" in "deg F"; "RPM" has no unit.
struct TitleParts {
  std::string_view name, unit;
};
TitleParts splitTitle(std::string_view title) {
  const std::string_view t = trim(title);
  if (const std::size_t open = t.rfind(" ("); open != std::string_view::npos && t.back() == ')')
    return {trim(t.substr(0, open)), t.substr(open + 2, t.size() - open - 3)};
  return {t, {}};
}

// The kind, engine number and cylinder a title names; the unit in its
// parentheses, if any, into `unit`.
Column classify(std::string_view title, std::string& unit) {
  Column col;
  const TitleParts parts = splitTitle(title);
  if (!parts.unit.empty()) unit = std::string(parts.unit);
  std::string_view t = parts.name;
  if (t.size() > 3 && t[0] == 'E' && (t[1] == '1' || t[1] == '2') && t[2] == ' ') {
    col.engineNumber = t[1] - '0';
    t = trim(t.substr(3));
  }
  const std::string s = squeezed(t);
  if (s.size() == 4 && s[3] >= '1' && s[3] <= '9') {
    const std::string_view base = std::string_view(s).substr(0, 3);
    const ChannelKind kind = base == "cht" ? ChannelKind::Cht : base == "egt" ? ChannelKind::Egt
                             : base == "tit" ? ChannelKind::Tit : ChannelKind::Other;
    if (kind != ChannelKind::Other) {
      col.channel.kind = kind;
      col.channel.cylinder = s[3] - '0';
      return col;
    }
  }
  for (const Known& k : kKnown)
    if (k.name == s) {
      col.channel.kind = k.kind;
      col.channel.sensor = k.sensor;
      break;
    }
  return col;
}

// What a reading of `kind` can be, in °F for temperatures; outside it the
// sensor is broken or missing (unused CHT inputs read near 12,000 °F).
struct Range {
  double low, high;
};
std::optional<Range> plausible(const Channel& c) {
  std::optional<Range> r;
  switch (c.kind) {
    case ChannelKind::Egt:
    case ChannelKind::Tit:
    case ChannelKind::Cht: r = Range{-40, 2000}; break;
    case ChannelKind::OilTemperature: r = Range{-40, 400}; break;
    case ChannelKind::Oat: r = Range{-100, 160}; break;
    case ChannelKind::OilPressure:
    case ChannelKind::FuelPressure: r = Range{-5, 250}; break;
    case ChannelKind::FuelFlow: r = Range{-5, 500}; break;
    case ChannelKind::Rpm: r = Range{-10, 10000}; break;
    case ChannelKind::Map: r = Range{-1, 80}; break;
    case ChannelKind::PowerPercent: r = Range{-5, 200}; break;
    case ChannelKind::Battery: r = Range{-1, 60}; break;
    case ChannelKind::Amps: r = Range{-400, 400}; break;
    default: return std::nullopt;
  }
  if (c.unit == Unit::DegreesC) r = Range{(r->low - 32) * 5 / 9, (r->high - 32) * 5 / 9};
  return r;
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

FlightRead failure(int line, std::string why) {
  return FlightRead::failed(line > 0 ? "line " + std::to_string(line) + ": " + why : why, line);
}

FlightRead tooLong(const Lines& lines, std::size_t limit) {
  return failure(lines.number(), "the line is longer than " + std::to_string(limit) +
                                     " bytes, longer than any line of an avionics log");
}

class ValueHash {
 public:
  void line(std::string_view text, bool terminated) {
    hash_.add(text);
    if (terminated) hash_.add('\n');
  }
  std::uint64_t value() const { return hash_.value(); }

 private:
  Fnv1a hash_;
};

// The airframe line's key="value" pairs. A G3X Touch names no airframe but
// its display ("product") and writes "software_version".
void readAirframe(const std::vector<std::string>& cells, FlightFacts& f) {
  std::string name, product, system, software, displaySoftware, ident;
  for (std::size_t i = 1; i < cells.size(); ++i) {
    const std::string_view cell = cells[i];
    const std::size_t eq = cell.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string key = lower(trim(cell.substr(0, eq)));
    std::string_view value = trim(cell.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = trim(value.substr(1, value.size() - 2));
    if (key == "airframe_name") name = value;
    if (key == "product") product = value;
    if (key == "system_id") system = value;
    if (key == "unit_software_version") software = value;
    if (key == "software_version") displaySoftware = value;
    if ((key == "aircraft_ident" || key == "tail_number") && ident.empty()) ident = value;
  }
  if (software.empty()) software = displaySoftware;
  f.aircraft = !ident.empty() ? ident : name;
  f.airframe = name;
  f.systemId = system;
  f.identification = !name.empty() ? name : product;
  if (!system.empty()) f.identification += (f.identification.empty() ? "" : " ") + std::string("System ") + system;
  if (!software.empty()) f.identification += (f.identification.empty() ? "" : " ") + std::string("Software ") + software;
}

// Whether a line after the titles is a row of names (the G3X's aliases),
// not values: by its shape, names in two cells or more and no cell that
// reads as a number, a date or a time of day. (A row of values may begin
// with a word: a waypoint column first.)
bool isNameRow(const std::vector<std::string>& cells) {
  std::size_t names = 0;
  for (const std::string& cell : cells) {
    if (cell.empty()) continue;
    float number = 0;
    if (cell[0] == '#' || parseWhole(std::string_view(cell), number) || parseIsoDate(cell) || parseSlashDate(cell) ||
        parseClock(cell))
      return false;
    ++names;
  }
  return names >= 2;
}

std::string_view fuelUnitText(Unit u) {
  switch (u) {
    case Unit::GallonsPerHour: return "GPH";
    case Unit::LitresPerHour: return "LPH";
    case Unit::PoundsPerHour: return "PPH";
    case Unit::KilogramsPerHour: return "KPH";
    default: return "GPH";
  }
}

class Reader {
 public:
  Reader(Lines& lines, const std::function<void(const Flight&)>& headerRead, ValueHash* hash)
      : lines_(lines), headerRead_(headerRead), hash_(hash) {}

  FlightRead read();

 private:
  FlightRead header(std::optional<std::vector<std::string>>& firstRow, int& firstRowLine, bool& firstRowEnded);
  std::optional<FlightRead> row(std::string_view line, int n, bool terminated);
  FlightRead finish();
  std::optional<FlightRead> settleDays();

  // The first line of a/b/yyyy dates that one order of day and month cannot read.
  struct Unread {
    int line = 0;
    std::string text;
  };

  Lines& lines_;
  const std::function<void(const Flight&)>& headerRead_;
  ValueHash* hash_;
  FlightFacts facts_;
  std::vector<Column> columns_;
  std::size_t cellCount_ = 0;
  std::size_t dateCell_ = std::string::npos, timeCell_ = std::string::npos, offsetCell_ = std::string::npos;
  Columns values_;
  std::vector<long long> day_;   // per row: days since 1970, or kNoDay (a/b/yyyy dates: see slash_)
  std::vector<int> clock_;       // per row: seconds after midnight, local
  std::vector<int> offset_;      // per row: the UTC offset's seconds, or kNoOffset
  std::vector<int> line_;        // per row: its line
  std::vector<SlashDate> slash_;  // the a/b/yyyy dates, in row order (their rows' day_ is kSlashDay)
  Unread monthFirstUnread_, dayFirstUnread_;
  bool orderMatters_ = false;    // an a/b/yyyy date with a != b
  std::size_t untimedAtStart_ = 0, untimedLater_ = 0;
  int firstUntimedLine_ = 0;  // the first row left out for want of a time
  int titlesLine_ = 3;        // 2 in the G3X Touch's layout
  int aliasesLine_ = 0;       // the row of short keys, 0 without
  int headerEnd_ = 3;         // the last line before the rows: the titles, or the aliases
  std::vector<std::string> notes_;
  std::vector<std::string_view> cells_;
  static constexpr long long kNoDay = std::numeric_limits<long long>::min();
  static constexpr long long kSlashDay = kNoDay + 1;
  static constexpr int kNoOffset = std::numeric_limits<int>::min();
};

// The header has one of two layouts. The flight decks write a "#" line of
// units on line 2, the titles on line 3 and, on a G3X of older software, a
// row of short keys on line 4. The G3X Touch writes no units line: long
// titles with their units in parentheses on line 2, the short keys on line
// 3 (some left empty). Either way the first row may follow on line 4.
FlightRead Reader::header(std::optional<std::vector<std::string>>& firstRow, int& firstRowLine, bool& firstRowEnded) {
  std::string_view line;
  bool terminated = false;
  lines_.setLimit(kHeaderLineBytes);
  std::vector<std::string> units, titles, aliases;
  bool unitsLine = true;
  for (int n = 1; n <= 4; ++n) {
    if (!lines_.next(line, terminated) || (!terminated && n < 4)) {
      if (lines_.tooLong()) return tooLong(lines_, kHeaderLineBytes);
      if (n == 4) break;  // a log without rows
      return failure(n, n == 1 ? "the file is empty or not a flight file" : "the file ends inside its header");
    }
    if (n == 1 && startsWith(line, kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    std::vector<std::string> cells = CsvCells(line);
    switch (n) {
      case 1:
        if (cells[0] != kMark) return failure(n, "not an avionics log: expected \"#airframe_info,\"");
        readAirframe(cells, facts_);
        break;
      case 2:
        if (!cells[0].empty() && cells[0][0] == '#') {
          cells[0].erase(0, 1);
          units = std::move(cells);
        } else {
          unitsLine = false;
          titles = std::move(cells);
          titlesLine_ = n;
        }
        break;
      case 3:
        if (unitsLine) {
          titles = std::move(cells);
        } else if (isNameRow(cells)) {
          aliases = std::move(cells);
          aliasesLine_ = headerEnd_ = n;
        } else {
          return failure(n, "not an avionics log: expected the units line starting with \"#\" on line 2, or the "
                            "short column keys below the titles of line 2");
        }
        break;
      case 4:
        if (unitsLine && isNameRow(cells)) {
          aliases = std::move(cells);  // the value lines begin after them
          aliasesLine_ = headerEnd_ = n;
        } else {
          firstRow = std::move(cells);
          firstRowLine = n;
          firstRowEnded = terminated;
          if (hash_) hash_->line(line, terminated);
        }
        break;
    }
  }
  while (!titles.empty() && titles.back().empty()) titles.pop_back();
  if (titles.empty()) return failure(titlesLine_, "not an avionics log: expected the column titles");
  cellCount_ = titles.size();
  for (std::size_t i = 0; i < titles.size(); ++i) {
    const TitleParts title = splitTitle(titles[i]);
    const std::string s = squeezed(title.name);
    const std::string a = i < aliases.size() ? squeezed(aliases[i]) : std::string();
    auto is = [&](std::string_view key, std::string_view longTitle) { return a == key || s == key || s == longTitle; };
    if (is("lcldate", "date")) { dateCell_ = i; continue; }
    if (is("lcltime", "time")) { timeCell_ = i; continue; }
    if (is("utcofst", "utcoffset")) { offsetCell_ = i; continue; }
    // The units line's unit, else the one in the title's parentheses.
    const std::string_view written = unitsLine ? (i < units.size() ? std::string_view(units[i]) : std::string_view())
                                               : title.unit;
    if (isTextUnit(written) || titles[i].empty()) continue;
    // The short alias names the channel where it is known; else the title does.
    std::string unitInTitle;
    Column col;
    std::string name;
    if (i < aliases.size() && !aliases[i].empty()) {
      col = classify(aliases[i], unitInTitle);
      name = aliases[i];
    }
    if (col.channel.kind == ChannelKind::Other) {
      std::string u;
      Column byTitle = classify(titles[i], u);
      if (byTitle.channel.kind != ChannelKind::Other || name.empty()) {
        col = byTitle;
        unitInTitle = u;
        name = titles[i];  // a known title keeps its name beside an alias that names nothing known
      }
    } else {
      std::string u;
      classify(titles[i], u);
      if (unitInTitle.empty()) unitInTitle = u;
    }
    col.channel.name = name;
    col.channel.unit = unitFromText(written);
    if (col.channel.unit == Unit::None) col.channel.unit = unitFromText(unitInTitle);
    if (col.channel.unit == Unit::None) col.channel.unit = onlyUnitOf(col.channel.kind);
    if (col.channel.kind == ChannelKind::PowerPercent) col.channel.unit = Unit::Percent;
    col.cell = i;
    columns_.push_back(std::move(col));
  }
  if (timeCell_ == std::string::npos) return failure(titlesLine_, "not an avionics log: no \"Lcl Time\" column");
  // Two columns of one name would be one channel to every reader of the flight.
  std::vector<std::string_view> names;
  for (const Column& col : columns_) names.emplace_back(col.channel.name);
  std::sort(names.begin(), names.end());
  if (const auto twice = std::adjacent_find(names.begin(), names.end()); twice != names.end())
    return failure(aliases.empty() ? titlesLine_ : aliasesLine_,
                   "the column title \"" + std::string(*twice) + "\" is there twice");
  return {};
}

std::optional<FlightRead> Reader::row(std::string_view line, int n, bool terminated) {
  cells_.clear();
  for (std::size_t start = 0;;) {
    const std::size_t comma = line.find(',', start);
    cells_.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  while (cells_.size() > cellCount_ && rowCell(cells_.back()).empty()) cells_.pop_back();
  if (cells_.size() < cellCount_ && !terminated) {
    notes_.push_back("The last line (" + std::to_string(n) + ") is incomplete, as in a file cut short; it was left out.");
    return std::nullopt;
  }
  if (cells_.size() != cellCount_)
    return failure(n, "the line has " + std::to_string(cells_.size()) + " values, the titles name " +
                          std::to_string(cellCount_));
  const std::optional<int> clock = parseClock(rowCell(cells_[timeCell_]));
  if (!clock && rowCell(cells_[timeCell_]).empty()) {
    // Before the flight deck has a time (no GPS fix yet) a row carries no engine data worth a place.
    if (clock_.empty()) {
      if (untimedAtStart_++ == 0) firstUntimedLine_ = n;
      return std::nullopt;
    }
    ++untimedLater_;
  } else if (!clock) {
    return failure(n, "the time \"" + std::string(rowCell(cells_[timeCell_])) + "\" is not a time of day");
  }
  long long day = kNoDay;
  if (dateCell_ != std::string::npos) {
    const std::string_view text = rowCell(cells_[dateCell_]);
    if (!text.empty()) {
      if (const std::optional<Date> d = parseIsoDate(text)) {
        day = DaysFromCivil(*d);
      } else if (const std::optional<SlashDate> a = parseSlashDate(text)) {
        day = kSlashDay;
        slash_.push_back(*a);
        orderMatters_ = orderMatters_ || a->first != a->second;
        if (!a->monthFirst() && monthFirstUnread_.line == 0) monthFirstUnread_ = {n, std::string(text)};
        if (!a->dayFirst() && dayFirstUnread_.line == 0) dayFirstUnread_ = {n, std::string(text)};
      } else {
        return failure(n, "the date \"" + std::string(text) + "\" is not a date");
      }
    }
  }
  int offset = kNoOffset;
  if (offsetCell_ != std::string::npos) {
    const std::string_view text = rowCell(cells_[offsetCell_]);
    if (!text.empty()) {
      const std::optional<int> o = parseOffset(text);
      if (!o) return failure(n, "the UTC offset \"" + std::string(text) + "\" is not an offset such as +02:00");
      offset = *o;
      if (facts_.utcOffset.empty()) facts_.utcOffset = text;
    }
  }

  // Room for as many rows as the rest could hold at this row's length, up to
  // a first block: a short first row (a blank one, before the deck has its
  // data) promises rows that never come; the block grows with those read.
  if (clock_.empty()) values_.reserveUpTo(columns_.size(), (lines_.remaining() / (line.size() + 1)) * 9 / 8 + 64);
  values_.makeRoom();
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    Column& col = columns_[c];
    const std::string_view text = rowCell(cells_[col.cell]);
    float v = kNoValue;
    if (!text.empty()) {
      if (parseWhole(text, v) && std::isfinite(v)) {
        ++col.numbers;
      } else {
        v = kNoValue;
        ++col.texts;
      }
    }
    values_.next(c) = v;
  }
  values_.addRow();
  day_.push_back(day);
  clock_.push_back(clock.value_or(-1));
  offset_.push_back(offset);
  line_.push_back(n);
  return std::nullopt;
}

FlightRead Reader::read() {
  std::optional<std::vector<std::string>> firstCells;
  int firstLine = 0;
  bool firstEnded = true;
  if (FlightRead bad = header(firstCells, firstLine, firstEnded); !bad.problem.empty()) return bad;

  lines_.setLimit(kRowBytesBase + kCellBytes * cellCount_);
  std::string firstText;
  if (firstCells) {
    // The fourth line was a row: joined again, as `row` splits what it gets.
    for (std::size_t i = 0; i < firstCells->size(); ++i) firstText += (i ? "," : "") + (*firstCells)[i];
    if (std::optional<FlightRead> bad = row(firstText, firstLine, firstEnded)) return std::move(*bad);
  }
  std::string_view line;
  bool terminated = false;
  while (lines_.next(line, terminated)) {
    const int n = lines_.number();
    if (hash_) hash_->line(line, terminated);
    if (trim(line).empty()) continue;
    if (std::optional<FlightRead> bad = row(line, n, terminated)) return std::move(*bad);
  }
  if (lines_.tooLong()) return tooLong(lines_, kRowBytesBase + kCellBytes * cellCount_);
  return finish();
}

// The days of the a/b/yyyy dates, read in one order for the whole file:
// month first, as the flight deck's makers write dates, unless a date of
// the file cannot be read so (a day after the 12th first); a file that
// neither order reads is refused at the line that leaves it none. A file
// whose dates could be read either way is noted as guessed. A log with no
// date at all is refused: its day is not known, and no day is made up.
std::optional<FlightRead> Reader::settleDays() {
  if (!slash_.empty()) {
    const bool dayFirst = monthFirstUnread_.line > 0;
    if (dayFirst && dayFirstUnread_.line > 0) {
      const Unread& last = monthFirstUnread_.line > dayFirstUnread_.line ? monthFirstUnread_ : dayFirstUnread_;
      return failure(last.line, "the date \"" + last.text + "\" is not a date in the order of day and month of the dates before it");
    }
    std::size_t next = 0;
    for (long long& day : day_)
      if (day == kSlashDay) {
        const SlashDate& a = slash_[next++];
        day = DaysFromCivil(dayFirst ? Date{a.year, a.second, a.first} : Date{a.year, a.first, a.second});
      }
    if (!dayFirst && dayFirstUnread_.line == 0 && orderMatters_) {
      const SlashDate& a = *std::find_if(slash_.begin(), slash_.end(), [](const SlashDate& x) { return x.first != x.second; });
      notes_.push_back("The dates (such as " + std::to_string(a.first) + "/" + std::to_string(a.second) + "/" +
                       std::to_string(a.year) + ") read as month/day as well as day/month; they were taken as month/day/year.");
    }
  }
  if (std::none_of(day_.begin(), day_.end(), [](long long day) { return day != kNoDay; }))
    return failure(line_.front(), "no row of the log has a date (\"Lcl Date\"): the day of the flight is not known");
  return std::nullopt;
}

FlightRead Reader::finish() {
  Flight flight;
  flight.facts = facts_;
  flight.facts.reader = "avionics";
  FlightFacts& f = flight.facts;
  const std::size_t rows = clock_.size();
  // A log without rows is no flight of no hours: there is nothing to read.
  if (rows == 0)
    return untimedAtStart_ > 0 ? failure(firstUntimedLine_, "no row of the log has a time of day (\"Lcl Time\")")
                               : failure(headerEnd_, "the column titles are followed by no row");
  if (std::optional<FlightRead> bad = settleDays()) return std::move(*bad);

  // Which columns stay: a column that never holds a number carries nothing
  // (a second engine's columns in a single's log, a turbine's in a piston's,
  // a column of words); a second engine is there when any of its columns stays.
  std::vector<std::size_t> kept;
  bool twin = false;
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    if (columns_[c].numbers == 0) continue;
    kept.push_back(c);
    twin = twin || columns_[c].engineNumber == 2;
  }
  std::size_t notedRanges = 0;
  for (std::size_t c : kept) {
    Column& col = columns_[c];
    Channel& ch = col.channel;
    ch.engine = col.engineNumber == 0 || !twin ? Engine::Only : col.engineNumber == 1 ? Engine::Left : Engine::Right;
    const std::span<float> v = values_[c];
    if (col.texts > 0)
      notes_.push_back(std::to_string(col.texts) + " values of " + ch.name + " are not numbers; they were taken as no value.");
    if (ch.kind == ChannelKind::PowerPercent) {
      float most = -std::numeric_limits<float>::infinity();
      for (float x : v)
        if (!std::isnan(x)) most = std::max(most, x);
      // Some software versions write the share of full power (0 to about 1.15), others a percentage.
      if (most <= 1.5f) {
        for (float& x : v) x *= 100.0f;
        notes_.push_back(ch.name + " is written as a fraction of full power; it was taken times 100 as a percentage.");
      }
    }
    if (const std::optional<Range> r = plausible(ch)) {
      std::size_t out = 0;
      for (float& x : v)
        if (!std::isnan(x) && (x < r->low || x > r->high)) {
          x = kNoValue;
          ++out;
        }
      if (out > 0 && ++notedRanges <= kNotedRows)
        notes_.push_back(std::to_string(out) + (out == 1 ? " reading" : " readings") + " of " + ch.name + " outside " +
                         number(r->low) + " to " + number(r->high) + " " + std::string(UnitText(ch.unit)) +
                         (out == 1 ? " was" : " were") + " taken as no value.");
    }
  }

  flight.channels.reserve(kept.size());
  for (std::size_t c : kept) flight.channels.push_back(columns_[c].channel);
  f.engineUnit = 'F';
  for (ChannelKind k : {ChannelKind::Egt, ChannelKind::Cht, ChannelKind::Tit, ChannelKind::OilTemperature})
    if (const int c = FindChannel(flight.channels, k, Engine::Only, 0, true); c >= 0) {
      f.engineUnit = flight.channels[c].unit == Unit::DegreesC ? 'C' : 'F';
      break;
    }
  if (const int c = FindChannel(flight.channels, ChannelKind::Oat, Engine::Only, 0, true); c >= 0)
    f.outsideAirUnit = flight.channels[c].unit == Unit::DegreesF ? 'F' : 'C';
  if (const int c = FindChannel(flight.channels, ChannelKind::FuelFlow, Engine::Only, 0, true); c >= 0) {
    if (flight.channels[c].unit == Unit::None) flight.channels[c].unit = Unit::GallonsPerHour;
    f.fuelUnit = fuelUnitText(flight.channels[c].unit);
  }
  for (Channel& ch : flight.channels)
    if (ch.kind == ChannelKind::FuelLevel && ch.unit == Unit::None) ch.unit = FuelAmountUnit(flight.channels);

  flight.columns.reset(kept.size(), 0);
  if (headerRead_) headerRead_(flight);  // facts and channels, no rows yet

  if (kept.size() == columns_.size()) {
    flight.columns = std::move(values_);  // every column stays: the block is the flight's as it is
  } else {
    flight.columns.reset(kept.size(), rows);
    for (std::size_t r = 0; r < rows; ++r) {
      flight.columns.makeRoom();
      for (std::size_t k = 0; k < kept.size(); ++k) flight.columns.next(k) = values_[kept[k]][r];
      flight.columns.addRow();
    }
    values_ = Columns();  // the kept columns are the flight's now
  }

  // The day of every row: its own, else that of the row before (a day on
  // when its clock went back past midnight); rows before the first dated
  // row take that row's day (a day back when they were before midnight).
  std::size_t firstDated = rows;
  for (std::size_t r = 0; r < rows; ++r)
    if (day_[r] != kNoDay) {
      firstDated = r;
      break;
    }
  const long long day0 = day_[firstDated];
  for (std::size_t r = firstDated; r-- > 0;) {
    day_[r] = r + 1 < rows && day_[r + 1] != kNoDay ? day_[r + 1] : day0;
    if (clock_[r] >= 0 && r + 1 < rows && clock_[r + 1] >= 0 && clock_[r] > clock_[r + 1] + kSecondsPerDay / 2) --day_[r];
  }
  for (std::size_t r = firstDated + 1; r < rows; ++r)
    if (day_[r] == kNoDay) {
      day_[r] = day_[r - 1];
      if (clock_[r] >= 0 && clock_[r - 1] >= 0 && clock_[r] + kSecondsPerDay / 2 < clock_[r - 1]) ++day_[r];
    }

  // The clock of every timed row in UTC, where the log says its offset (a
  // row without one has that of the row before, rows before the first
  // offset the first): a local clock stepping at the change to summer time
  // is no step of the recording.
  int offset = 0;
  for (int o : offset_)
    if (o != kNoOffset) {
      offset = o;
      break;
    }
  std::vector<std::optional<long long>> utc(rows);
  for (std::size_t r = 0; r < rows; ++r) {
    if (offset_[r] != kNoOffset) offset = offset_[r];
    if (clock_[r] >= 0) utc[r] = day_[r] * kSecondsPerDay + clock_[r] - offset;
  }

  // The interval: the typical step forward between timed rows.
  {
    std::vector<long long> steps;
    for (std::size_t r = 1; r < rows; ++r)
      if (utc[r] && utc[r - 1] && *utc[r] > *utc[r - 1]) steps.push_back(*utc[r] - *utc[r - 1]);
    f.interval = static_cast<int>(std::min<long long>(detail::TypicalStep(steps), std::numeric_limits<int>::max()));
  }

  // Seconds by the clock, never going back and never jumping (time_axis.h).
  // A clock that steps back (the deck sets it from the GPS, a few seconds at
  // a time) is a correction, as a step forward past a gap is: the row is
  // placed one interval after the row before, and the rows after it follow
  // the clock from there. A row without a time is one interval after the row
  // before.
  flight.seconds.reserve(rows);
  detail::TimeAxis axis(f.interval);
  std::size_t corrections = 0, gaps = 0;
  for (std::size_t r = 0; r < rows; ++r) {
    const detail::TimeAxis::Placed placed = axis.add(utc[r]);
    if (placed == detail::TimeAxis::Placed::Back && ++corrections <= kNotedRows)
      notes_.push_back("row " + std::to_string(r + 1) + ": the clock goes back " + std::to_string(axis.jump()) +
                       " s from the row before; the row was placed one interval after that row, the rows after it follow on.");
    if (placed == detail::TimeAxis::Placed::Gap && ++gaps <= kNotedRows)
      notes_.push_back(detail::GapNote("line " + std::to_string(line_[r]), axis.jump()));
    flight.seconds.push_back(static_cast<double>(axis.seconds()));
  }
  if (corrections > kNotedRows)
    notes_.push_back(std::to_string(corrections - kNotedRows) + " more steps back of the clock were followed on the same way.");
  if (gaps > kNotedRows)
    notes_.push_back(std::to_string(gaps - kNotedRows) + " more gaps in the clock were not counted the same way.");
  if (untimedAtStart_ > 0)
    notes_.push_back(std::to_string(untimedAtStart_) + (untimedAtStart_ == 1 ? " row" : " rows") +
                     " before the first time of day were left out.");
  if (untimedLater_ > 0)
    notes_.push_back(std::to_string(untimedLater_) + (untimedLater_ == 1 ? " row" : " rows") +
                     " without a time were placed one interval after the row before.");

  const Date d = CivilFromDays(day_[0]);
  f.year = d.year;
  f.month = d.month;
  f.day = d.day;
  f.hours = clock_[0] / 3600;
  f.minutes = clock_[0] / 60 % 60;
  f.seconds = clock_[0] % 60;
  flight.startOfDay = clock_[0];
  // A log is whole once written: nothing like the expansion's duration line
  // is filled in later, so its duration is the rows' span.
  f.durationHours = flight.seconds.back() / 3600.0;
  flight.notes = std::move(notes_);
  FlightRead result;
  result.value = std::move(flight);
  return result;
}

}  // namespace

bool LooksLikeAvionicsLog(std::string_view firstBytes) {
  if (startsWith(firstBytes, kByteOrderMark)) firstBytes.remove_prefix(kByteOrderMark.size());
  if (startsWith(firstBytes, "\"")) firstBytes.remove_prefix(1);  // re-saved by a spreadsheet
  return startsWith(firstBytes, kMark);
}

FlightRead ReadAvionicsText(std::string_view text) {
  Lines lines(text);
  return Reader(lines, {}, nullptr).read();
}

std::uint64_t HashAvionicsValueLines(std::string_view text) {
  Lines lines(text);
  ValueHash hash;
  return Reader(lines, {}, &hash).read().ok() ? hash.value() : 0;
}

FlightRead ReadAvionicsFile(const std::string& path, const std::function<void(const Flight&)>& headerRead,
                            std::uint64_t* valueHash) {
  ValueHash hash;
  FlightRead read = detail::ReadFileLines(path, [&](Lines& lines) {
    return Reader(lines, headerRead, valueHash ? &hash : nullptr).read();
  });
  if (valueHash && read.ok()) *valueHash = hash.value();
  return read;
}

}  // namespace varnix::flight
