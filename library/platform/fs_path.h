// SPDX-License-Identifier: MIT
// std::filesystem paths from and to the program's UTF-8 text. On Windows a
// path's narrow string() is the ANSI code page, which cannot hold every name
// (a folder called "飛行" on a Western system): always go through these two.
// Elsewhere the bytes pass unchanged, well-formed UTF-8 or not.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/wide_text.h"

namespace varnix::platform {

inline std::filesystem::path utf8Path(std::string_view text) {
#ifdef _WIN32
  return std::filesystem::path(wideFromUtf8(text));
#else
  return std::filesystem::path(std::string(text));
#endif
}

inline std::string utf8Text(const std::filesystem::path& path) {
#ifdef _WIN32
  return utf8FromWide(path.native());
#else
  return path.string();
#endif
}

}  // namespace varnix::platform
