// A serial port that plays a script: bytes, silences and failures, and
// notes every time-out it was asked to wait.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial_port.h"

namespace varnix::test {

class FakePort final : public platform::SerialPort {
 public:
  struct Step {
    enum Kind { Bytes, Silence, Failure } kind;
    std::string bytes;
  };

  FakePort& send(std::string_view bytes) {
    script_.push_back({Step::Bytes, std::string(bytes)});
    return *this;
  }
  FakePort& silence() {
    script_.push_back({Step::Silence, {}});
    return *this;
  }
  FakePort& failure() {
    script_.push_back({Step::Failure, {}});
    return *this;
  }

  platform::PortSetup setupResult = platform::PortSetup::Ready;
  std::vector<std::int32_t> timeouts;  // one per wait
  std::function<void()> onSilence;     // runs when a silence is played
  bool isOpen = false;
  std::string openedName;

  platform::PortSetup open(const std::string& name, std::int32_t, std::uint32_t) override {
    openedName = name;
    isOpen = setupResult == platform::PortSetup::Ready;
    return setupResult;
  }

  platform::ReadStatus readByte(std::uint8_t& byte, std::int32_t timeoutMs) override {
    timeouts.push_back(timeoutMs);
    while (!script_.empty() && script_.front().kind == Step::Bytes && pos_ >= script_.front().bytes.size()) {
      script_.pop_front();
      pos_ = 0;
    }
    if (script_.empty() || script_.front().kind == Step::Silence) {
      if (!script_.empty()) script_.pop_front();
      if (onSilence) onSilence();
      return platform::ReadStatus::TimedOut;
    }
    if (script_.front().kind == Step::Failure) {
      script_.pop_front();
      return platform::ReadStatus::Failed;
    }
    byte = static_cast<std::uint8_t>(script_.front().bytes[pos_++]);
    return platform::ReadStatus::Byte;
  }

  void close() override { isOpen = false; }

 private:
  std::deque<Step> script_;
  std::size_t pos_ = 0;
};

}  // namespace varnix::test
