// SPDX-License-Identifier: MIT
#include "platform/platform.h"

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

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool removeFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool copyFile(const std::string& from, const std::string& to) {
  std::FILE* in = openFile(from, "rb");
  if (!in) return false;
  std::FILE* out = openFile(to, "wb");
  if (!out) {
    std::fclose(in);
    return false;
  }
  bool ok = true;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
    if (std::fwrite(buffer, 1, n, out) != n) {
      ok = false;
      break;
    }
  }
  if (std::ferror(in)) ok = false;
  std::fclose(in);
  if (std::fclose(out) != 0) ok = false;
  return ok;
}

}  // namespace varnix::platform
