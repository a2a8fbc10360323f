// SPDX-License-Identifier: GPL-3.0-or-later
// A data folder's catalog brought up to date, and its entries by aircraft
// folder: what logbook and report --aircraft list from. An index that could
// not be brought up to date (a full disk, a catalog busy past the wait)
// would list some flights as if they were all, so it is a failure.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/catalog.h"

namespace varnix::cli {

struct CatalogRead {
  std::unique_ptr<flight::Catalog> catalog;
  std::map<std::string, std::vector<flight::CatalogEntry>> entries;  // by aircraft folder
};

// Nothing when the catalog cannot be opened, updated or read: the problem
// is said on stderr, and the command exits with kFlightCannotOpen.
std::optional<CatalogRead> readCatalog(const std::string& dataFolder);

}  // namespace varnix::cli
