// SPDX-License-Identifier: MIT
// Filing a freshly downloaded dump: by its first line into the user id's
// subfolder of the data folder, or into "BadData".
#include <cstdio>

#include "core/download.h"
#include "core/header_lines.h"
#include "core/naming.h"
#include "core/user_id.h"
#include "platform/platform.h"

namespace varnix {

Filing FileDownloadedDump(std::string& path, std::string_view folderArgument, HeaderState& header) {
  const FirstLineCheck check = CheckFirstLine(path, header);
  if (check == FirstLineCheck::CannotOpen) return Filing::NotReopened;
  const bool userLine = check == FirstLineCheck::UserLine;
  const std::string subfolder = userLine ? FolderForUserId(header.userID) : std::string(kBadDataFolder);

  const auto claimed = ClaimDatedName(DatedBase(platform::localDate()), subfolder, folderArgument);
  if (!claimed) return Filing::NamesTaken;

  // The claimed file is new and empty, so writing over it loses nothing.
  std::FILE* probe = platform::openFile(*claimed, "r+b");
  if (!probe) {
    platform::removeFile(*claimed);
    return Filing::CannotOpen;
  }
  std::fclose(probe);
  if (!platform::copyFile(path, *claimed)) {
    // The working file stays the only copy; no half-written dump is left.
    platform::removeFile(*claimed);
    return Filing::CopyFailed;
  }
  platform::removeFile(path);
  path = *claimed;
  return userLine ? Filing::UserFolder : Filing::BadData;
}

}  // namespace varnix
