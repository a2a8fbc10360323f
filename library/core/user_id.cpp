// SPDX-License-Identifier: MIT
#include "core/user_id.h"

#include <cstdio>

#include "core/header_lines.h"
#include "core/naming.h"
#include "platform/platform.h"

namespace varnix {

namespace {
constexpr std::size_t kFirstLineWindow = 50;
}

FirstLineCheck CheckFirstLine(const std::string& path, HeaderState& header) {
  std::FILE* f = platform::openFile(path, "rb");
  if (!f) return FirstLineCheck::CannotOpen;
  char bytes[kFirstLineWindow];
  const std::size_t n = std::fread(bytes, 1, sizeof bytes, f);
  std::fclose(f);
  if (n == 0) return FirstLineCheck::Empty;

  std::string_view line(bytes, n);
  line = line.substr(0, line.find('\n'));
  const HeaderLineVerdict verdict = ParseHeaderLine(line, header);
  if (!verdict.valid || verdict.letter != 'U') return FirstLineCheck::NotUserLine;
  // The id names a folder: one that would lead outside the data folder, or
  // that the file system refuses, is treated like a bad first line.
  if (!IsUsableFolderName(header.userID)) return FirstLineCheck::NotUserLine;
  return FirstLineCheck::UserLine;
}

int ReadUserId(const std::string& path, std::string& id, HeaderState& header) {
  switch (CheckFirstLine(path, header)) {
    case FirstLineCheck::UserLine:
      id = header.userID;
      return 0;
    case FirstLineCheck::CannotOpen:
      id = kBadDataFolder;
      return 1;
    default:
      id = kBadDataFolder;
      return 2;
  }
}

}  // namespace varnix
