// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli logbook and findings, run as a separate program on the data
// folder the sample dump expands into.
#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

CliRun runCli(const TempDir& dir, const std::string& args) { return test::runCli(VARNIX_CLI, dir, args); }

TEST(LogbookCli, PrintsTheFlightsAndFindingsWithTheDocumentedKeys) {
  TempDir dir;
  const std::vector<std::string> files =
      expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  writeFile(dir.file("data/N123AB/varnix-limits.txt"), "cht_max = 390\n");
  struct Case {
    std::string args;
    std::vector<std::string> expected;
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {"logbook --json " + quoted(dir.file("data")),
       {"\"data_folder\": ", "\"file\": \"N123AB/F00102.CSV\"", "\"aircraft\": \"N123AB\"", "\"flight\": \"102\"",
        "\"start\": \"2024-06-03T14:40:00\"", "\"duration_h\": 0.2633333",
        "\"hottest\": {\"EGT\": {\"channel\": \"E3\", \"value\": 1443}, \"CHT\": {\"channel\": \"C3\", \"value\": 396}}",
        "\"fuel_used\": 8.8",
        "{\"kind\": \"cht\", \"channel\": \"C3\", \"severity\": \"caution\", \"start_s\": ",
        "\"text\": \"CHT C3 reached 396 °F at ", "\"trends\": []"},
       {}},
      {"logbook --csv --since 2024-06-04 " + quoted(dir.file("data")), {"aircraft,date,start,flight,"}, {"F00101"}},
      {"logbook --aircraft N9 " + quoted(dir.file("data")), {}, {"F00101"}},
      {"findings --json " + quoted(files[1]),
       {"\"flight\": \"102\"", "\"findings\": [", "\"kind\": \"cht\", \"channel\": \"C3\""}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun run = runCli(dir, c.args);
    EXPECT_EQ(run.exit, 0) << run.err;
    for (const std::string& e : c.expected) EXPECT_NE(run.out.find(e), std::string::npos) << e << "\n" << run.out;
    for (const std::string& a : c.absent) EXPECT_EQ(run.out.find(a), std::string::npos) << a << "\n" << run.out;
  }
  const CliRun missing = runCli(dir, "logbook " + quoted(dir.file("nowhere")));
  EXPECT_EQ(missing.exit, 1);
  EXPECT_NE(missing.err.find("cannot be found"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace varnix::test
