// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated instrument on its own thread: it waits for the download to
// open its pseudo-terminal, sends the dump, and waits for the download to
// close the line again (closing earlier would drop unread bytes).
#pragma once

#include <string>
#include <thread>

#include "dump_sender.h"
#include "sim_line.h"

namespace varnix::test {

class Instrument {
 public:
  explicit Instrument(std::string dump, sim::Pacing pacing = {})
      : thread_([this, dump = std::move(dump), pacing] {
          if (!line_.waitForReceiver(60000)) return;
          sim::sendDump(line_.fd(), dump, pacing);
          line_.waitForReceiverGone(60000);
        }) {}
  ~Instrument() { thread_.join(); }
  std::string path() const { return line_.path(); }

 private:
  sim::PtyLine line_;
  std::thread thread_;
};

}  // namespace varnix::test
