// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli logbook and findings, run as a separate program on the data
// folder the sample dump expands into.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

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

// An aircraft folder and id in Latin-1 with a control character: the
// logbook's JSON is valid UTF-8 and holds them as their characters.
TEST(LogbookCli, JsonIsValidUtf8) {
  TempDir dir;
  expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  std::filesystem::rename(dir.file("data/N123AB"), dir.file("data/N\xE9"));
  std::string text = readFile(dir.file("data/N\xE9/F00102.CSV"));
  const std::string id = "Aircraft Number N123AB";
  text.replace(text.find(id), id.size(), "Aircraft Number N\xE9\x07");
  writeFile(dir.file("data/N\xE9/F00102.CSV"), text);
  const CliRun run = runCli(dir, "logbook --json " + quoted(dir.file("data")));
  EXPECT_EQ(run.exit, 0) << run.err;
  nlohmann::json doc;
  ASSERT_NO_THROW(doc = nlohmann::json::parse(run.out)) << run.out;
  ASSERT_EQ(doc["flights"].size(), 4u);
  std::set<std::string> aircraft;
  for (const auto& f : doc["flights"]) {
    EXPECT_EQ(f["folder"], "N\xC3\xA9");
    aircraft.insert(f["aircraft"].get<std::string>());
  }
  EXPECT_EQ(aircraft, (std::set<std::string>{"N123AB", "N\xC3\xA9\x07"}));
}

// A limits file the commands cannot take whole: each problem named with its
// line on stderr, the rest of the file applied.
TEST(LogbookCli, LimitsProblemsAreNamedWithTheirLines) {
  TempDir dir;
  const std::vector<std::string> files =
      expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  writeFile(dir.file("data/N123AB/varnix-limits.txt"), "\xEF\xBB\xBF" "CHT_MAX = 390\r\ndif_max = nan\r\noil_max = 400abc\r\n");
  const std::string limits = dir.file("data/N123AB/varnix-limits.txt");
  const std::vector<std::string> problems = {
      limits + " line 2: dif_max: \"nan\" is not a finite number; 500 applies",
      limits + " line 3: oil_max: \"400abc\" is not a number; 230 applies"};
  for (const std::string& args : {"logbook " + quoted(dir.file("data")), "findings " + quoted(files[1])}) {
    SCOPED_TRACE(args);
    const CliRun run = runCli(dir, args);
    EXPECT_EQ(run.exit, 0) << run.err;
    for (const std::string& p : problems) EXPECT_NE(run.err.find(p + "\n"), std::string::npos) << p << "\n" << run.err;
    EXPECT_NE(run.out.find("CHT C3 reached 396 °F at 14:4"), std::string::npos) << run.out;  // 390 applies
  }
}

}  // namespace
}  // namespace varnix::test
