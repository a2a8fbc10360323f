// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/cache_folder.h"
#include "platform/file_facts.h"
#include "platform/platform.h"

namespace varnix::platform {

std::string programFolder() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  const std::size_t cut = lastSeparator(path);
  if (cut == std::string::npos) return ".";
  if (cut == 0) return "/";
  return path.substr(0, cut);
}

std::string settingsFolderFor(const std::string& programFolder) {
  if (::access(programFolder.c_str(), W_OK | X_OK) == 0) return programFolder;
  // A relative $XDG_CONFIG_HOME is to be ignored, like an unset one.
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else if (home && home[0] == '/') {
    base = home;
    base += "/.config";
  } else {
    return programFolder;
  }
  ::mkdir(base.c_str(), 0700);
  const std::string folder = base + "/varnix";
  ::mkdir(folder.c_str(), 0700);
  return folderExists(folder) ? folder : programFolder;
}

std::string cacheFolder() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/varnix";
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.cache/varnix" : std::string();
}

std::optional<FileFacts> fileFacts(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  FileFacts facts;
  facts.size = S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
  const std::chrono::sys_time<std::chrono::nanoseconds> since1970(std::chrono::seconds(st.st_mtim.tv_sec) +
                                                                  std::chrono::nanoseconds(st.st_mtim.tv_nsec));
  facts.written = std::chrono::time_point_cast<std::filesystem::file_time_type::duration>(
      std::filesystem::file_time_type::clock::from_sys(since1970));
  return facts;
}

LocalDate localDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : std::string();
}

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool removeFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool makeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

bool createExclusive(const std::string& path) {
  // O_EXCL never follows a link; a dangling link at the name makes it fail.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  ::fchmod(fd, 0644);  // 644 whatever the umask
  ::close(fd);
  return true;
}

std::FILE* createOrTruncate(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) ::close(fd);
  return f;
}

std::FILE* openRegularFile(const std::string& path, bool* notRegular) {
  if (notRegular) *notRegular = false;
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EISDIR && notRegular) *notRegular = true;
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    if (notRegular) *notRegular = true;
    errno = EINVAL;
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, "rb");
  if (!f) ::close(fd);
  return f;
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {
constexpr std::size_t kLargePage = std::size_t{2} << 20;
// AddressSanitizer watches malloc's blocks, not mapped ones.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapLargeBlocks = false;
#elif defined(__has_feature)
constexpr bool kMapLargeBlocks = !__has_feature(address_sanitizer);
#else
constexpr bool kMapLargeBlocks = true;
#endif
bool mapped(std::size_t bytes) { return kMapLargeBlocks && bytes >= kLargePage; }
}  // namespace

// Blocks of a large page or more are mapped on their own, aligned to a large
// page so that the kernel can back them with large pages; smaller ones come
// from malloc.
void* allocateLarge(std::size_t bytes) {
  if (!mapped(bytes)) return std::calloc(bytes ? bytes : 1, 1);
  const std::size_t mapped = bytes + kLargePage;
  void* raw = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kLargePage - 1) & ~(kLargePage - 1);
  const std::size_t head = aligned - start, tail = mapped - head - bytes;
  if (head) ::munmap(raw, head);
  if (tail) ::munmap(reinterpret_cast<void*>(aligned + bytes), tail);
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);  // advice only: may be refused
#endif
  return reinterpret_cast<void*>(aligned);
}

void releaseLarge(void* block, std::size_t bytes) {
  if (!block) return;
  if (!mapped(bytes))
    std::free(block);
  else
    ::munmap(block, bytes);
}

}  // namespace varnix::platform
