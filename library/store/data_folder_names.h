// SPDX-License-Identifier: MIT
// The names that mean something in a data folder: the files the logbook
// lists as flights, the aircraft folders it looks into, and the names of
// its own files, which no flight and no aircraft may take.
#pragma once

#include <string>
#include <string_view>

namespace varnix::store {

inline constexpr const char* kCatalogFileName = "varnix-catalog.sqlite";
// Kept for the aircraft's maintenance records.
inline constexpr const char* kMaintenanceFileName = "maintenance.csv";

// Whether the logbook lists a file of this name as a flight: an extension
// ".csv" in any case (a name that is only ".csv" has none), and no reserved
// name (the maintenance file's).
bool IsFlightFileName(std::string_view name);

// Why no flight file and no aircraft folder may take this name (the
// catalog's files, an aircraft's limits, acknowledgements or maintenance
// file; in any case), e.g. "is the aircraft's limits file"; empty when it may.
std::string ReservedNameReason(std::string_view name);

// Why the logbook would not list an aircraft folder of this name (empty,
// beginning with a dot, reserved); empty when it would.
std::string UnlistedFolderReason(std::string_view name);

}  // namespace varnix::store
