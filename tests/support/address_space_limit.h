// SPDX-License-Identifier: GPL-3.0-or-later
// A small machine, as far as one test can make one: `RunWithAddressSpaceLimit`
// runs a part of a test in a child process whose address space may grow by
// no more than `extraBytes` beyond what it holds when the child starts
// (RLIMIT_AS). Memory reserved for rows a file only promises (address space
// counts, touched or not, as on a 32-bit build) fails there with
// std::bad_alloc. The child's result is its exit status; a child that
// threw gives kChildThrew, one that was ended by a signal 128 + the signal.
// Linux only (it reads /proc/self/statm); AddressSanitizer reserves its
// shadow beyond any such limit, so its builds leave these cases out.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace varnix::test {

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARNIX_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VARNIX_TEST_ASAN 1
#endif
#if defined(__linux__) && !defined(VARNIX_TEST_ASAN)
inline constexpr bool kAddressSpaceLimits = true;
#else
inline constexpr bool kAddressSpaceLimits = false;
#endif

inline constexpr int kChildThrew = 99;

#if defined(__linux__)
inline int RunWithAddressSpaceLimit(std::size_t extraBytes, const std::function<int()>& child) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    unsigned long pages = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm || std::fscanf(statm, "%lu", &pages) != 1) ::_exit(98);
    std::fclose(statm);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + extraBytes;
    if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(98);
    int status = kChildThrew;
    try {
      status = child();
    } catch (...) {
    }
    std::fflush(nullptr);
    ::_exit(status);
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
#else
inline int RunWithAddressSpaceLimit(std::size_t, const std::function<int()>&) { return -1; }
#endif

}  // namespace varnix::test
