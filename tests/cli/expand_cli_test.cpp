// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli expand, run as a user runs it: how it exits, what it says, and
// what it leaves on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/cli_run.h"
#include "support/dump_builder.h"

namespace varnix {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::DumpBuilder;
using test::quoted;
using test::readFile;
using test::TempDir;
using test::twoFlightDump;
using test::writeFile;

CliRun expand(const TempDir& dir, const std::string& dump, const std::string& dataFolder) {
  return test::runCli(VARNIX_CLI, dir, "expand " + quoted(dump) + " --data-folder " + quoted(dataFolder));
}

bool says(const CliRun& run, const std::string& text) { return run.err.find(text) != std::string::npos; }

TEST(ExpandCommand, WordsForEveryOutcome) {
  DumpBuilder endless;
  for (int i = 0; i < 282; ++i) endless.line("A,1");
  const struct {
    const char* what;
    std::string dump;
    const char* dataFolder;  // below the test folder
    int exit;
    const char* words;
  } cases[] = {
      {"a data folder that is not there yet is made", twoFlightDump(), "new/data", 0, ""},
      {"282 header lines without $L", endless.str(), "data", 20,
       "No end of the file header: 282 header lines without a \"$L\" line, stopped expanding data."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    writeFile(dir.file("R261207.DAT"), c.dump);
    const CliRun run = expand(dir, dir.file("R261207.DAT"), dir.file(c.dataFolder));
    EXPECT_EQ(run.exit, c.exit) << run.err;
    EXPECT_TRUE(says(run, c.words)) << run.err;
    if (c.exit == 0) {
      EXPECT_TRUE(fs::exists(dir.file(c.dataFolder) + "/N123AB/F00001.CSV"));
    }
  }
}

// A dump expanded a second time: said on stderr, and the expansion goes on.
TEST(ExpandCommand, ExpandingAgainSaysSoAndGoesOn) {
  TempDir dir;
  writeFile(dir.file("R261207.DAT"), twoFlightDump());
  ASSERT_EQ(expand(dir, dir.file("R261207.DAT"), dir.file("data")).exit, 0);
  const CliRun again = expand(dir, dir.file("R261207.DAT"), dir.file("data"));
  EXPECT_EQ(again.exit, 0) << again.err;
  EXPECT_TRUE(says(again, "The flights Flt#1, Flt#2 of R261207.DAT are in their folder already; expanding again "
                          "writes second copies."))
      << again.err;
  EXPECT_TRUE(fs::exists(dir.file("data/N123AB/F00002A.CSV")));
}

// --recover: the flights after a damaged one are written, and the index
// lines printed are this run's, the later ones marked.
TEST(ExpandCommand, RecoverWritesTheLaterFlights) {
  test::DumpPlan plan;
  for (std::uint16_t k = 1; k <= 3; ++k) {
    test::FlightPlan f;
    f.header.flightNumber = k;
    f.header.presence = 1u << 2;
    f.records = {test::RecordBuilder().set(0, 0, 1), test::RecordBuilder().set(0, 0, 2)};
    plan.flights.push_back(f);
  }
  plan.flights[0].corruptHeader = true;
  TempDir dir;
  writeFile(dir.file("R1.DAT"), test::assembleDump(plan));
  const CliRun run =
      test::runCli(VARNIX_CLI, dir, "expand --recover " + quoted(dir.file("R1.DAT")) + " --data-folder data");
  EXPECT_EQ(run.exit, 3) << run.err;
  EXPECT_TRUE(says(run, "Bad flight header, stopped expanding data.")) << run.err;
  EXPECT_EQ(run.out.substr(0, 19), "Flt#2- F00002.CSV  ") << run.out;
  EXPECT_NE(run.out.find(" recovered\nFlt#3- F00003.CSV  "), std::string::npos) << run.out;
  EXPECT_EQ(run.out.size() - run.out.rfind(" recovered\n"), 11u) << run.out;
}

}  // namespace
}  // namespace varnix
