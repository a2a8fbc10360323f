// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalog_read.h"

#include "commands.h"
#include "store/logbook.h"

namespace varnix::cli {

std::optional<CatalogRead> readCatalog(const std::string& dataFolder) {
  auto [catalog, problem] = flight::Catalog::open(dataFolder);
  if (!catalog) {
    reportMessage(problem);
    return std::nullopt;
  }
  const flight::CatalogUpdate update = catalog->update();
  if (!update.problem.empty()) {
    reportMessage("The flight catalog could not be brought up to date: " + update.problem);
    return std::nullopt;
  }
  auto [all, unread] = catalog->entries();
  if (!unread.empty()) {
    reportMessage("The flight catalog cannot be read: " + unread);
    return std::nullopt;
  }
  return CatalogRead{std::move(catalog), flight::EntriesByFolder(std::move(all))};
}

}  // namespace varnix::cli
