// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed-size text buffers that the program hands to the flight data
// library. The library may overwrite each buffer with a NUL-terminated text;
// the program reads back the text before the first NUL. Paths go in as the
// exports take them (libraryPath) and come back through programPath.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnix::app {

inline constexpr std::size_t kPathBufferLength = 200;
inline constexpr std::size_t kIdBufferLength = 10;

// The exports take and give paths in the ANSI code page on Windows, as a
// 32-bit caller passes them (varnix.h); the program's paths are UTF-8. These
// two are the one place where they meet; elsewhere both are the same bytes.
std::string libraryPath(std::string_view utf8);
std::string programPath(std::string_view libraryBytes);

// A buffer of `length` characters holding `text` followed by `pad`
// characters. A text longer than `length` is kept whole (the buffer grows)
// rather than cut: a cut path would name another file or folder. The
// std::string keeps one more NUL after its last character.
std::string fixedBuffer(std::string_view text, std::size_t length, char pad);

// The folder argument: libraryPath(`dataFolder`) + separator, padded with blanks to 200
// characters. The library takes the text before the last separator.
std::string folderBuffer(std::string_view dataFolder);

// A path buffer of 200 characters: libraryPath(`path`) followed by NULs. The path is
// NUL-padded, not blank-padded: where the system keeps trailing blanks in
// file names, blanks would become part of the name.
std::string pathBuffer(std::string_view path = {});

// The user-id buffer: 10 NUL characters.
std::string idBuffer();

// The text before the first NUL of `buffer` (all of it when it holds none).
std::string textBeforeNul(const std::string& buffer);

// The user id as the program keeps it: the text before the first NUL with
// leading and trailing blanks removed.
std::string userIdFrom(const std::string& idBuf);

}  // namespace varnix::app
