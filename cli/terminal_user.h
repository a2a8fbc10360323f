// SPDX-License-Identifier: GPL-3.0-or-later
// The command line on a road: messages on stderr, paths and flight index
// lines on stdout, and the questions answered by the command's flags.
#pragma once

#include <string>
#include <vector>

#include "frontend/road_user.h"

namespace varnix::cli {

class TerminalUser : public frontend::RoadUser {
 public:
  // The flags' answers.
  bool overwriteDump = false;  // a dump in the user folder is never replaced
  bool deleteBackup = false;
  bool recoverLaterFlights = false;  // a damaged dump's later flights are not written
  // Whether an expansion prints the dump's flight index lines.
  bool listFlights = true;
  // The lines this run's expansion wrote; without them the index is read.
  const std::vector<std::string>* writtenLines = nullptr;

  void tell(const frontend::Message& message) override;
  bool ask(frontend::Question question, const frontend::Message& message) override;
  void libraryProblem(const std::string& problem) override;
  void step(frontend::Step step, const std::string& path) override;
  void expanded(const std::string& dump, int code, const frontend::Message& message) override;
};

}  // namespace varnix::cli
