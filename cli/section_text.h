// SPDX-License-Identifier: GPL-3.0-or-later
// The analyses' sections (analysis/result_sections.h) as terminal text, for
// varnix-cli analyze: each section's title, then its lines and its table
// indented beneath it.
#pragma once

#include <string>

#include "analysis/result_sections.h"

namespace varnix::cli {

// A time is the clock time of that moment (the flight's first row at
// `startOfDay`, seconds after midnight), a duration h:mm:ss, as the flight
// window and the report write them (the JSON keeps its `_s` seconds); a figure is written with its unit, or bare under a
// column title that carries it ("Max CHT (°F)"); a tone is not drawn (the
// verdicts are words already). A table's columns are aligned, figures to
// the right; every text is made safe for a terminal (terminalText).
std::string sectionsText(const analysis::ResultSections& sections, double startOfDay);

}  // namespace varnix::cli
