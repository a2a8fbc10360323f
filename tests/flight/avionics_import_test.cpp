// SPDX-License-Identifier: GPL-3.0-or-later
// Importing flight logs into an aircraft's folder (the road varnix-cli import
// and the logbook window share).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "frontend/import_logs.h"
#include "store/data_folder_names.h"
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
      {"a G3X Touch log (no units line)", "",
       readFile(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_20260327_152821_KOAK.csv"),
       ImportOutcome::Imported, "log.csv", 0},
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
    ASSERT_EQ(r.value.files.size(), 1u);
    EXPECT_EQ(r.value.files[0].outcome, c.outcome) << r.value.files[0].message;
    EXPECT_EQ(frontend::ImportExitCode(r), c.exitCode);
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
    std::string problem;  // a part of the reason
  };
  const Case cases[] = {
      {"an id that climbs out", "..", data.path(), "cannot name a folder"},
      {"an id with a separator", "../outside", data.path(), "cannot name a folder"},
      {"an empty id", "", data.path(), "cannot name a folder"},
      {"no data folder", "N123AB", data.path() + "/missing", "cannot be found"},
      {"an empty data folder", "N123AB", "", "the data folder \"\" cannot be found"},
      // Folders the logbook would not list, or names of its own files.
      {"a dot folder", ".hidden", data.path(), ".hidden begins with a dot, and the logbook skips such folders"},
      {"a dot folder after blanks", "  .N1", data.path(), "begins with a dot"},
      {"the catalog's log", "varnix-catalog.sqlite-wal", data.path(), "is a name of the flight catalog's own files"},
      {"the catalog in capitals", "VARNIX-CATALOG.SQLITE", data.path(), "flight catalog's own files"},
      {"the limits file's name", "varnix-limits.txt", data.path(), "is the aircraft's limits file"},
      {"the acknowledgements file's name", "varnix-acknowledged.txt", data.path(), "acknowledgements file"},
      {"the maintenance file's name", "maintenance.csv", data.path(), "maintenance records"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const frontend::ImportResult r = frontend::ImportFlightFiles({from.file("log.csv")}, c.aircraft, c.dataFolder);
    EXPECT_NE(r.problem.find(c.problem), std::string::npos) << r.problem;
    EXPECT_TRUE(r.value.files.empty());
    EXPECT_EQ(frontend::ImportExitCode(r), frontend::kImportUnusableTarget);
  }
  EXPECT_FALSE(std::filesystem::exists(data.path() + "/../outside"));
  EXPECT_TRUE(std::filesystem::is_empty(data.path())) << "no folder was made";
}

// The copy's name is one the logbook lists as a flight (never one of its own
// files' names), from the source's name.
TEST(AvionicsImport, EveryCopyGetsANameTheLogbookLists) {
  const std::string long250 = std::string(246, 'x') + ".csv";  // 250 bytes: its temporary's name is cut, not its own
  const std::string long254 = std::string(254, 'y');           // ".csv" would pass 255 bytes: the stem is cut
  struct Case {
    std::string source, copy;
  };
  const Case cases[] = {
      {"log.csv", "log.csv"},
      {"LOG.CSV", "LOG.CSV"},
      {"log.Csv", "log.Csv"},
      {"log.txt", "log.csv"},
      {"log", "log.csv"},
      {"log.2023.txt", "log.2023.csv"},
      {".csv", "csv.csv"},
      {".hidden.csv", "hidden.csv"},
      {"varnix-limits.txt", "varnix-limits.csv"},
      {"varnix-acknowledged.txt", "varnix-acknowledged.csv"},
      {"maintenance.csv", "maintenanceA.csv"},
      {"MAINTENANCE.CSV", "MAINTENANCEA.CSV"},
      {long250, long250},
      {long254, std::string(251, 'y') + ".csv"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source.size() > 40 ? c.source.substr(0, 3) + "... (" + std::to_string(c.source.size()) + " bytes)"
                                      : c.source);
    TempDir data, from;
    writeFile(from.file(c.source), kLog);
    const frontend::ImportResult r = frontend::ImportFlightFiles({from.file(c.source)}, "N123AB", data.path());
    ASSERT_TRUE(r.problem.empty()) << r.problem;
    ASSERT_EQ(r.value.files.size(), 1u);
    EXPECT_EQ(r.value.files[0].outcome, ImportOutcome::Imported) << r.value.files[0].message;
    EXPECT_EQ(r.value.files[0].message, from.file(c.source) + " imported as N123AB/" + c.copy);
    EXPECT_EQ(readFile(data.path() + "/N123AB/" + c.copy), kLog);
    EXPECT_TRUE(store::IsFlightFileName(c.copy));
    EXPECT_EQ(store::ReservedNameReason(c.copy), "");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(data.path() + "/N123AB")) ++entries;
    EXPECT_EQ(entries, 1u) << "the copy alone: no temporary is left";
  }
}

// Imports of one file at once: one copy, the others find it there.
#if !defined(_WIN32) || defined(_GLIBCXX_HAS_GTHREADS)  // mingw's win32 thread model has no std::thread
TEST(AvionicsImport, SixImportsOfOneFileAtOnceLeaveOneCopy) {
  std::string log = kLog;
  for (int s = 10 * 3600 + 11 * 60 + 14; s < 10 * 3600 + 11 * 60 + 14 + 20000; ++s) {
    char row[64];
    std::snprintf(row, sizeof row, "2023-01-02, %02d:%02d:%02d, +01:00, 22\n", s / 3600, s / 60 % 60, s % 60);
    log += row;
  }
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    TempDir data, from;
    writeFile(from.file("log.txt"), log);
    std::vector<frontend::ImportResult> results(6);
    {
      std::vector<std::thread> imports;
      for (frontend::ImportResult& r : results)
        imports.emplace_back([&] { r = frontend::ImportFlightFiles({from.file("log.txt")}, "N123AB", data.path()); });
      for (std::thread& t : imports) t.join();
    }
    int imported = 0, there = 0;
    for (const frontend::ImportResult& r : results) {
      ASSERT_EQ(r.value.files.size(), 1u);
      imported += r.value.files[0].outcome == ImportOutcome::Imported;
      there += r.value.files[0].outcome == ImportOutcome::AlreadyThere;
      EXPECT_EQ(frontend::ImportExitCode(r), 0) << r.value.files[0].message;
    }
    EXPECT_EQ(imported, 1);
    EXPECT_EQ(there, 5);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(data.path() + "/N123AB"))
      names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"log.csv"});
  }
}
#endif

}  // namespace
}  // namespace varnix::test
