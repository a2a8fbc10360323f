// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/import_logs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "core/naming.h"
#include "flight/open_flight.h"
#include "platform/output_file.h"
#include "platform/platform.h"
#include "store/data_folder_names.h"

namespace varnix::frontend {

namespace {

std::string fileNameOf(const std::string& path) {
  const std::size_t cut = platform::lastSeparator(path);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

constexpr std::size_t kNameMax = 255;  // bytes of a file name

// The copy's name as the logbook lists it, split for the duplicate suffix:
// the source's name without its leading dots (a dot name is hidden, and
// ".csv" alone names no flight), its extension ".csv" unless it has that in
// some case already ("log.txt" is "log.csv", "log" too).
struct CopyName {
  std::string stem, ext;

  explicit CopyName(const std::string& source) {
    const std::size_t lead = source.find_first_not_of('.');
    const std::string name = lead == std::string::npos ? std::string() : source.substr(lead);
    const std::size_t dot = name.rfind('.');
    stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    ext = dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
    if (!store::IsFlightFileName("x" + ext)) ext = ".csv";
    if (stem.empty()) stem = "flight";
  }

  // With the duplicate suffix `index` ("logA.csv", as the expansion names
  // "F00101A.CSV"); the stem cut (at a whole character) where the suffix
  // would take the name past the system's limit.
  std::string with(int index) const {
    const std::string_view suffix = NameSuffix(index);
    std::size_t keep = std::min(stem.size(), kNameMax - ext.size() - suffix.size());
    while (keep > 0 && keep < stem.size() && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
    return stem.substr(0, keep) + std::string(suffix) + ext;
  }
};

// Whether two regular files hold the same bytes.
bool sameBytes(const std::string& a, const std::string& b) {
  std::FILE* fa = platform::openRegularFile(a, nullptr);
  if (!fa) return false;
  std::FILE* fb = platform::openRegularFile(b, nullptr);
  if (!fb) {
    std::fclose(fa);
    return false;
  }
  bool same = true;
  static constexpr std::size_t kBlock = 64 * 1024;
  std::vector<char> ba(kBlock), bb(kBlock);
  while (same) {
    const std::size_t na = std::fread(ba.data(), 1, kBlock, fa);
    const std::size_t nb = std::fread(bb.data(), 1, kBlock, fb);
    same = na == nb && std::memcmp(ba.data(), bb.data(), na) == 0 && !std::ferror(fa) && !std::ferror(fb);
    if (na < kBlock) break;
  }
  std::fclose(fa);
  std::fclose(fb);
  return same;
}

ImportedFile importOne(const std::string& source, const std::string& folder, const std::string& shownFolder) {
  ImportedFile r;
  r.source = source;
  const flight::FlightRead read = flight::OpenFlight(source);
  if (!read.ok()) {
    r.outcome = ImportOutcome::NotAFlight;
    r.message = source + ": not imported: " + read.problem;
    return r;
  }
  const CopyName name(fileNameOf(source));
  // Each round looks at every name again: a name taken meanwhile by another
  // import of the same bytes makes this one "already there", not a copy.
  for (int round = 0; round < kNameSuffixCount; ++round) {
    std::optional<std::string> free;
    for (int i = 0; i < kNameSuffixCount; ++i) {
      const std::string candidate = name.with(i);
      if (!store::ReservedNameReason(candidate).empty()) continue;
      const std::string path = folder + platform::kPathSeparator + candidate;
      if (!platform::nameTaken(path)) {
        if (!free) free = path;
        continue;
      }
      if (platform::sameFile(source, path) || (!platform::isLink(path) && sameBytes(source, path))) {
        r.outcome = ImportOutcome::AlreadyThere;
        r.target = path;
        r.message = source + " is already there as " + shownFolder + candidate + "; skipped";
        return r;
      }
    }
    if (!free) break;
    int error = 0;
    // Named only when whole, and never over a name taken meanwhile.
    if (platform::copyWhole(source, *free, platform::ReplacingFile::Mode::NeverReplace, &error)) {
      r.outcome = ImportOutcome::Imported;
      r.target = *free;
      r.message = source + " imported as " + shownFolder + fileNameOf(*free);
      return r;
    }
    if (error != EEXIST) {
      r.outcome = ImportOutcome::NotCopied;
      r.message = source + ": not imported: " + platform::failureText(*free, error);
      return r;
    }
  }
  r.outcome = ImportOutcome::NotCopied;
  r.message = source + ": not imported: every name from " + name.with(0) + " to " +
              name.with(kNameSuffixCount - 1) + " is taken in " + shownFolder;
  return r;
}

// What a killed import (or a limits file being saved) left behind.
bool leftByUs(std::string_view target) {
  return store::IsFlightFileName(target) || !store::ReservedNameReason(target).empty();
}

}  // namespace

int ImportExitCode(const ImportResult& result) {
  if (!result.ok()) return kImportUnusableTarget;
  int code = 0;
  for (const ImportedFile& f : result.value.files) {
    if (f.outcome == ImportOutcome::NotCopied) code = kImportNotCopied;
    if (f.outcome == ImportOutcome::NotAFlight && code == 0) code = kImportNotAFlight;
  }
  return code;
}

AircraftFolderResult AircraftFolder(std::string_view aircraftId, const std::string& dataFolder, bool make) {
  using Result = AircraftFolderResult;
  const std::string folderName = FolderForUserId(aircraftId);
  if (folderName == kBadDataFolder && aircraftId != kBadDataFolder)
    return Result::failed("the aircraft id \"" + std::string(aircraftId) + "\" cannot name a folder");
  // A folder the logbook would not list would hide the flights.
  if (const std::string why = store::UnlistedFolderReason(folderName); !why.empty())
    return Result::failed("the aircraft id \"" + std::string(aircraftId) + "\" cannot name a folder: " + folderName +
                          " " + why);
  if (dataFolder.empty() || !platform::folderExists(dataFolder))
    return Result::failed("the data folder " + (dataFolder.empty() ? std::string("\"\"") : dataFolder) +
                          " cannot be found");
  const std::string subfolder = SubfolderOf(folderName, dataFolder + platform::kPathSeparator);
  if (!make && !platform::folderExists(subfolder))
    return Result{{.path = {}, .missing = true}, "the data folder " + dataFolder + " has no aircraft folder " + folderName};
  if (!platform::folderExists(subfolder) && !platform::makeFolder(subfolder) && !platform::folderExists(subfolder))
    return Result::failed("the aircraft folder " + subfolder + " cannot be made: " + platform::failureReason(errno));
  const std::optional<std::string> inFolder =
      SafeSubfolderPath(folderName, "", dataFolder + platform::kPathSeparator);
  if (!inFolder) return Result::failed("the aircraft folder " + subfolder + " cannot take files (a link, or no folder)");
  // Without the separator before the empty name.
  return Result{{.path = inFolder->substr(0, inFolder->size() - 1), .missing = false}, {}};
}

ImportResult ImportFlightFiles(const std::vector<std::string>& files, std::string_view aircraftId,
                               const std::string& dataFolder, const std::function<bool()>& stopAsked) {
  const AircraftFolderResult folder = AircraftFolder(aircraftId, dataFolder, true);
  if (!folder.ok()) return ImportResult::failed(folder.problem);
  const std::string folderName = FolderForUserId(aircraftId);
  ImportedFiles done;
  done.folder = folder.value.path;
  platform::removeLeftoverTemporaries(done.folder, leftByUs);
  const std::string shown = folderName + "/";
  for (const std::string& f : files) {
    if (stopAsked && stopAsked()) break;
    done.files.push_back(importOne(f, done.folder, shown));
  }
  return ImportResult{std::move(done), {}};
}

std::string ImportSummary(const ImportResult& result) {
  if (!result.ok()) return "Nothing imported: " + result.problem + ".";
  std::size_t imported = 0, renamed = 0, there = 0, notFlights = 0, notCopied = 0;
  for (const ImportedFile& f : result.value.files) {
    switch (f.outcome) {
      case ImportOutcome::Imported:
        ++imported;
        // A name taken by other bytes gives the copy the next suffix.
        if (fileNameOf(f.target) != fileNameOf(f.source)) ++renamed;
        break;
      case ImportOutcome::AlreadyThere: ++there; break;
      case ImportOutcome::NotAFlight: ++notFlights; break;
      case ImportOutcome::NotCopied: ++notCopied; break;
    }
  }
  std::string line = "Imported " + std::to_string(imported) + " of " + std::to_string(result.value.files.size()) +
                     " file(s)";
  const auto part = [&line](std::size_t n, const std::string& what) {
    if (n > 0) line += "; " + std::to_string(n) + " " + what;
  };
  part(renamed, "under a new name (a file of that name with other bytes is there)");
  part(there, "already there, identical");
  part(notFlights, notFlights == 1 ? "not a flight log" : "not flight logs");
  part(notCopied, "could not be copied");
  return line + ".";
}

}  // namespace varnix::frontend
