// SPDX-License-Identifier: GPL-3.0-or-later
// What expanding a dump would do, learnt before it is expanded: the flight
// data library the road uses decodes the dump, with recovery, without
// writing anything (ExpandDataFilePreview), and says which flights it would
// write after a damaged one and which lie in their folder already. Nothing
// anywhere is created or touched.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "frontend/flight_library.h"

namespace varnix::frontend {

struct ExpansionPreview {
  // Flights after a damaged one that an expansion with recovery writes;
  // 0 for a dump without damage.
  std::size_t recoverable = 0;
  // The flights, as "Flt#<number>", whose file (the same flight number and
  // start, under any suffix) lies in the user folder already: expanding the
  // dump again would write second copies.
  std::vector<std::string> alreadyThere;
};

ExpansionPreview previewExpansion(FlightLibrary& library, const std::string& dump, const std::string& dataFolder);

}  // namespace varnix::frontend
