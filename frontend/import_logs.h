// SPDX-License-Identifier: GPL-3.0-or-later
// Importing flight files (avionics engine data logs, or flight CSV files)
// into an aircraft's folder of the data folder: the one road that
// `varnix-cli import` and the logbook window's "Import flight logs…" take.
// A file is imported only when a flight reader takes it; nothing is ever
// overwritten (a name taken by other bytes gets the next duplicate suffix, as
// the expansion names its files); a file whose bytes are there already, under
// its name or a suffixed one, is skipped; every copy reaches the disk whole
// before it is named.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "flight/outcome.h"

namespace varnix::frontend {

enum class ImportOutcome {
  Imported,      // copied into the aircraft's folder
  AlreadyThere,  // the same bytes are there already
  NotAFlight,    // no flight reader takes it (or it cannot be read): `message` says why
  NotCopied,     // the copy failed, or every name is taken: `message` says why
};

struct ImportedFile {
  std::string source;
  std::string target;   // the file in the aircraft's folder (imported or already there)
  ImportOutcome outcome = ImportOutcome::NotAFlight;
  std::string message;  // one line for the user
};

// What an import did, file by file: a file not imported is a result with
// its reason, not a failure of the import.
struct ImportedFiles {
  std::string folder;  // the aircraft's folder
  std::vector<ImportedFile> files;
};
// The files, or why nothing could be imported (the aircraft or the data folder).
using ImportResult = flight::Outcome<ImportedFiles>;

// 0 every file imported or already there; 1 nothing could be imported
// (the result's problem); 2 a file is no flight file; 3 a file could not be copied.
int ImportExitCode(const ImportResult& result);

// One line for a status bar: how many files were imported and why the others
// were not ("Imported 1 of 3 file(s); 1 already there, identical; 1 not a
// flight log."), or why nothing could be.
std::string ImportSummary(const ImportResult& result);

inline constexpr int kImportUnusableTarget = 1;
inline constexpr int kImportNotAFlight = 2;
inline constexpr int kImportNotCopied = 3;

// The folder of the aircraft `aircraftId` below `dataFolder`, which must
// exist, named as the expansion names user folders; an id that cannot
// safely name a folder, or names one the logbook would not list, is refused,
// as is a folder that is a link. `make`: a missing aircraft folder is made;
// otherwise it is a problem (`missing`). Imports and the maintenance log take this road.
struct AircraftFolderFound {
  std::string path;
  bool missing = false;  // the id is fine, its folder is not there (and was not to be made)
};
using AircraftFolderResult = flight::Outcome<AircraftFolderFound>;
AircraftFolderResult AircraftFolder(std::string_view aircraftId, const std::string& dataFolder, bool make);

// Imports `files` into the folder the aircraft id names (the folder naming
// the expansion uses for user ids; an id that cannot safely name a folder
// is refused) below `dataFolder`, which must exist. `stopAsked`, when given,
// is asked before each file: once it says yes, the files not begun are left
// out of the result (a copy begun is finished first, never left half made).
ImportResult ImportFlightFiles(const std::vector<std::string>& files, std::string_view aircraftId,
                               const std::string& dataFolder, const std::function<bool()>& stopAsked = {});

}  // namespace varnix::frontend
