// SPDX-License-Identifier: MIT
// The catalog's view of a data folder: every flight file in its aircraft
// folders (the subfolders not hidden), in path order, with what tells
// whether it changed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnix::store {

struct FlightFileOnDisk {
  std::string rel;     // "folder/name", the catalog's key
  std::string folder;  // the aircraft folder
  std::string path;    // the whole path
  std::int64_t size = 0, modified = 0;
  bool settled = true;  // unchanged for long enough not to be still written
};

// A FIFO or device under a flight's name is listed too (size 0; it is
// never opened); a dangling link is not.
std::vector<FlightFileOnDisk> ListFlightFiles(const std::string& dataFolder);

}  // namespace varnix::store
