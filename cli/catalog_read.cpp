// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalog_read.h"

#include "commands.h"
#include "flight_json.h"

namespace varnix::cli {

std::optional<CatalogRead> readCatalog(const std::string& dataFolder) {
  auto [catalog, problem] = store::Catalog::open(dataFolder);
  if (!catalog) {
    reportMessage(terminalText(problem));
    return std::nullopt;
  }
  const store::CatalogUpdate update = catalog->update();
  if (!update.ok()) {
    reportMessage(terminalText("The flight catalog could not be brought up to date: " + update.problem));
    return std::nullopt;
  }
  CatalogRead read;
  read.folders = catalog->aircraftFolders();
  const auto rulesOf = [&](const std::string& folder) -> const analysis::AircraftRules& {
    auto it = read.rules.find(folder);
    if (it == read.rules.end())
      it = read.rules.emplace(folder, analysis::ReadAircraftRules(catalog->dataFolder() + "/" + folder)).first;
    return it->second;
  };
  for (const std::string& folder : read.folders) rulesOf(folder);
  // Entries come in path order, a folder's together.
  std::vector<store::JudgedEntry>* list = nullptr;
  const analysis::LimitsFile* limits = nullptr;
  std::string listed;
  const flight::Done all = catalog->eachEntry({}, [&](store::CatalogEntry&& e) {
    if (!list || e.folder != listed) {
      listed = e.folder;
      list = &read.entries[listed];
      limits = &rulesOf(listed).limits;
    }
    list->push_back(store::JudgeEntry(std::move(e), *limits));
  });
  if (!all.ok()) {
    reportMessage(terminalText("The flight catalog cannot be read: " + all.problem));
    return std::nullopt;
  }
  read.catalog = std::move(catalog);
  return read;
}

}  // namespace varnix::cli
