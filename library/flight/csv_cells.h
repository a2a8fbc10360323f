// SPDX-License-Identifier: MIT
// The cells of one CSV line as a spreadsheet writes them: a cell in double
// quotes may hold commas, and "" in it stands for one quote; each cell is
// trimmed of the blanks around it. The avionics reader's header lines and
// the maintenance file are read through it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnix::flight {

// `unclosed`, when given, is set when a quoted cell runs to the end of the
// line without its closing quote (the cell then holds the rest of the line).
std::vector<std::string> CsvCells(std::string_view line, bool* unclosed = nullptr);

}  // namespace varnix::flight
