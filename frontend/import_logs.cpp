// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/import_logs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "core/naming.h"
#include "flight/open_flight.h"
#include "platform/output_file.h"
#include "platform/platform.h"

namespace varnix::frontend {

namespace {

std::string fileNameOf(const std::string& path) {
  const std::size_t cut = platform::lastSeparator(path);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// "log.csv" with a duplicate suffix: "logA.csv", as the expansion names "F00101A.CSV".
std::string withSuffix(const std::string& name, int index) {
  const std::size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
  return stem + std::string(NameSuffix(index)) + ext;
}

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
  if (!read.flight) {
    r.outcome = ImportOutcome::NotAFlight;
    r.message = source + ": not imported: " + read.problem;
    return r;
  }
  const std::string name = fileNameOf(source);
  std::optional<std::string> free;
  for (int i = 0; i < kNameSuffixCount; ++i) {
    const std::string candidate = folder + platform::kPathSeparator + withSuffix(name, i);
    if (!platform::nameTaken(candidate)) {
      if (!free) free = candidate;
      continue;
    }
    if (platform::sameFile(source, candidate) || (!platform::isLink(candidate) && sameBytes(source, candidate))) {
      r.outcome = ImportOutcome::AlreadyThere;
      r.target = candidate;
      r.message = source + " is already there as " + shownFolder + withSuffix(name, i) + "; skipped";
      return r;
    }
  }
  while (free) {
    int error = 0;
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
    // The name was taken meanwhile: the next free one.
    free.reset();
    for (int i = 0; i < kNameSuffixCount && !free; ++i) {
      const std::string candidate = folder + platform::kPathSeparator + withSuffix(name, i);
      if (!platform::nameTaken(candidate)) free = candidate;
    }
  }
  r.outcome = ImportOutcome::NotCopied;
  r.message = source + ": not imported: every name from " + name + " to " + withSuffix(name, kNameSuffixCount - 1) +
              " is taken in " + shownFolder;
  return r;
}

}  // namespace

int ImportResult::exitCode() const {
  if (!problem.empty()) return kImportUnusableTarget;
  int code = 0;
  for (const ImportedFile& f : files) {
    if (f.outcome == ImportOutcome::NotCopied) code = kImportNotCopied;
    if (f.outcome == ImportOutcome::NotAFlight && code == 0) code = kImportNotAFlight;
  }
  return code;
}

ImportResult ImportFlightFiles(const std::vector<std::string>& files, std::string_view aircraftId,
                               const std::string& dataFolder, const std::function<bool()>& stopAsked) {
  ImportResult result;
  const std::string folderName = FolderForUserId(aircraftId);
  if (folderName == kBadDataFolder && aircraftId != kBadDataFolder) {
    result.problem = "the aircraft id \"" + std::string(aircraftId) + "\" cannot name a folder";
    return result;
  }
  if (dataFolder.empty() || !platform::folderExists(dataFolder)) {
    result.problem = "the data folder " + dataFolder + " cannot be found";
    return result;
  }
  const std::optional<std::string> inFolder =
      SafeSubfolderPath(folderName, "", dataFolder + platform::kPathSeparator);
  if (!inFolder) {
    result.problem = "the aircraft folder " + SubfolderOf(folderName, dataFolder + platform::kPathSeparator) +
                     " cannot take files (a link, or no folder)";
    return result;
  }
  result.folder = inFolder->substr(0, inFolder->size() - 1);  // without the separator before the empty name
  const std::string shown = folderName + "/";
  for (const std::string& f : files) {
    if (stopAsked && stopAsked()) break;
    result.files.push_back(importOne(f, result.folder, shown));
  }
  return result;
}

}  // namespace varnix::frontend
