// SPDX-License-Identifier: MIT
#include "store/maintenance_log.h"

#include <array>
#include <charconv>
#include <cmath>

#include "flight/civil_date.h"
#include "flight/csv_cells.h"
#include "platform/output_file.h"
#include "platform/utf8.h"
#include "store/data_folder_names.h"
#include "store/fleet.h"

namespace varnix::store {

namespace {

enum class Quantity { None, Optional, Required, Reading };
enum class Cylinder { None, Optional, Required };
// What the text's first word must be: nothing in particular, one of `words`, a channel's name.
enum class Word { Free, OneOf, Channel };

// What each kind takes. A kind is one row.
struct KindRule {
  MaintenanceKind kind;
  std::string_view name;
  Quantity quantity;
  std::array<std::string_view, 2> units;  // empty: any unit word
  Cylinder cylinder;
  Word word;
  std::array<std::string_view, 3> words;
};

constexpr KindRule kRules[] = {
    {MaintenanceKind::OilChange, "oil_change", Quantity::Optional, {"qt", "L"}, Cylinder::None, Word::Free, {}},
    {MaintenanceKind::OilAdded, "oil_added", Quantity::Required, {"qt", "L"}, Cylinder::None, Word::Free, {}},
    {MaintenanceKind::FuelFill, "fuel_fill", Quantity::Required, {"gal", "L"}, Cylinder::None, Word::Free, {}},
    {MaintenanceKind::Plugs, "plugs", Quantity::None, {}, Cylinder::Optional, Word::OneOf,
     {"cleaned", "replaced", "rotated"}},
    {MaintenanceKind::Injector, "injector", Quantity::None, {}, Cylinder::Optional, Word::OneOf, {"cleaned", "replaced"}},
    {MaintenanceKind::Cylinder, "cylinder", Quantity::None, {}, Cylinder::Required, Word::OneOf,
     {"replaced", "overhauled"}},
    {MaintenanceKind::Magneto, "magneto", Quantity::None, {}, Cylinder::None, Word::OneOf, {"timed", "replaced"}},
    {MaintenanceKind::Borescope, "borescope", Quantity::None, {}, Cylinder::Required, Word::OneOf,
     {"good", "watch", "repair"}},
    {MaintenanceKind::Compression, "compression", Quantity::Reading, {"psi"}, Cylinder::Required, Word::Free, {}},
    {MaintenanceKind::Probe, "probe", Quantity::None, {}, Cylinder::Optional, Word::Channel, {}},
    {MaintenanceKind::Inspection, "inspection", Quantity::None, {}, Cylinder::None, Word::OneOf, {"annual", "100-hour"}},
    {MaintenanceKind::Other, "other", Quantity::Optional, {}, Cylinder::Optional, Word::Free, {}},
};

constexpr auto kKinds = [] {
  std::array<MaintenanceKind, std::size(kRules)> kinds{};
  for (std::size_t i = 0; i < kinds.size(); ++i) kinds[i] = kRules[i].kind;
  return kinds;
}();

const KindRule& ruleOf(MaintenanceKind kind) {
  for (const KindRule& r : kRules)
    if (r.kind == kind) return r;
  return kRules[std::size(kRules) - 1];
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string quoted(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  out.append(s);
  out += '"';
  return out;
}

// A plain decimal: digits, and a point with digits after it.
std::optional<double> decimal(std::string_view s) {
  const std::size_t point = s.find('.');
  if (!digits(s.substr(0, point)) || (point != std::string_view::npos && !digits(s.substr(point + 1)))) return {};
  double value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return {};
  return value;
}

bool wordEnd(char c) { return blank(c) || c == ',' || c == ':' || c == ';'; }

// The text's words: split at blanks, commas, colons and semicolons.
std::string_view nthWord(std::string_view text, int n) {
  std::size_t at = 0;
  for (int i = 0;; ++i) {
    while (at < text.size() && wordEnd(text[at])) ++at;
    std::size_t end = at;
    while (end < text.size() && !wordEnd(text[end])) ++end;
    if (i == n || end == at) return text.substr(at, end - at);
    at = end;
  }
}

// Why `text` cannot be an entry's text, empty when it can.
std::string textProblem(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) return "holds a line break or another control character";
    const std::size_t n = platform::utf8SequenceLength(text, i);
    if (n == 0) return "is not UTF-8 text";
    i += n;
  }
  return {};
}

bool channelName(std::string_view word) {
  if (word.empty() || word.size() > 8) return false;
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (!letter(word.front())) return false;
  for (char c : word)
    if (!letter(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

std::string listed(std::span<const std::string_view> words) {
  std::string out;
  for (std::string_view w : words) {
    if (w.empty()) continue;
    if (!out.empty()) out += ", ";
    out += w;
  }
  return out;
}

std::string number(double value) {
  char buf[32];
  const auto [end, error] = std::to_chars(buf, buf + sizeof buf, value);
  return error == std::errc() ? std::string(buf, end) : std::string();
}

struct Problem {
  std::string field, text;
};

// The checks of ParseMaintenanceFields, filling `e`.
std::optional<Problem> parseInto(const MaintenanceFields& f, MaintenanceEntry& e) {
  if (!flight::IsIsoDay(f.date)) return Problem{"date", quoted(f.date) + " is not a day as YYYY-MM-DD, such as 2026-11-12"};
  e.date = f.date;
  if (!f.tach.empty()) {
    e.tach = decimal(f.tach);
    if (!e.tach || *e.tach > 99999.9)
      return Problem{"tach", quoted(f.tach) + " is not a number of hours, such as 1234.5"};
  }
  const std::optional<MaintenanceKind> kind = MaintenanceKindOfName(f.kind);
  if (!kind) {
    std::string names;
    for (const KindRule& r : kRules) {
      if (!names.empty()) names += ", ";
      names += r.name;
    }
    return Problem{"kind", quoted(f.kind) + " is not a kind of entry (" + names + ")"};
  }
  e.kind = *kind;
  const KindRule& rule = ruleOf(e.kind);
  if (!f.engine.empty()) {
    if (f.engine.size() != 1 || (lower(f.engine[0]) != 'l' && lower(f.engine[0]) != 'r'))
      return Problem{"engine", quoted(f.engine) + " is not an engine: L (left) or R (right)"};
    e.engine = lower(f.engine[0]) == 'l' ? 'L' : 'R';
  }
  if (f.cylinder.empty()) {
    if (rule.cylinder == Cylinder::Required) return Problem{"cylinder", "a " + std::string(rule.name) + " entry names its cylinder"};
  } else {
    if (rule.cylinder == Cylinder::None)
      return Problem{"cylinder", "a " + std::string(rule.name) + " entry names no cylinder"};
    const int n = digits(f.cylinder) && f.cylinder.size() <= 2 ? std::stoi(f.cylinder) : 0;
    if (n < 1 || n > kMaintenanceCylinders)
      return Problem{"cylinder", quoted(f.cylinder) + " is not a cylinder from 1 to " + std::to_string(kMaintenanceCylinders)};
    e.cylinder = n;
  }
  if (f.quantity.empty()) {
    if (!f.unit.empty()) return Problem{"unit", "a unit without a quantity"};
    if (rule.quantity == Quantity::Required || rule.quantity == Quantity::Reading)
      return Problem{"quantity", "a " + std::string(rule.name) + " entry gives its quantity"};
  } else {
    if (rule.quantity == Quantity::None)
      return Problem{"quantity", "a " + std::string(rule.name) + " entry takes no quantity"};
    if (rule.quantity == Quantity::Reading) {
      const std::size_t slash = f.quantity.find('/');
      const std::string_view q = f.quantity;
      const bool ok = slash != std::string::npos && digits(q.substr(0, slash)) && digits(q.substr(slash + 1)) &&
                      slash <= 3 && q.size() - slash - 1 <= 3;
      const int pressure = ok ? std::stoi(f.quantity.substr(0, slash)) : 0;
      const int reference = ok ? std::stoi(f.quantity.substr(slash + 1)) : 0;
      if (!ok || reference == 0 || pressure > reference)
        return Problem{"quantity", quoted(f.quantity) + " is not a compression reading such as 74/80"};
      e.compression = CompressionReading{pressure, reference};
    } else {
      e.quantity = decimal(f.quantity);
      if (!e.quantity || *e.quantity <= 0 || *e.quantity > 100000)
        return Problem{"quantity", quoted(f.quantity) + " is not a quantity greater than 0, such as 1.5"};
    }
    if (f.unit.empty()) return Problem{"unit", "a quantity without its unit"};
    if (rule.units[0].empty()) {
      if (f.unit.find_first_of(" \t,\"") != std::string::npos || !textProblem(f.unit).empty())
        return Problem{"unit", quoted(f.unit) + " is not a unit: one word, such as h or ft"};
      e.unit = f.unit;
    } else {
      for (std::string_view u : rule.units)
        if (!u.empty() && sameIgnoringCase(u, f.unit)) e.unit = std::string(u);
      if (e.unit.empty())
        return Problem{"unit", quoted(f.unit) + " is not a unit of a " + std::string(rule.name) + " entry (" +
                                   listed(rule.units) + ")"};
    }
  }
  const std::string_view text = trim(f.text);
  if (const std::string why = textProblem(text); !why.empty()) return Problem{"text", why};
  e.text = std::string(text);
  const std::string_view first = nthWord(text, 0);
  if (rule.word == Word::OneOf) {
    bool known = false;
    for (std::string_view w : rule.words) known = known || (!w.empty() && sameIgnoringCase(w, first));
    if (!known)
      return Problem{"text", "a " + std::string(rule.name) + " entry's text begins with one of: " + listed(rule.words)};
    if (e.kind == MaintenanceKind::Magneto) {
      const std::string_view side = nthWord(text, 1);
      if (!sameIgnoringCase(side, "left") && !sameIgnoringCase(side, "right"))
        return Problem{"text", "a magneto entry's text names the magneto after what was done: \"timed left\", "
                               "\"replaced right\""};
    }
  } else if (rule.word == Word::Channel && !channelName(first)) {
    return Problem{"text", "a probe entry's text begins with the probe's channel, such as C3 or E3"};
  }
  return std::nullopt;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isHeader(const std::vector<std::string>& cells) {
  std::vector<std::string> titles = flight::CsvCells(kMaintenanceHeader);
  if (cells.size() != titles.size()) return false;
  for (std::size_t i = 0; i < cells.size(); ++i)
    if (!sameIgnoringCase(cells[i], titles[i])) return false;
  return true;
}

std::string fileOf(const std::string& folder) { return folder + "/" + kMaintenanceFileName; }

}  // namespace

std::span<const MaintenanceKind> MaintenanceKinds() { return kKinds; }

std::string_view MaintenanceKindName(MaintenanceKind kind) { return ruleOf(kind).name; }

std::optional<MaintenanceKind> MaintenanceKindOfName(std::string_view name) {
  for (const KindRule& r : kRules)
    if (sameIgnoringCase(r.name, name)) return r.kind;
  return std::nullopt;
}

std::vector<std::string_view> MaintenanceUnits(MaintenanceKind kind) {
  std::vector<std::string_view> out;
  for (std::string_view u : ruleOf(kind).units)
    if (!u.empty()) out.push_back(u);
  return out;
}

bool MaintenanceKindTakesQuantity(MaintenanceKind kind) { return ruleOf(kind).quantity != Quantity::None; }

MaintenanceParse ParseMaintenanceFields(const MaintenanceFields& fields) {
  MaintenanceEntry entry;
  if (std::optional<Problem> p = parseInto(fields, entry)) return {std::nullopt, {std::move(p->field), std::move(p->text)}};
  return {std::move(entry), {}};
}

std::string_view MaintenanceWord(const MaintenanceEntry& entry) {
  const KindRule& rule = ruleOf(entry.kind);
  if (rule.word == Word::Free && entry.kind != MaintenanceKind::FuelFill) return {};
  const std::string_view first = nthWord(entry.text, 0);
  if (entry.kind == MaintenanceKind::FuelFill) return sameIgnoringCase(first, "full") ? first : std::string_view{};
  return first;
}

std::string_view MagnetoSide(const MaintenanceEntry& entry) {
  return entry.kind == MaintenanceKind::Magneto ? nthWord(entry.text, 1) : std::string_view{};
}

bool IsFullFill(const MaintenanceEntry& entry) {
  return entry.kind == MaintenanceKind::FuelFill && !MaintenanceWord(entry).empty();
}

MaintenanceFile ParseMaintenance(std::string_view text) {
  MaintenanceFile file;
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (trim(line).empty()) continue;
    auto problem = [&](std::string what) { file.problems.push_back({number, std::move(what)}); };
    bool unclosed = false;
    const std::vector<std::string> cells = flight::CsvCells(line, &unclosed);
    if (number == 1 && isHeader(cells)) continue;
    if (number == 1) problem("is not the header line " + std::string(kMaintenanceHeader));
    if (unclosed) {
      problem("a quoted field has no closing quote");
      continue;
    }
    if (cells.size() != 8) {
      problem("has " + std::to_string(cells.size()) + " fields, not the 8 of " + std::string(kMaintenanceHeader));
      continue;
    }
    const MaintenanceFields fields{cells[0], cells[1], cells[2], cells[3], cells[4], cells[5], cells[6], cells[7]};
    MaintenanceParse parsed = ParseMaintenanceFields(fields);
    if (!parsed.entry) {
      problem(parsed.problem.field + ": " + parsed.problem.text);
      continue;
    }
    parsed.entry->line = number;
    file.entries.push_back(std::move(*parsed.entry));
  }
  return file;
}

MaintenanceFields MaintenanceFieldsOf(const MaintenanceEntry& e) {
  std::string quantity;
  if (e.compression)
    quantity = std::to_string(e.compression->pressure) + "/" + std::to_string(e.compression->reference);
  else if (e.quantity)
    quantity = number(*e.quantity);
  return {e.date,
          e.tach ? number(*e.tach) : std::string(),
          std::string(MaintenanceKindName(e.kind)),
          e.engine ? std::string(1, e.engine) : std::string(),
          e.cylinder ? std::to_string(*e.cylinder) : std::string(),
          quantity,
          e.unit,
          e.text};
}

std::string FormatMaintenance(const std::vector<MaintenanceEntry>& entries) {
  std::string out = std::string(kMaintenanceHeader) + "\n";
  for (const MaintenanceEntry& e : entries) {
    const MaintenanceFields f = MaintenanceFieldsOf(e);
    const std::string fields[] = {f.date, f.tach, f.kind, f.engine, f.cylinder, f.quantity, f.unit, f.text};
    std::string line;
    for (const std::string& f : fields) {
      if (!line.empty()) line += ',';
      line += CsvField(f);
    }
    out += line + "\n";
  }
  return out;
}

MaintenanceFile ReadMaintenance(const std::string& aircraftFolder) {
  MaintenanceFile file;
  file.path = fileOf(aircraftFolder);
  std::vector<analysis::LimitsProblem> problems;
  if (const std::optional<std::string> text = analysis::ReadFolderFile(file.path, problems, analysis::kFolderFileMost)) {
    MaintenanceFile parsed = ParseMaintenance(*text);
    file.entries = std::move(parsed.entries);
    file.problems = std::move(parsed.problems);
  }
  // The shared reader speaks of the limits' defaults; here nothing stands in for the file.
  constexpr std::string_view kDefaults = "; the defaults apply";
  for (const analysis::LimitsProblem& p : problems) {
    std::string_view text = p.text;
    if (text.ends_with(kDefaults)) text.remove_suffix(kDefaults.size());
    file.problems.push_back({p.line, std::string(text)});
    file.unreadable = true;
  }
  return file;
}

std::vector<std::string> MaintenanceProblemLines(const MaintenanceFile& file) {
  return analysis::LimitsProblemLines({.limits = {}, .path = file.path, .problems = file.problems, .engine = {}});
}

MaintenanceSaved SaveMaintenance(const std::string& aircraftFolder, const std::vector<MaintenanceEntry>& entries) {
  const std::string path = fileOf(aircraftFolder);
  auto stop = [](MaintenanceStop why, std::string text) { return MaintenanceSaved{why, std::move(text)}; };
  // Replacing a link would part the owner's file from the name they gave it.
  if (platform::isLink(path))
    return stop(MaintenanceStop::CannotWrite, path + ": is a link; the maintenance file is neither written through a "
                                                     "link nor put in its place");
  const MaintenanceFile there = ReadMaintenance(aircraftFolder);
  if (!there.problems.empty()) {
    std::string lines;
    for (const std::string& l : MaintenanceProblemLines(there)) {
      if (!lines.empty()) lines += '\n';
      lines += l;
    }
    return stop(there.unreadable ? MaintenanceStop::CannotRead : MaintenanceStop::Damaged,
                lines + (there.unreadable ? "" : "\nThe file is kept as it is: mend the line, and every other entry stays."));
  }
  const std::string text = FormatMaintenance(entries);
  // Every line written must read back as the entry it came from.
  const MaintenanceFile back = ParseMaintenance(text);
  bool same = back.problems.empty() && back.entries.size() == entries.size();
  for (std::size_t i = 0; same && i < entries.size(); ++i) {
    MaintenanceEntry e = entries[i];
    e.line = back.entries[i].line;
    same = e == back.entries[i];
  }
  if (!same) return stop(MaintenanceStop::CannotWrite, path + ": an entry would not read back as it is; nothing written");
  // What a save cut off (a killed program, a power cut) left beside the file.
  platform::removeLeftoverTemporaries(aircraftFolder,
                                      [](std::string_view name) { return sameIgnoringCase(name, kMaintenanceFileName); });
  const flight::Done done = analysis::SaveFolderFile(path, text);
  if (!done.ok()) return stop(MaintenanceStop::CannotWrite, done.problem);
  return {MaintenanceStop::None, {}};
}

MaintenanceSaved AddMaintenance(const std::string& aircraftFolder, const MaintenanceEntry& entry) {
  MaintenanceFile file = ReadMaintenance(aircraftFolder);
  file.entries.push_back(entry);
  return SaveMaintenance(aircraftFolder, file.entries);
}

}  // namespace varnix::store
