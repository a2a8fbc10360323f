// SPDX-License-Identifier: MIT
// What the catalog's two halves share: opening its database (catalog.cpp)
// and bringing it up to date (catalog_update.cpp).
#pragma once

#include <cstdint>
#include <string>

#include "store/catalog.h"
#include "store/flight_files.h"

namespace varnix::store {

// The database of the data folder `folder` in the user's cache folder (the
// folder made when missing); empty without a cache folder.
std::string CacheDatabase(const std::string& folder);

// Stored as the modification time of a file that could not be opened or
// read: it never matches, so every update tries the file again.
inline constexpr std::int64_t kTryAgain = -1;

struct Catalog::Known {
  std::int64_t size, modified, analysis;
};

// A file read for the index, with the modification time stored for it.
struct Catalog::ReadEntry {
  const FlightFileOnDisk* disk;
  CatalogEntry entry;
  std::int64_t modified;
};

}  // namespace varnix::store
