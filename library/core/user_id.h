// SPDX-License-Identifier: MIT
// The user id that a dump's first header line carries.
#pragma once

#include <string>
#include <string_view>

#include "core/header_lines.h"

namespace varnix {

enum class FirstLineCheck {
  CannotOpen,   // the file could not be opened
  Empty,        // no byte could be read
  NotUserLine,  // not a valid "$U" line, or an id that cannot name a folder
  UserLine,     // a valid "$U" line; userID of the header state holds the id
};

// Reads up to 50 bytes of `path`, takes them up to the first line feed as
// the first line and parses it as a header line into `header`.
FirstLineCheck CheckFirstLine(const std::string& path, HeaderState& header);

// The GetUserID result: 0 with the id, 1 (cannot open) or 2 with "BadData".
int ReadUserId(const std::string& path, std::string& id, HeaderState& header);

}  // namespace varnix
