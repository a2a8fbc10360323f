// SPDX-License-Identifier: GPL-3.0-or-later
// Runs varnix-cli as a user does and collects what it printed and its exit
// status; and the small two-flight dump that the command-line tests share.
#pragma once

#include <string>

#include "support/dump_builder.h"

namespace varnix::test {

struct CliRun {
  int exit = -1;
  std::string out, err;
};

// Runs `cli` with `args` (already quoted for the shell) in the folder `dir`,
// with no standard input.
CliRun runCli(const std::string& cli, const TempDir& dir, const std::string& args);

// "'" + text + "'", for paths in `args`.
std::string quoted(const std::string& text);

// A dump of two flights whose records are empty: each flight is its header
// and one padding byte.
std::string twoFlightDump(const std::string& userId = "N123AB");

}  // namespace varnix::test
