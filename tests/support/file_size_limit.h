// SPDX-License-Identifier: GPL-3.0-or-later
// A full disk, as far as one process can make one: while a FileSizeLimit
// lives, no file of this process grows past `bytes` (RLIMIT_FSIZE); a write
// beyond fails with EFBIG instead of raising SIGXFSZ. Files written before
// the limit are untouched; the old limit comes back at the end.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace varnix::test {

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

}  // namespace varnix::test
