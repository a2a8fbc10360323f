// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/data_folder_setting.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace varnix::frontend::settings {

namespace {

std::string settingPath(const std::string& appFolder) {
  return appFolder + platform::kPathSeparator + kDataFolderFile;
}

std::string trimBlanks(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

}  // namespace

std::string defaultDataFolder(const std::string& appFolder) {
#ifdef _WIN32
  return appFolder.substr(0, 2) + "\\VXDATA";
#else
  (void)appFolder;
  const char* home = std::getenv("HOME");
  std::string base = (home && *home) ? home : "/tmp";
  if (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/VXDATA";
#endif
}

std::optional<std::string> readDataFolderSetting(const std::string& appFolder) {
  std::FILE* f = platform::openFile(settingPath(appFolder), "rb");
  if (!f) return std::nullopt;
  std::string line;
  for (int c; (c = std::fgetc(f)) != EOF && c != '\n' && c != '\r' && line.size() < 4096;)
    line.push_back(static_cast<char>(c));
  std::fclose(f);
  line = trimBlanks(line);
  if (line.empty()) return std::nullopt;
  return line;
}

bool writeDataFolderSetting(const std::string& appFolder, const std::string& dataFolder) {
  std::FILE* f = platform::openFile(settingPath(appFolder), "wb");
  if (!f) return false;
  const bool ok = std::fprintf(f, "%s\r\n", dataFolder.c_str()) > 0;
  return std::fclose(f) == 0 && ok;
}

std::string settleDataFolder(const std::string& appFolder) {
  if (auto configured = readDataFolderSetting(appFolder)) return *configured;
  const std::string folder = defaultDataFolder(appFolder);
  if (!platform::folderExists(folder)) platform::makeFolder(folder);
  writeDataFolderSetting(appFolder, folder);
  return folder;
}

std::string currentDataFolder(const std::string& appFolder) {
  if (auto configured = readDataFolderSetting(appFolder)) return *configured;
  const std::string folder = defaultDataFolder(appFolder);
  if (!platform::folderExists(folder)) platform::makeFolder(folder);
  return folder;
}

}  // namespace varnix::frontend::settings
