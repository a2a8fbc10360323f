// SPDX-License-Identifier: MIT
#include "store/data_folder_names.h"

#include "analysis/acknowledgements.h"
#include "analysis/limits.h"

namespace varnix::store {

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

bool IsFlightFileName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  // maintenance.csv ends as a flight does, and is the owner's log.
  return dot != std::string_view::npos && dot > 0 && sameIgnoringCase(name.substr(dot), ".csv") &&
         ReservedNameReason(name).empty();
}

std::string ReservedNameReason(std::string_view name) {
  const std::string catalog = kCatalogFileName;
  for (const std::string& own : {catalog, catalog + "-wal", catalog + "-shm", catalog + "-journal"})
    if (sameIgnoringCase(name, own)) return "is a name of the flight catalog's own files";
  if (sameIgnoringCase(name, analysis::kLimitsFileName)) return "is the aircraft's limits file";
  if (sameIgnoringCase(name, analysis::kAcknowledgedFileName)) return "is the aircraft's acknowledgements file";
  if (sameIgnoringCase(name, kMaintenanceFileName)) return "is kept for the aircraft's maintenance records";
  return {};
}

std::string UnlistedFolderReason(std::string_view name) {
  if (name.empty()) return "is empty";
  if (name.front() == '.') return "begins with a dot, and the logbook skips such folders";
  return ReservedNameReason(name);
}

}  // namespace varnix::store
