// SPDX-License-Identifier: GPL-3.0-or-later
// Importing flight logs into an aircraft's folder (the road varnix-cli import
// and the logbook window share).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frontend/import_logs.h"
#include "support/dump_builder.h"

namespace varnix::test {
namespace {

using frontend::ImportOutcome;

const std::string kLog =
    "#airframe_info, airframe_name=\"Cirrus SR22\", aircraft_ident=\"N123AB\",\n"
    "#yyy-mm-dd, hh:mm:ss, hh:mm, gph\n"
    "Lcl Date, Lcl Time, UTCOfst, E1 FFlow\n"
    "2023-01-02, 10:11:12, +01:00, 20\n"
    "2023-01-02, 10:11:13, +01:00, 21\n";

TEST(AvionicsImport, CopiesNeverOverwritesAndSkipsWhatIsThere) {
  struct Case {
    const char* name;
    std::string already;    // bytes of N123AB/log.csv before the import, "" for none
    std::string source;     // bytes of the file imported
    ImportOutcome outcome;
    std::string target;     // its name in N123AB
    int exitCode;
  };
  const Case cases[] = {
      {"a new log", "", kLog, ImportOutcome::Imported, "log.csv", 0},
      {"the same bytes there already", kLog, kLog, ImportOutcome::AlreadyThere, "log.csv", 0},
      {"other bytes under the name: the next suffix", kLog + "2023-01-02, 10:11:14, +01:00, 22\n", kLog,
       ImportOutcome::Imported, "logA.csv", 0},
      {"no flight file", "", "hello\n", ImportOutcome::NotAFlight, "", frontend::kImportNotAFlight},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir data, from;
    if (!c.already.empty()) {
      std::filesystem::create_directories(data.path() + "/N123AB");
      writeFile(data.path() + "/N123AB/log.csv", c.already);
    }
    writeFile(from.file("log.csv"), c.source);
    const frontend::ImportResult r = frontend::ImportFlightFiles({from.file("log.csv")}, "N123AB", data.path());
    ASSERT_TRUE(r.problem.empty()) << r.problem;
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(r.files[0].outcome, c.outcome) << r.files[0].message;
    EXPECT_EQ(r.exitCode(), c.exitCode);
    if (!c.target.empty()) {
      EXPECT_EQ(readFile(data.path() + "/N123AB/" + c.target), c.source);
    }
    if (!c.already.empty()) {
      EXPECT_EQ(readFile(data.path() + "/N123AB/log.csv"), c.already);
    }
  }
}

TEST(AvionicsImport, RefusesAnAircraftOrDataFolderThatCannotTakeFiles) {
  TempDir data, from;
  writeFile(from.file("log.csv"), kLog);
  struct Case {
    const char* name;
    std::string aircraft, dataFolder;
  };
  const Case cases[] = {
      {"an id that climbs out", "..", data.path()},
      {"an id with a separator", "../outside", data.path()},
      {"an empty id", "", data.path()},
      {"no data folder", "N123AB", data.path() + "/missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const frontend::ImportResult r = frontend::ImportFlightFiles({from.file("log.csv")}, c.aircraft, c.dataFolder);
    EXPECT_FALSE(r.problem.empty());
    EXPECT_TRUE(r.files.empty());
    EXPECT_EQ(r.exitCode(), frontend::kImportUnusableTarget);
  }
  EXPECT_FALSE(std::filesystem::exists(data.path() + "/../outside"));
}

}  // namespace
}  // namespace varnix::test
