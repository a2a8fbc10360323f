// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program keeps its data: "DataFolder.CFG" in the program folder,
// or the default data folder. Plain C++: the desktop program and the
// command-line tool settle the data folder the same way.
#pragma once

#include <optional>
#include <string>

namespace varnix::frontend::settings {

inline constexpr const char* kDataFolderFile = "DataFolder.CFG";

// The default data folder: on Windows "VXDATA" at the root of the drive
// that holds the program (the first two characters of `appFolder`), on
// other systems ~/VXDATA.
std::string defaultDataFolder(const std::string& appFolder);

// The first line of "DataFolder.CFG", blanks stripped at both ends; empty
// when the file is missing, unreadable or holds only blanks.
std::optional<std::string> readDataFolderSetting(const std::string& appFolder);

// Replaces "DataFolder.CFG" with `dataFolder` on one line (CR LF).
bool writeDataFolderSetting(const std::string& appFolder, const std::string& dataFolder);

// The start-up rule: the setting when there is one; otherwise the default
// folder, created when missing (one level) and written to "DataFolder.CFG".
// An empty or unreadable setting counts as missing.
std::string settleDataFolder(const std::string& appFolder);

// The folder the program would use, without writing any setting; the
// default folder is created when missing.
std::string currentDataFolder(const std::string& appFolder);

}  // namespace varnix::frontend::settings
