// SPDX-License-Identifier: GPL-3.0-or-later
// The analyses' sections (analysis/result_sections.h) as terminal text, for
// varnix-cli analyze: each section's title, then its lines and its table
// indented beneath it.
#pragma once

#include <string>

#include "analysis/result_sections.h"

namespace varnix::cli {

// A time or a duration is whole seconds ("504 s"), as the JSON's `_s`
// members give it; a figure is written with its unit, or bare under a
// column title that carries it ("Max CHT (°F)"); a tone is not drawn (the
// verdicts are words already). A table's columns are aligned, figures to
// the right; every text is made safe for a terminal (terminalText).
std::string sectionsText(const analysis::ResultSections& sections);

}  // namespace varnix::cli
