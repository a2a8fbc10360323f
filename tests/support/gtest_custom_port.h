// SPDX-License-Identifier: GPL-3.0-or-later
// GoogleTest's port hooks in the Windows cross build (copied over
// gtest/internal/custom/gtest-port.h of its copy in the build tree). GCC's
// win32 thread model has no std::mutex, which GoogleTest's Notification is
// made of; Notification only serves GoogleTest's own thread helper, which no
// test here starts, so a flag waited on in a loop does.
#ifndef GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
#define GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { notified_.store(true); }
  void WaitForNotification() {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal

#endif  // GOOGLETEST_INCLUDE_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
