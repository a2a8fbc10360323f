// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated instrument on its own thread: it waits for the download to
// open its pseudo-terminal, sends the dump, and waits for the download to
// close the line again (closing earlier would drop unread bytes), or hangs
// up itself once `hangUpWhen` says so.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "dump_sender.h"
#include "sim_line.h"

namespace varnix::test {

class Instrument {
 public:
  explicit Instrument(std::string dump, sim::Pacing pacing = {}, std::function<bool()> hangUpWhen = {})
      : path_(line_.emplace().path()),
        thread_([this, dump = std::move(dump), pacing, hangUpWhen = std::move(hangUpWhen)] {
          if (!line_->waitForReceiver(60000)) return;
          sim::sendDump(line_->fd(), dump, pacing);
          if (!hangUpWhen) {
            line_->waitForReceiverGone(60000);
            return;
          }
          for (int i = 0; i < 6000 && !hangUpWhen(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
          line_.reset();
        }) {}
  ~Instrument() { thread_.join(); }
  std::string path() const { return path_; }

 private:
  std::optional<sim::PtyLine> line_;
  std::string path_;
  std::thread thread_;
};

}  // namespace varnix::test
