// SPDX-License-Identifier: MIT
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/output_file.h"
#include "platform/platform.h"

namespace varnix::platform {

namespace {

// A new file's mode is 644 whatever the umask.
std::FILE* streamFor(int fd) {
  if (::fchmod(fd, 0644) != 0) {
    // A file system without permissions (FAT) refuses; the file is still good.
  }
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    const int error = errno;
    ::close(fd);
    errno = error;
  }
  return f;
}

// Renames `from` to `to` unless `to` is taken, in one step where the system
// can: renameat2 RENAME_NOREPLACE (Linux), else link() (refuses a taken name)
// and unlink. Only a file system with neither (FAT on an old kernel) gets a
// check before the rename, which another process could race.
bool renameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
#endif
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return true;
  }
  if (errno == EEXIST) return false;
  if (nameTaken(to)) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

std::FILE* createNewFile(const std::string& path) {
  // O_EXCL never follows a link at the name, and a dangling one makes it fail.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  std::FILE* f = streamFor(fd);
  if (!f) {
    const int error = errno;
    ::unlink(path.c_str());
    errno = error;
  }
  return f;
}

bool nameTaken(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool isLink(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool sameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::size_t removeLeftoverTemporaries(const std::string& folder, const std::function<bool(std::string_view)>& ours) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return 0;
  std::size_t removed = 0;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    const std::optional<std::string_view> target = temporaryTarget(name);
    if (!target || !ours(*target)) continue;
    const std::string path = folder.empty() ? std::string(name) : folder + "/" + std::string(name);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {}, named {};
    // A writer holds its temporary from just after making it: an empty one
    // this new may be between the two.
    const bool leftover = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_size > 0 || now - st.st_mtime >= 2) &&
                          ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    // Still the file that was judged (not one made under its name meanwhile).
    if (leftover && ::lstat(path.c_str(), &named) == 0 && named.st_dev == st.st_dev && named.st_ino == st.st_ino &&
        ::unlink(path.c_str()) == 0)
      ++removed;
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

ReplacingFile::ReplacingFile(std::string target, Mode mode) : target_(std::move(target)), mode_(mode) {
  const std::size_t cut = lastSeparator(target_);
  const std::string folder = cut == std::string::npos ? std::string() : target_.substr(0, cut + 1);
  const std::string name = folder + temporaryName(cut == std::string::npos ? target_ : target_.substr(cut + 1), "XXXXXX");
  std::vector<char> pattern(name.begin(), name.end());
  pattern.push_back('\0');
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    error_ = errno;
    return;
  }
  // Held while it is written, so that a run cleaning the folder leaves it.
  ::flock(fd, LOCK_EX);
  temporary_ = pattern.data();
  file_ = streamFor(fd);
  if (!file_) {
    error_ = errno;
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

ReplacingFile::ReplacingFile(std::string target, Mode mode, std::string_view claim)
    : target_(std::move(target)), mode_(mode) {
  const std::size_t cut = lastSeparator(target_);
  const std::string folder = cut == std::string::npos ? std::string() : target_.substr(0, cut + 1);
  const std::string name = folder + temporaryName(cut == std::string::npos ? target_ : target_.substr(cut + 1), claim);
  // O_EXCL: an existing name (a link too) is another writer's claim.
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    error_ = errno;
    return;
  }
  ::flock(fd, LOCK_EX);
  temporary_ = name;
  file_ = streamFor(fd);
  if (!file_) {
    error_ = errno;
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

ReplacingFile::~ReplacingFile() { discard(); }

void ReplacingFile::discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

bool ReplacingFile::commit() {
  if (!file_) {
    if (error_ == 0) error_ = EBADF;
    return false;
  }
  errno = 0;
  bool ok = std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
  if (!ok) error_ = errno ? errno : EIO;
  // Renamed while still open, and so still held: a run cleaning the folder
  // never takes it between the close and the rename.
  if (ok && mode_ == Mode::Replace) {
    // rename replaces the name itself: a link at the target is replaced,
    // never followed.
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
      ok = false;
      error_ = errno;
    }
  } else if (ok) {
    ok = renameNoReplace(temporary_, target_);
    if (!ok) error_ = errno;
  }
  const bool renamed = ok;
  std::FILE* f = file_;
  file_ = nullptr;
  if (std::fclose(f) != 0 && ok) {
    // Its bytes reached the disk (fsync said so); the close is still reported.
    ok = false;
    error_ = errno ? errno : EIO;
  }
  if (renamed) temporary_.clear();
  discard();
  return ok;
}

}  // namespace varnix::platform
