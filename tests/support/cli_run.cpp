// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/cli_run.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>

namespace varnix::test {

CliRun runCli(const std::string& cli, const TempDir& dir, const std::string& args) {
  const std::string out = dir.file("cli.out"), err = dir.file("cli.err");
  const std::string command =
      "cd " + quoted(dir.path()) + " && " + quoted(cli) + " " + args + " >" + quoted(out) + " 2>" + quoted(err) +
      " </dev/null";
  const int status = std::system(command.c_str());
#ifdef _WIN32
  const int exit = status;  // the program's own exit code
#else
  const int exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  CliRun run{exit, readFile(out), readFile(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return run;
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::string twoFlightDump(const std::string& userId) {
  FlightHeaderFields first, second;
  second.flightNumber = 2;
  second.hours = 11;
  return DumpBuilder()
      .line("U," + userId)
      .line("C,830,0,0,0,288")
      .line("D,1,8")
      .line("D,2,8")
      .line("L,1")
      .bytes(flightHeader(first))
      .padding()
      .bytes(flightHeader(second))
      .padding()
      .closing()
      .str();
}

}  // namespace varnix::test
