// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli info and chart, run as a separate program on flights the
// expansion wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "encoder/dump_encoder.h"
#include "encoder/flight_profile.h"
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

// analyze --json gives every documented key, on our own flight and on an
// avionics log, whose phases come in the order its altitude shows.
TEST(FlightCli, AnalyzeJsonGivesTheDocumentedKeys) {
  TempDir dir;
  const std::vector<std::string> files =
      expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/HOUR6.DAT"));
  ASSERT_FALSE(files.empty());
  const std::string log = std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_220417_125002_LFQA.csv";
  for (const std::string& file : {files[0], log}) {
    SCOPED_TRACE(file);
    const CliRun run = runCli(dir, "analyze --json " + quoted(file));
    ASSERT_EQ(run.exit, 0) << run.err;
    nlohmann::json doc;
    ASSERT_NO_THROW(doc = nlohmann::json::parse(run.out)) << run.out;
    for (const char* key : {"file", "aircraft", "flight", "start", "interval_s", "phases", "events", "power", "mixture",
                            "lean_tests", "mag_checks", "sensor_faults", "valve_screen", "findings", "open_findings"})
      EXPECT_TRUE(doc.contains(key)) << key;
    std::string order;
    for (const auto& p : doc["phases"]) {
      const std::string phase = p["phase"];
      if (phase != "ground" && phase != "runup") order += (order.empty() ? "" : " ") + phase;
    }
    EXPECT_EQ(order, "takeoff climb cruise descent");
  }
}

// analyze prints each analysis's section under its title: its lines, its
// table in aligned columns (figures to the right, the unit in the title
// where the column has one, times as clock times, durations h:mm:ss), or
// what stands in for an empty table; the findings after them.
TEST(FlightCli, AnalyzeTextShowsEverySectionOfTheAnalyses) {
  TempDir dir, other;
  sim::encode::ProfileOptions events;
  events.cylinders = 4;
  events.events.lean = events.events.mag = events.events.valve = events.events.probe = true;
  const std::string withEvents = expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(events, 1))).at(0);
  const std::string plain = expandedFlights(other, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/HOUR6.DAT")).at(0);
  const struct {
    std::string file;
    const char* text;  // lines that follow one another
  } cases[] = {
      {plain,
       "\nPhases\n"
       "  Phase        From        To  Duration  Fuel (gal)  Max CHT (°F)  Mean EGT (°F)  Mean power (%)\n"
       "  Ground    9:12:00   9:16:12   0:04:12         0.3           281            939              12\n"
       "  Runup     9:16:12   9:17:30   0:01:18         0.2           314           1169              33\n"},
      {withEvents,
       "\nPower, mixture, valves and sensors\n"
       "  Power in cruise: 66 % (recorded)\n"
       "  Cruise from 9:27:00: rich of peak — leaning crossed the EGT peak of 1469 °F at 7.7 GPH (9:31:36), then the mixture went back to 8.3 GPH, richer than the peak\n"
       "  Valve screen: E3 ±32 °F every 60 s (valve), E4 ±41 °F every 60 s (valve)\n"
       "  Sensors: C3 dropout from 9:42:00\n"
       "Lean test\n"
       "  Sweep at 9:30:48 (16 rows): Fair, the peaks 0.60 GPH apart, E1 first and E4 last\n"
       "    Sweep  Cylinder  Peak EGT (°F)  Fuel flow at peak (GPH)  Peak at\n"
       "  9:30:48  E1                 1487                     8.08  9:31:26\n"
       "  9:30:48  E2                 1443                     7.89  9:31:31\n"
       "  9:30:48  E3                 1494                     7.68  9:31:36\n"
       "  9:30:48  E4                 1479                     7.49  9:31:41\n"
       "Magneto check\n"
       "  Each EGT's rise on one magneto, in °F.\n"
       "  Check at 9:17:00 (116 RPM below 1799): Plug, E3 fell 21 °F while the others rose 60-64 °F\n"
       "     Time  RPM drop  Verdict  E1 (°F)  E2 (°F)  E3 (°F)  E4 (°F)\n"
       "  9:16:36   106 RPM  Normal        65       70       72       72\n"
       "  9:17:00   116 RPM  Plug          64       60      -21       64\n"
       "Findings:   4, 4 open\n"},
      {plain,
       "\n  Valve screen: no cylinder swings in cruise\n"
       "  Sensors: no probe reads like a fault\n"
       "Lean test\n"
       "  No leaning sweep in this flight.\n"
       "Magneto check\n"
       "  No magneto check in the run-up.\n"
       "Findings:   0, 0 open\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const CliRun run = runCli(dir, "analyze " + quoted(c.file));
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.out.find(c.text), std::string::npos) << c.text << "\n" << run.out;
  }
}

// info and findings open a file through the one door: the same problems
// with the same codes, and an avionics log as well as our own files.
TEST(FlightCli, InfoNamesTheProblemAndExitsWithItsCode) {
  TempDir dir;
  writeFile(dir.file("other.csv"), "a,b\r\n1,2\r\n");
  struct Case {
    std::string file;
    int exit;
    const char* message;  // on stderr, or on stdout for a flight that is read
  };
  const Case cases[] = {
      {dir.file("other.csv"), 2, "line 1: not a flight file"},
      {dir.file("missing.CSV"), 1, "cannot be opened"},
      {std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_220417_125002_LFQA.csv", 0, "Cirrus SR22 Turbo"},
      {std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_20260327_152821_KOAK.csv", 0, "N662EZ"}};
  for (const char* command : {"info", "findings"})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(command) + " " + c.file);
      const CliRun run = runCli(dir, std::string(command) + " " + quoted(c.file));
      EXPECT_EQ(run.exit, c.exit);
      EXPECT_NE((c.exit ? run.err : run.out).find(c.message), std::string::npos) << run.err << run.out;
      // A log that numbers no flights is not given an empty number.
      EXPECT_EQ(run.out.find("#,"), std::string::npos) << run.out;
      EXPECT_EQ(run.out.find("# of"), std::string::npos) << run.out;
    }
}

// Header text in Latin-1 with control characters, in a file whose name is
// Latin-1 too: the JSON stays valid UTF-8, the terminal sees no control.
TEST(FlightCli, JsonIsValidUtf8AndTerminalTextHoldsNoControls) {
  TempDir dir;
  const std::vector<std::string> files =
      expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  ASSERT_EQ(files.size(), 4u);
  std::string text = readFile(files[1]);
  const std::string id = "Aircraft Number N123AB";
  ASSERT_NE(text.find(id), std::string::npos);
  text.replace(text.find(id), id.size(), std::string("Aircraft Number N\xE9\x1B[31mX\x07Y\0Z", 28));
  const std::string file = dir.file("data/N123AB/F\xE9te.CSV");
  writeFile(file, text);
  const std::string aircraft = std::string("N\xC3\xA9\x1B[31mX\x07Y\0Z", 13);  // as UTF-8
  struct Case {
    std::string args;
    std::vector<std::pair<std::string, std::string>> keys;  // JSON: key and value
    std::string line;                                        // text: a line printed
  };
  const Case cases[] = {
      {"info --json", {{"aircraft", aircraft}, {"flight", "102"}}, ""},
      {"analyze --json", {{"aircraft", aircraft}, {"flight", "102"}}, ""},
      {"findings --json", {{"aircraft", aircraft}, {"file", dir.file("data/N123AB/F\xC3\xA9te.CSV")}}, ""},
      {"info", {}, "Aircraft:   N\xC3\xA9?[31mX?Y?Z\n"},
      {"findings", {}, "Flight #102 of N\xC3\xA9?[31mX?Y?Z, 2024-06-03T14:40:00: 1 findings\n"},
      {"analyze", {}, "Flight #102 of N\xC3\xA9?[31mX?Y?Z, 2024-06-03T14:40:00, every 6 s\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun run = runCli(dir, c.args + " " + quoted(file));
    EXPECT_EQ(run.exit, 0) << run.err;
    if (!c.keys.empty()) {
      nlohmann::json doc;
      ASSERT_NO_THROW(doc = nlohmann::json::parse(run.out)) << run.out;
      for (const auto& [key, value] : c.keys) EXPECT_EQ(doc[key], value) << key;
    } else {
      EXPECT_NE(run.out.find(c.line), std::string::npos) << run.out;
      for (const char control : {'\x1B', '\x07', '\0'}) EXPECT_EQ(run.out.find(control), std::string::npos);
    }
  }
}

// The owner's acknowledgements in the flight's folder mark its findings
// until their review date; a line the file gets wrong is named on stderr.
TEST(FlightCli, FindingsJsonShowsAcknowledgedFindingsWithTheirReason) {
  TempDir dir;
  const std::vector<std::string> files =
      expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/HOUR6.DAT"));
  ASSERT_FALSE(files.empty());
  const std::string folder = std::filesystem::path(files[0]).parent_path().string();
  // The heads pass 420 °F in the climb only, where the caution is not judged: a limit there makes the finding.
  writeFile(folder + "/varnix-limits.txt", "cht_max = 420\n");
  struct Case {
    const char* what;
    std::string file;  // varnix-acknowledged.txt
    bool acknowledged;
    const char* problem;  // on stderr
  };
  const Case cases[] = {
      {"no file", "", false, ""},
      {"known until 2999", "cht C2 2999-12-31 C2 probe reads high\n", true, ""},
      {"reviewed in 2000", "cht C2 2000-01-01 C2 probe reads high\n", false, ""},
      {"a line without a reason", "cht C2 2999-12-31\n", false,
       "varnix-acknowledged.txt line 1: no reason; the line is left out"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(folder + "/varnix-acknowledged.txt");
    if (!c.file.empty()) writeFile(folder + "/varnix-acknowledged.txt", c.file);
    const CliRun run = runCli(dir, "findings --json " + quoted(files[0]));
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.err.find(c.problem), std::string::npos) << run.err;
    nlohmann::json doc;
    ASSERT_NO_THROW(doc = nlohmann::json::parse(run.out)) << run.out;
    const nlohmann::json* caution = nullptr;
    for (const auto& f : doc["findings"])
      if (f["kind"] == "cht" && f["channel"] == "C2") caution = &f;
    ASSERT_TRUE(caution) << run.out;
    EXPECT_EQ((*caution)["acknowledged"], c.acknowledged);
    EXPECT_EQ((*caution)["reason"], c.acknowledged ? nlohmann::json("C2 probe reads high") : nlohmann::json());
    EXPECT_GT((*caution)["time_above_s"].get<double>(), 0);
    EXPECT_NEAR((*caution)["excess"].get<double>(), 21, 0.5);
    // The keys of one event's channels and its context, null where they do not apply.
    EXPECT_EQ((*caution)["channels"], nlohmann::json::array({"C2"}));
    for (const char* key : {"offset", "rpm", "amps"}) EXPECT_TRUE((*caution)[key].is_null()) << key;
    EXPECT_EQ(doc["open_findings"], doc["findings"].size() - (c.acknowledged ? 1 : 0));
  }
}

}  // namespace
}  // namespace varnix::test
