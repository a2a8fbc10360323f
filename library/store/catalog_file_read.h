// SPDX-License-Identifier: MIT
// One flight file read into its catalog entry, for the catalog's update and
// for an entry stored damaged. Never throws: a file that cannot be read for
// any reason, memory included (its analysis may want more than there is),
// is one unreadable entry with its reason, read again by the next update.
#pragma once

#include <optional>
#include <string>

#include "store/catalog_entry.h"

namespace varnix::store {

struct CatalogFileRead {
  std::optional<CatalogEntry> entry;  // empty: the file is gone since the folder was listed
  bool tryAgain = false;              // the file could not be opened or read: the next update tries it again
};

CatalogFileRead ReadCatalogFile(const std::string& path) noexcept;

}  // namespace varnix::store
