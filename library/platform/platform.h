// SPDX-License-Identifier: MIT
// The small platform layer under the library: program folder, local date,
// path separator and the few file-system operations the library needs.
// One implementation per system (platform_posix.cpp, platform_win32.cpp).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace varnix::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True for the characters that separate folders in a path on this system.
bool isPathSeparator(char c);

// Position of the last path separator in `path`, or npos.
std::size_t lastSeparator(std::string_view path);

// Folder of the running executable, without a trailing separator.
std::string programFolder();

// `name` in the program folder.
std::string programFile(std::string_view name);

// Folder of the settings files ("VARNIX.CFG", "TIMEOUT.CFG" and the desktop
// program's own): the program folder when it can be written to. Elsewhere
// than on Windows, a program folder that cannot be written to (a program
// installed for all users) keeps its settings in $XDG_CONFIG_HOME/varnix,
// by default ~/.config/varnix, created when missing.
std::string settingsFolder();
// The same rule for a given program folder.
std::string settingsFolderFor(const std::string& programFolder);

struct LocalDate {
  int year;   // four digits
  int month;  // 1-12
  int day;    // 1-31
};
LocalDate localDate();

// Creates one folder level; false when it fails (for instance, it exists).
bool makeFolder(const std::string& path);

// Creates `path` as a new empty file (mode 644 whatever the umask); false
// when the name is taken (by anything, a dangling link too) or cannot be made.
bool createExclusive(const std::string& path);

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
bool removeFile(const std::string& path);
// Copies `from` over `to` (replacing it) under a temporary name, renamed
// into place when complete; false on any failure, with `to` as it was.
bool copyFile(const std::string& from, const std::string& to);

// Every path is UTF-8 text (on Windows converted to the system's UTF-16 at
// the call; std::filesystem through fs_path.h).

// The environment variable `name`, empty when unset.
std::string environment(const char* name);

// fopen by a path's UTF-8 text.
std::FILE* openFile(const std::string& path, const char* mode);

// Opens `path` for binary reading only when it is a regular file (a link to
// one is followed). A FIFO, a device (/dev/zero), a folder or a socket is
// refused before a byte is read, without waiting on it: null with
// `*notRegular` true. Any other failure: null, `*notRegular` false, errno
// telling why.
std::FILE* openRegularFile(const std::string& path, bool* notRegular = nullptr);
// The words for a refusal of openRegularFile: "not a regular file".
inline constexpr const char* kNotRegularFile = "not a regular file";

// Creates or truncates `path` for binary writing, never through a symbolic
// link; a new file gets mode 644 (less the umask). Null on failure.
std::FILE* createOrTruncate(const std::string& path);

// A block of memory for large arrays, zero-filled, null when there is no
// room. Where the system offers it, a large block is backed by large pages:
// each fresh page costs a trap into the kernel, and a 14 MB flight in 4 KiB
// pages is 3,500 of them. Give back with `releaseLarge` and the same size.
void* allocateLarge(std::size_t bytes);
void releaseLarge(void* block, std::size_t bytes);

}  // namespace varnix::platform
