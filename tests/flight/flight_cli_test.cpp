// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli info and chart, run as a separate program on flights the
// expansion wrote.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/cli_run.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

CliRun runCli(const TempDir& dir, const std::string& args) { return test::runCli(VARNIX_CLI, dir, args); }

TEST(FlightCli, InfoJsonGivesTheDocumentedKeys) {
  TempDir dir;
  const std::vector<std::string> files =
      expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  ASSERT_EQ(files.size(), 4u);
  const CliRun run = runCli(dir, "info --json " + quoted(files[1]));  // F00102.CSV: E3 has NA rows
  EXPECT_EQ(run.exit, 0) << run.err;
  for (const char* expected :
       {"\"aircraft\": \"N123AB\"", "\"flight\": \"102\"", "\"start\": \"2024-06-03T14:40:00\"", "\"rows\": 159",
        "\"interval_s\": 6", "\"duration_h\": 0.2633333",
        "\"E3\": {\"min\": 910, \"max\": 1443, \"mean\": 1409.727, \"max_at\": 144, \"count\": 154}",
        "\"hottest\": {\"EGT\": {\"channel\": \"E3\", \"value\": 1443}, \"CHT\": {\"channel\": \"C3\", \"value\": 396}}",
        "\"fuel_used\": {\"USD\": {\"amount\": 8.8, \"from\": \"USD\"}}"})
    EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
}

TEST(FlightCli, InfoNamesTheProblemAndExitsWithItsCode) {
  TempDir dir;
  writeFile(dir.file("other.csv"), "a,b\r\n1,2\r\n");
  struct Case {
    std::string file;
    int exit;
    const char* message;
  };
  const Case cases[] = {{dir.file("other.csv"), 2, "line 1: not a flight file"},
                        {dir.file("missing.CSV"), 1, "cannot be opened"}};
  for (const Case& c : cases) {
    const CliRun run = runCli(dir, "info " + quoted(c.file));
    EXPECT_EQ(run.exit, c.exit);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace varnix::test
