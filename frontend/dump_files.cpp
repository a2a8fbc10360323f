// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/dump_files.h"

#include <cstdio>
#include <filesystem>

#include "core/naming.h"
#include "core/expand.h"
#include "platform/fs_path.h"
#include "platform/output_file.h"
#include "platform/platform.h"

namespace varnix::frontend {

namespace fs = std::filesystem;

std::string fileNameOf(const std::string& path) {
  const std::size_t cut = platform::lastSeparator(path);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (platform::isPathSeparator(folder.back())) return folder + name;
  return folder + platform::kPathSeparator + name;
}

std::string trimBlanks(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return pathExists(a) && pathExists(b) && fs::equivalent(platform::utf8Path(a), platform::utf8Path(b), ec) && !ec;
}

bool pathExists(const std::string& path) { return platform::fileExists(path) || platform::folderExists(path); }

bool moveWithoutReplacing(const std::string& from, const std::string& to) {
  // Any name at `to` is taken, a link that leads nowhere too.
  if (platform::nameTaken(to)) return false;
  std::error_code ec;
  fs::rename(platform::utf8Path(from), platform::utf8Path(to), ec);
  if (!ec) return true;
  // Across file systems: a whole copy under a temporary name, renamed into
  // place only when complete, so no cut copy ever bears the dump's name.
  if (!platform::copyWhole(from, to, platform::ReplacingFile::Mode::NeverReplace)) return false;
  fs::remove(platform::utf8Path(from), ec);
  return true;
}

std::string convertiblePath(const std::string& backup, std::string& folder) {
  const std::size_t cut = platform::lastSeparator(backup);
  folder.clear();
  if (cut == std::string::npos || backup.find('.') > cut) return backup;
  folder = backup.substr(0, cut == 0 ? 1 : cut);
  return backup.substr(cut + 1);
}

std::string palmDumpName(const std::string& backupName) {
  const std::size_t dot = backupName.find('.');
  return (dot == std::string::npos ? backupName + '.' : backupName.substr(0, dot + 1)) + "DAT";
}

std::vector<std::string> indexLines(const std::string& dump) {
  std::vector<std::string> lines;
  const auto indexPath = IndexFilePath(dump);
  if (!indexPath) return lines;
  std::FILE* f = platform::openFile(*indexPath, "rb");
  if (!f) return lines;
  std::string line;
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  std::fclose(f);
  return lines;
}

}  // namespace varnix::frontend
