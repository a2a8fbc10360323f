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

}  // namespace
}  // namespace varnix
