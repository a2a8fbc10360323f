// SPDX-License-Identifier: GPL-3.0-or-later
#include "section_text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <vector>

#include "flight_json.h"
#include "flight/clock_text.h"
#include "frontend/report/report_content.h"

namespace varnix::cli {

namespace {

using analysis::ResultCell;
using Kind = ResultCell::Kind;

constexpr const char* kIndent = "  ";
constexpr const char* kGap = "  ";  // between two columns
constexpr const char* kUnknown = "-";

bool inSeconds(const ResultCell& c) { return c.kind == Kind::Time || c.kind == Kind::Duration; }
bool figure(const ResultCell& c) { return c.kind == Kind::Value || inSeconds(c); }

// A cell's text: with its unit, or bare where its column's title carries one.
std::string cellText(const ResultCell& c, bool unitInTitle, double startOfDay) {
  switch (c.kind) {
    case Kind::Text: return c.text;
    case Kind::Value: {
      const std::string n = frontend::report::NumberText(c.value, c.decimals);
      if (n.empty()) return kUnknown;
      return unitInTitle || c.unit.empty() ? n : n + " " + c.unit;
    }
    case Kind::Time: return std::isfinite(c.value) ? flight::ClockText(startOfDay + c.value) : kUnknown;
    case Kind::Duration: return std::isfinite(c.value) ? flight::DurationText(c.value) : kUnknown;
    case Kind::Phase: return analysis::NameWords(analysis::PhaseName(c.phase), true);
  }
  return {};
}

// The characters a terminal shows for UTF-8 text (its code points).
std::size_t shownWidth(std::string_view utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char ch) { return (static_cast<unsigned char>(ch) & 0xC0) != 0x80; }));
}

void appendLine(std::string& out, std::string line) {
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out += kIndent;
  out += line;
  out += '\n';
}

struct Column {
  std::string title;
  bool unitInTitle = false;
  bool right = false;  // figures stand to the right
  std::size_t width = 0;
};

void appendTable(std::string& out, const analysis::ResultSection& s, double startOfDay) {
  std::size_t count = s.columns.size();
  for (const analysis::ResultRow& r : s.rows) count = std::max(count, r.cells.size());
  std::vector<Column> columns(count);
  for (std::size_t i = 0; i < count; ++i) {
    Column& c = columns[i];
    const std::string unit = i < s.columns.size() ? s.columns[i].unit : std::string();
    for (const analysis::ResultRow& r : s.rows)
      if (i < r.cells.size()) c.right = c.right || figure(r.cells[i]);
    c.unitInTitle = !unit.empty();
    c.title = terminalText(i < s.columns.size() ? s.columns[i].title : std::string());
    if (c.unitInTitle) c.title += " (" + unit + ")";
    c.width = shownWidth(c.title);
  }
  std::vector<std::vector<std::string>> cells;
  for (const analysis::ResultRow& r : s.rows) {
    std::vector<std::string> row(count);
    for (std::size_t i = 0; i < r.cells.size(); ++i) {
      row[i] = terminalText(cellText(r.cells[i], columns[i].unitInTitle, startOfDay));
      columns[i].width = std::max(columns[i].width, shownWidth(row[i]));
    }
    cells.push_back(std::move(row));
  }
  const auto line = [&](const auto& textOf) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
      const std::string& t = textOf(i);
      const std::string pad(columns[i].width - shownWidth(t), ' ');
      if (i > 0) text += kGap;
      text += columns[i].right ? pad + t : t + pad;
    }
    appendLine(out, std::move(text));
  };
  line([&](std::size_t i) -> const std::string& { return columns[i].title; });
  for (const std::vector<std::string>& row : cells) line([&](std::size_t i) -> const std::string& { return row[i]; });
}

}  // namespace

std::string sectionsText(const analysis::ResultSections& sections, double startOfDay) {
  std::string out;
  for (const analysis::ResultSection& s : sections) {
    out += terminalText(s.title);
    out += '\n';
    for (const analysis::ResultLine& line : s.lines) {
      std::string text;
      for (const ResultCell& c : line) text += cellText(c, false, startOfDay);
      appendLine(out, terminalText(text));
    }
    if (s.rows.empty() && !s.empty.empty()) appendLine(out, terminalText(s.empty));
    if (!s.rows.empty()) appendTable(out, s, startOfDay);
  }
  return out;
}

}  // namespace varnix::cli
