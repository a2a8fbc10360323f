// SPDX-License-Identifier: MIT
#include "flight/csv_cells.h"

namespace varnix::flight {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::vector<std::string> CsvCells(std::string_view line, bool* unclosed) {
  std::vector<std::string> cells;
  std::string cell;
  bool inQuotes = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (inQuotes) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        inQuotes = false;
      } else {
        cell += c;
      }
    } else if (c == '"' && trim(cell).empty()) {
      cell.clear();
      inQuotes = true;
    } else if (c == ',') {
      cells.emplace_back(trim(cell));
      cell.clear();
    } else {
      cell += c;
    }
  }
  cells.emplace_back(trim(cell));
  if (unclosed) *unclosed = inQuotes;
  return cells;
}

}  // namespace varnix::flight
