// SPDX-License-Identifier: MIT
// Files the library writes. Nothing is ever written through a symbolic link
// (on Windows: a reparse point); every write, flush and close is checked, and
// a failure keeps the system's error number so that the caller can say why;
// a file that replaces (or may replace) another is written whole under a
// temporary name in the same folder and only then renamed into place.
// One implementation per system: output_file_posix.cpp, output_file_win32.cpp.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace varnix::platform {

// Why a write failed, for a message: "the disk is full" when the system
// says so, otherwise the system's own words.
std::string failureReason(int error);

// "<path>: <reason>".
std::string failureText(const std::string& path, int error);

// Creates `path` as a new file for binary writing, mode 644 where the file
// system keeps permissions, whatever the umask. A name that exists in any
// form, a dangling symbolic link included, is taken: null, errno EEXIST.
std::FILE* createNewFile(const std::string& path);

// Whether anything at all has this name: a file, a folder, any link (also
// one that leads nowhere).
bool nameTaken(const std::string& path);

// Whether `path` is a symbolic link (on Windows any reparse point).
bool isLink(const std::string& path);

// Whether both paths name one existing file (same device and inode; on
// Windows the same volume and file index).
bool sameFile(const std::string& a, const std::string& b);

// Writes all `size` bytes; false when fewer were written (errno tells why).
bool writeAll(std::FILE* file, const void* data, std::size_t size);

// Flushes and closes `file`, which is closed in every case; false when the
// flush or the close failed (errno tells why). Null is a success.
bool closeChecked(std::FILE* file);

// The temporary's name beside a target named `targetName`: that name, then
// ".part" and six letters or digits (`six`). A name too long for the system's
// 255 bytes with the tail has its stem cut short in the temporary (at a whole
// character, its extension kept); the target keeps its name.
std::string temporaryName(std::string_view targetName, std::string_view six);

// The target's name as it stands in a temporary's name (cut short or not);
// nothing when `name` is no temporary of ours.
std::optional<std::string_view> temporaryTarget(std::string_view name);

// Removes the temporaries that an interrupted run of ours left in `folder`:
// names of temporaryName's pattern whose target's name `ours` accepts,
// regular files only, never one a running writer still holds (nor an empty
// one made in the last two seconds, which its writer may not hold yet).
// Returns how many it removed.
std::size_t removeLeftoverTemporaries(const std::string& folder, const std::function<bool(std::string_view)>& ours);

// A file written under a temporary name beside `target`. commit() completes
// it and renames it into place; until then nothing at `target` changes, and
// a failure or a destruction without commit removes the temporary. While it
// is written the temporary is held (a lock on POSIX, an open without
// sharing on Windows), so removeLeftoverTemporaries leaves it alone.
class ReplacingFile {
 public:
  enum class Mode {
    Replace,       // a file at `target` is replaced
    NeverReplace,  // a name already taken at `target` makes commit fail (EEXIST)
  };
  explicit ReplacingFile(std::string target, Mode mode = Mode::Replace);
  // With the six letters or digits of the temporary's name given: a
  // temporary of that name that exists already makes the file fail (EEXIST),
  // so that the temporary claims the target's name while it is written.
  ReplacingFile(std::string target, Mode mode, std::string_view claim);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Null when the temporary could not be created (see error()).
  std::FILE* file() const { return file_; }
  const std::string& target() const { return target_; }
  // The system's error number of the first failure, 0 while none.
  int error() const { return error_; }

  // Flushes, writes through to the disk, closes and renames. False leaves
  // `target` as it was and removes the temporary.
  bool commit();

 private:
  void discard();
  std::string target_;
  std::string temporary_;
  Mode mode_;
  std::FILE* file_ = nullptr;
  int error_ = 0;
};

// Copies `from` to `to` through a ReplacingFile: the copy is complete or
// there is none. `error`, when given, receives the error number of a failure.
bool copyWhole(const std::string& from, const std::string& to, ReplacingFile::Mode mode, int* error = nullptr);

}  // namespace varnix::platform
