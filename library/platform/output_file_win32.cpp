// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <string>

#include "platform/output_file.h"
#include "platform/platform.h"
#include "platform/wide_text.h"

namespace varnix::platform {

namespace {

int errnoFor(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
      return ENOENT;
    default:
      return EIO;
  }
}

// A new file, opened as a C stream; never a reparse point (CREATE_NEW fails
// on any existing name, links included).
std::FILE* createStream(const std::string& path) {
  const std::wstring wide = wideFromUtf8(path);
  HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = errnoFor(::GetLastError());
    return nullptr;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(h);
    ::DeleteFileW(wide.c_str());
    errno = EIO;
    return nullptr;
  }
  std::FILE* f = ::_fdopen(fd, "wb");
  if (!f) {
    ::_close(fd);
    ::DeleteFileW(wide.c_str());
    errno = EIO;
  }
  return f;
}

}  // namespace

std::FILE* createNewFile(const std::string& path) { return createStream(path); }

bool nameTaken(const std::string& path) { return ::GetFileAttributesW(wideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isLink(const std::string& path) {
  const DWORD a = ::GetFileAttributesW(wideFromUtf8(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool sameFile(const std::string& a, const std::string& b) {
  auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE h = ::CreateFileW(wideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = ::GetFileInformationByHandle(h, &info) != 0;
    ::CloseHandle(h);
    return ok;
  };
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  return identify(a, ia) && identify(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

std::size_t removeLeftoverTemporaries(const std::string& folder, const std::function<bool(std::string_view)>& ours) {
  const std::string prefix = folder.empty() ? std::string() : folder + "\\";
  WIN32_FIND_DATAW found{};
  HANDLE search = ::FindFirstFileW(wideFromUtf8(prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  std::size_t removed = 0;
  FILETIME nowTime{};
  ::GetSystemTimeAsFileTime(&nowTime);
  const auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  do {
    const std::string name = utf8FromWide(found.cFileName);
    const std::optional<std::string_view> target = temporaryTarget(name);
    if (!target || !ours(*target)) continue;
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    // Written in the last two seconds: its writer may be between closing and
    // renaming it. A temporary still open is held without sharing, so the
    // delete fails.
    if (ticks(nowTime) - ticks(found.ftLastWriteTime) < 2ull * 10000000ull) continue;
    if (::DeleteFileW(wideFromUtf8(prefix + name).c_str())) ++removed;
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return removed;
}

ReplacingFile::ReplacingFile(std::string target, Mode mode) : target_(std::move(target)), mode_(mode) {
  const std::size_t cut = lastSeparator(target_);
  const std::string folder = cut == std::string::npos ? std::string() : target_.substr(0, cut + 1);
  const std::string targetName = cut == std::string::npos ? target_ : target_.substr(cut + 1);
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const unsigned long long stamp = (static_cast<unsigned long long>(::GetCurrentProcessId()) << 32) ^ ::GetTickCount64();
  for (unsigned attempt = 0; attempt < 100 && !file_; ++attempt) {
    unsigned long long n = stamp + attempt * 7919ull;
    char six[7] = {};
    for (int i = 0; i < 6; ++i, n /= 62) six[i] = kDigits[n % 62];
    temporary_ = folder + temporaryName(targetName, six);
    file_ = createStream(temporary_);
    if (!file_ && errno != EEXIST) break;
  }
  if (!file_) {
    error_ = errno;
    temporary_.clear();
  }
}

ReplacingFile::ReplacingFile(std::string target, Mode mode, std::string_view claim)
    : target_(std::move(target)), mode_(mode) {
  const std::size_t cut = lastSeparator(target_);
  const std::string folder = cut == std::string::npos ? std::string() : target_.substr(0, cut + 1);
  temporary_ = folder + temporaryName(cut == std::string::npos ? target_ : target_.substr(cut + 1), claim);
  // CREATE_NEW: an existing name is another writer's claim.
  file_ = createStream(temporary_);
  if (!file_) {
    error_ = errno;
    temporary_.clear();
  }
}

ReplacingFile::~ReplacingFile() { discard(); }

void ReplacingFile::discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!temporary_.empty()) ::DeleteFileW(wideFromUtf8(temporary_).c_str());
  temporary_.clear();
}

bool ReplacingFile::commit() {
  if (!file_) {
    if (error_ == 0) error_ = EBADF;
    return false;
  }
  errno = 0;
  bool ok = std::fflush(file_) == 0;
  if (!ok) error_ = errno ? errno : EIO;
  if (ok && !::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file_))))) {
    ok = false;
    error_ = errnoFor(::GetLastError());
  }
  std::FILE* f = file_;
  file_ = nullptr;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    error_ = errno ? errno : EIO;
  }
  if (ok) {
    // Without MOVEFILE_REPLACE_EXISTING any existing name makes the move fail.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (mode_ == Mode::Replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!::MoveFileExW(wideFromUtf8(temporary_).c_str(), wideFromUtf8(target_).c_str(), flags)) {
      ok = false;
      error_ = errnoFor(::GetLastError());
    }
  }
  if (ok) temporary_.clear();
  discard();
  return ok;
}

}  // namespace varnix::platform
