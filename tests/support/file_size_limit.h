// SPDX-License-Identifier: GPL-3.0-or-later
// A full disk, as far as one process can make one: while a FileSizeLimit
// lives, no file of this process grows past `bytes` (RLIMIT_FSIZE); a write
// beyond fails with EFBIG instead of raising SIGXFSZ. Files written before
// the limit are untouched; the old limit comes back at the end.
// Windows keeps no such limit: there the cases that fill the disk are left
// out, and a FileSizeLimit made all the same fails its test.
#pragma once

#ifdef _WIN32
#include <gtest/gtest.h>
#else
#include <signal.h>
#include <sys/resource.h>
#endif

namespace varnix::test {

#ifdef _WIN32
class FileSizeLimit {
 public:
  explicit FileSizeLimit(long long) { ADD_FAILURE() << "Windows has no file size limit for a process"; }
};
#else

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  sighandler_t oldHandler_{};
};
#endif

}  // namespace varnix::test
