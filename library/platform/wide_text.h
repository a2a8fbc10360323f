// SPDX-License-Identifier: MIT
// Windows only: text at the boundary to the system. Inside the program every
// path is UTF-8; the wide (-W) calls take UTF-16, and the exports' callers
// pass the ANSI code page. Text that is not well-formed UTF-8 (a user id the
// instrument wrote in Latin-1) keeps each stray byte as the Latin-1
// character of its value, as the JSON output reads it.
#pragma once

#ifdef _WIN32

#include <string>
#include <string_view>

namespace varnix::platform {

std::wstring wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::wstring_view wide);

// The ANSI code page (CP_ACP) and back. `lossless`, when given, is false
// when some character has no ANSI form (it becomes '?').
std::string utf8FromAnsi(std::string_view ansi);
std::string ansiFromUtf8(std::string_view utf8, bool* lossless = nullptr);
// An existing file's path in the ANSI code page; a name without an ANSI form
// is given by its short (8.3) name where the volume keeps one.
std::string ansiPathFromUtf8(std::string_view utf8);

}  // namespace varnix::platform

#endif
