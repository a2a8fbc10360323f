// SPDX-License-Identifier: MIT
// Names of stored files: the duplicate suffixes, dated dump names and the
// per-user subfolders of the data folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace varnix {

// "", "A".."Z", "AA".."AZ".
inline constexpr int kNameSuffixCount = 53;
std::string_view NameSuffix(int index);

inline constexpr const char* kBadDataFolder = "BadData";

// The data folder named by a folder argument: the text before its last
// separator. An argument without a separator names the current folder ("").
std::string DataFolderOf(std::string_view folderArgument);

// A user id that can safely name a subfolder of the data folder: not empty,
// not "." or "..", no separators, no characters that Windows refuses in a
// folder name, not ending in a blank or a dot, not a Windows device name.
bool IsUsableFolderName(std::string_view name);

// The folder name for a dump's user id, one rule on every road (download,
// expansion, Palm): leading blanks are dropped (" N1" is "N1"); an id that
// then cannot name a folder gives "BadData".
std::string FolderForUserId(std::string_view id);

// data folder + separator + subfolder, nothing created. Without a data
// folder the subfolder lies in the current folder.
std::string SubfolderOf(std::string_view subfolder, std::string_view folderArgument);

// data folder + separator + subfolder (created when missing; a failure is
// ignored) + separator + file name. Without a data folder the subfolder lies
// in the current folder.
std::string SubfolderPath(std::string_view subfolder, std::string_view fileName, std::string_view folderArgument);

// The dump's path with the three characters after its last "." replaced by
// "TXT" (its flight index); nothing when the path has no ".".
std::optional<std::string> IndexFilePath(std::string_view datPath);

// The same path, but nothing when the subfolder cannot safely take files:
// it is a symbolic link (on Windows any reparse point) or no folder. A link
// could lead anywhere, so nothing is written through it.
std::optional<std::string> SafeSubfolderPath(std::string_view subfolder, std::string_view fileName,
                                             std::string_view folderArgument);

// "R" + yymmdd.
std::string DatedBase(const platform::LocalDate& date);

// The first of base + suffix + ".DAT" (in the subfolder when one is given)
// that can be created as a new file; the file is left empty. Empty when all
// 53 names are taken (any link counts as taken): an existing dump is never
// overwritten. Empty too when the subfolder is a link (SafeSubfolderPath).
std::optional<std::string> ClaimDatedName(std::string_view base);
std::optional<std::string> ClaimDatedName(std::string_view base, std::string_view subfolder,
                                          std::string_view folderArgument);

}  // namespace varnix
