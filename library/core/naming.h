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

// data folder + separator + subfolder (created when missing; a failure is
// ignored) + separator + file name. Without a data folder the subfolder lies
// in the current folder.
std::string SubfolderPath(std::string_view subfolder, std::string_view fileName, std::string_view folderArgument);

// The dump's path with the three characters after its last "." replaced by
// "TXT" (its flight index); nothing when the path has no ".".
std::optional<std::string> IndexFilePath(std::string_view datPath);

// "R" + yymmdd.
std::string DatedBase(const platform::LocalDate& date);

// The first of base + suffix + ".DAT" (in the subfolder when one is given)
// that can be created as a new file; the file is left empty. Empty when all
// 53 names are taken: an existing dump is never overwritten.
std::optional<std::string> ClaimDatedName(std::string_view base);
std::optional<std::string> ClaimDatedName(std::string_view base, std::string_view subfolder,
                                          std::string_view folderArgument);

}  // namespace varnix
