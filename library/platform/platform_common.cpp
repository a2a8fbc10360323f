// SPDX-License-Identifier: MIT
#include "platform/platform.h"

#include "platform/output_file.h"

namespace varnix::platform {

bool isPathSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

std::size_t lastSeparator(std::string_view path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (isPathSeparator(path[i - 1])) return i - 1;
  }
  return std::string_view::npos;
}

std::string programFile(std::string_view name) {
  std::string path = programFolder();
  path += kPathSeparator;
  path += name;
  return path;
}

std::string settingsFolder() { return settingsFolderFor(programFolder()); }

bool copyFile(const std::string& from, const std::string& to) {
  return copyWhole(from, to, ReplacingFile::Mode::Replace);
}

}  // namespace varnix::platform
