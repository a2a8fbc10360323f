// SPDX-License-Identifier: MIT
// The typed channels of a flight CSV file as the expansion writes it: from
// its column titles ("E1", "LCHT"... as the monitor names them) and the
// units of its fifth line.
#pragma once

#include <string>
#include <vector>

#include "flight/channels.h"

namespace varnix::flight {

struct FlightFacts;

std::vector<Channel> NativeChannels(const std::vector<std::string>& titles, const FlightFacts& facts);

}  // namespace varnix::flight
