// SPDX-License-Identifier: GPL-3.0-or-later
// A serial port that plays a script of bytes, silences and failures, and
// notes the time-out of every wait.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/serial_port.h"

namespace varnix::test {

class FakePort final : public platform::SerialPort {
 public:
  enum : int { kSilence = -1, kFailure = -2 };

  FakePort& send(const std::string& bytes) {
    for (char c : bytes) script_.push_back(static_cast<unsigned char>(c));
    return *this;
  }
  FakePort& silence() { return script_.push_back(kSilence), *this; }
  FakePort& failure() { return script_.push_back(kFailure), *this; }

  platform::PortSetup setupResult = platform::PortSetup::Ready;
  std::vector<std::int32_t> timeouts;
  std::function<void()> onSilence;
  bool isOpen = false;

  platform::PortSetup open(const std::string&, std::int32_t, std::uint32_t) override {
    isOpen = setupResult == platform::PortSetup::Ready;
    return setupResult;
  }

  platform::ReadStatus readByte(std::uint8_t& byte, std::int32_t timeoutMs) override {
    timeouts.push_back(timeoutMs);
    const int next = script_.empty() ? kSilence : script_.front();
    if (!script_.empty()) script_.pop_front();
    if (next == kFailure) return platform::ReadStatus::Failed;
    if (next == kSilence) {
      if (onSilence) onSilence();
      return platform::ReadStatus::TimedOut;
    }
    byte = static_cast<std::uint8_t>(next);
    return platform::ReadStatus::Byte;
  }

  void close() override { isOpen = false; }

 private:
  std::deque<int> script_;
};

}  // namespace varnix::test
