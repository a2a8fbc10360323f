// SPDX-License-Identifier: GPL-3.0-or-later
// The flight catalog on a data folder the expansion filled: what it keeps
// equals what the reader and the summary give, it follows changed, removed
// and half-written files, and it comes back whole from a lost or damaged
// database.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>

#include "flight/catalog.h"
#include "flight/flight_reader.h"
#include "flight/flight_summary.h"
#include "flight/logbook.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
using flight::Catalog;

struct Folder {
  TempDir dir;
  std::vector<std::string> files = expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  std::string data = dir.file("data");
  std::string database = std::string(data).append("/").append(flight::kCatalogFileName);
};

std::vector<flight::CatalogEntry> indexed(const std::string& data, flight::CatalogUpdate* update = nullptr) {
  const auto catalog = Catalog::open(data);
  EXPECT_TRUE(catalog);
  if (!catalog) return {};
  const flight::CatalogUpdate u = catalog->update();
  EXPECT_EQ(u.problem, "");
  if (update) *update = u;
  return catalog->entries();
}

void sql(const std::string& database, const char* statement) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

TEST(Catalog, KeepsWhatTheReaderAndTheSummaryGive) {
  Folder f;
  ASSERT_EQ(f.files.size(), 4u);
  flight::CatalogUpdate u;
  const auto entries = indexed(f.data, &u);
  EXPECT_EQ(u.added, 4u);
  ASSERT_EQ(entries.size(), 4u);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const flight::FlightRead read = flight::ReadFlightFile(f.files[i]);
    ASSERT_TRUE(read.flight);
    const flight::FlightSummary s = flight::SummarizeFlight(*read.flight);
    const flight::CatalogEntry& e = entries[i];
    EXPECT_EQ(e.file, std::string("N123AB/").append(fs::path(f.files[i]).filename().string()));
    EXPECT_EQ(e.folder, "N123AB");
    EXPECT_EQ(e.aircraft, read.flight->facts.aircraft);
    EXPECT_EQ(e.flightLabel, read.flight->facts.flightLabel);
    EXPECT_EQ(e.rows, read.flight->rows());
    EXPECT_EQ(e.recordedSeconds, s.recordedSeconds);
    ASSERT_EQ(e.hottest.size(), s.hottest.size());
    for (std::size_t h = 0; h < s.hottest.size(); ++h) {
      EXPECT_EQ(e.hottest[h].key, s.hottest[h].key);
      EXPECT_EQ(e.hottest[h].channel, s.hottest[h].channel);
      EXPECT_EQ(e.hottest[h].value, static_cast<float>(s.hottest[h].value));
    }
    double fuel = 0;
    for (const auto& used : s.fuel) fuel += used.amount;
    EXPECT_FLOAT_EQ(e.fuelUsed, static_cast<float>(fuel));
  }
  indexed(f.data, &u);  // nothing changed: nothing read
  EXPECT_EQ(u.unchanged, 4u);
  EXPECT_EQ(u.added + u.changed + u.removed, 0u);
}

TEST(Catalog, FollowsChangedRemovedDuplicatedAndHalfWrittenFiles) {
  Folder f;
  indexed(f.data);
  const std::string first = readFile(f.files[0]);
  // The instrument's memory delivered flight 101 again: one flight, two files.
  writeFile(std::string(f.data).append("/N123AB/F00101A.CSV"), first);
  // F00102 rewritten behind the catalog's back with flight 101's rows: read again.
  writeFile(f.files[1], first);
  fs::last_write_time(f.files[1], fs::last_write_time(f.files[1]) - std::chrono::hours(1));
  fs::last_write_time(std::string(f.data).append("/N123AB/F00101A.CSV"), fs::last_write_time(f.files[1]));
  fs::remove(f.files[3]);
  // An expansion still writing: the duration line is not written yet.
  std::string partial = readFile(f.files[2]);
  std::fill_n(partial.begin() + static_cast<std::ptrdiff_t>(partial.find("\"Duration") + 1), 9, ' ');
  writeFile(std::string(f.data).append("/N123AB/F00109.CSV"), partial);

  flight::CatalogUpdate u;
  const auto entries = indexed(f.data, &u);
  EXPECT_EQ(u.added, 1u);
  EXPECT_EQ(u.changed, 1u);
  EXPECT_EQ(u.removed, 1u);
  EXPECT_EQ(u.pending, 1u);
  ASSERT_EQ(entries.size(), 4u);  // F00101, F00101A, F00102, F00103
  EXPECT_EQ(entries[2].flightLabel, "101");  // F00102.CSV now holds flight 101

  const flight::AircraftLog log = flight::BuildAircraftLog("N123AB", entries, flight::Limits{});
  ASSERT_EQ(log.flights.size(), 2u);  // F00102's copy of 101 is the same flight
  const flight::LogbookFlight& f101 = log.flights[1];
  EXPECT_EQ(f101.files, (std::vector<std::string>{"N123AB/F00101.CSV", "N123AB/F00101A.CSV", "N123AB/F00102.CSV"}));
  EXPECT_FALSE(f101.differs);

  // Same number and start, other rows: both shown, marked.
  std::string other = first;
  other[other.rfind(",1") + 1] = '2';
  writeFile(std::string(f.data).append("/N123AB/F00101B.CSV"), other);
  fs::last_write_time(std::string(f.data).append("/N123AB/F00101B.CSV"), fs::last_write_time(f.files[1]));
  const flight::AircraftLog marked = flight::BuildAircraftLog("N123AB", indexed(f.data), flight::Limits{});
  ASSERT_EQ(marked.flights.size(), 3u);
  EXPECT_TRUE(marked.flights[1].differs);
  EXPECT_TRUE(marked.flights[2].differs);
}

TEST(Catalog, ComesBackWholeFromALostOrDamagedDatabase) {
  struct Case {
    const char* what;
    void (*damage)(const std::string& database);
    bool rebuilt;
  };
  const Case cases[] = {
      {"deleted", [](const std::string& db) { fs::remove(db); }, false},
      {"truncated", [](const std::string& db) { fs::resize_file(db, fs::file_size(db) / 3); }, true},
      {"overwritten", [](const std::string& db) { writeFile(db, std::string(9000, 'x')); }, true},
      {"another schema version", [](const std::string& db) { sql(db, "PRAGMA user_version = 7"); }, true},
      {"damaged entries", [](const std::string& db) { sql(db, "UPDATE files SET entry = x'0102'"); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder f;
    ASSERT_EQ(indexed(f.data).size(), 4u);
    c.damage(f.database);
    const auto catalog = Catalog::open(f.data);
    ASSERT_TRUE(catalog);
    const flight::CatalogUpdate u = catalog->update();
    EXPECT_EQ(u.rebuilt, c.rebuilt);
    const auto entries = catalog->entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].flightLabel, "102");
    EXPECT_EQ(Catalog::open(f.data)->entries().size(), 4u);
  }
}

TEST(Catalog, LivesInTheCacheFolderWhenTheDataFolderCannotHoldIt) {
  Folder f;
  TempDir cache;
  setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  fs::create_directory(f.database);  // in the way, as a folder that cannot be written would be
  const auto catalog = Catalog::open(f.data);
  ASSERT_TRUE(catalog);
  const std::string expected = std::string(cache.path()).append("/varnix/catalog-");
  EXPECT_EQ(catalog->databasePath().rfind(expected, 0), 0u) << catalog->databasePath();
  catalog->update();
  EXPECT_EQ(catalog->entries().size(), 4u);
  unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace varnix::test
