// SPDX-License-Identifier: GPL-3.0-or-later
// A data folder's catalog brought up to date, and its entries by aircraft
// folder, each judged under its folder's limits as it is read: what logbook
// and report --aircraft list from. An index that could not be brought up to
// date (a full disk, a catalog busy past the wait) would list some flights
// as if they were all, so it is a failure.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/aircraft_rules.h"
#include "store/catalog.h"
#include "store/logbook.h"

namespace varnix::cli {

struct CatalogRead {
  std::unique_ptr<store::Catalog> catalog;
  std::vector<std::string> folders;                                  // catalog->aircraftFolders()
  std::map<std::string, analysis::AircraftRules> rules;                // by aircraft folder
  std::map<std::string, std::vector<store::JudgedEntry>> entries;  // by aircraft folder
};

// Nothing when the catalog cannot be opened, updated or read: the problem
// is said on stderr, and the command exits with kFlightCannotOpen.
std::optional<CatalogRead> readCatalog(const std::string& dataFolder);

}  // namespace varnix::cli
