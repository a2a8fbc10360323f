// SPDX-License-Identifier: GPL-3.0-or-later
// The flight catalog on a data folder the expansion filled: what it keeps
// equals what the reader and the summary give, it follows changed, removed
// and half-written files, and it comes back whole from a lost or damaged
// database; two catalogs on one folder wait for each other and agree; it
// never opens its database through a link; unreadable files are listed;
// a full disk leaves no stub behind; a flight's name is followed through links.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "store/catalog.h"
#include "flight/flight_reader.h"
#include "analysis/mag_check.h"
#include "analysis/flight_summary.h"
#include "store/fleet.h"
#include "store/logbook.h"
#include "support/address_space_limit.h"
#include "support/file_size_limit.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
using store::Catalog;

struct Folder {
  TempDir dir;
  std::vector<std::string> files = expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  std::string data = dir.file("data");
  std::string database = std::string(data).append("/").append(store::kCatalogFileName);
};

std::vector<store::CatalogEntry> indexed(const std::string& data, store::CatalogUpdate* update = nullptr) {
  const auto catalog = Catalog::open(data).value;
  EXPECT_TRUE(catalog);
  if (!catalog) return {};
  const store::CatalogUpdate u = catalog->update();
  EXPECT_EQ(u.problem, "");
  if (update) *update = u;
  return catalog->entries().value;
}

// `copies` more of each of the folder's flights, under the names of other numbers.
void addCopies(const Folder& f, int copies) {
  for (int c = 0; c < copies; ++c)
    for (std::size_t i = 0; i < f.files.size(); ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/N123AB/F%05d.CSV", 1000 + c * 10 + static_cast<int>(i));
      fs::copy_file(f.files[i], f.data + name);
    }
}

// A cache folder of the test's own while it lives.
struct CacheFolder {
  TempDir dir;
  CacheFolder() { setenv("XDG_CACHE_HOME", dir.path().c_str(), 1); }
  ~CacheFolder() { unsetenv("XDG_CACHE_HOME"); }
  std::size_t databases() const {
    std::size_t n = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir.path(), ec), end; !ec && it != end; it.increment(ec))
      n += it->path().filename().string().rfind("catalog-", 0) == 0;
    return n;
  }
};

// The files named after the catalog in the data folder (its logs too).
std::vector<std::string> catalogFiles(const std::string& data) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(data))
    if (e.path().filename().string().rfind(store::kCatalogFileName, 0) == 0) out.push_back(e.path().filename().string());
  return out;
}

std::string inData(const std::string& data) { return (fs::canonical(data) / store::kCatalogFileName).string(); }

void sql(const std::string& database, const char* statement) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, statement, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

TEST(Catalog, KeepsWhatTheReaderAndTheSummaryGive) {
  Folder f;
  ASSERT_EQ(f.files.size(), 4u);
  store::CatalogUpdate u;
  const auto entries = indexed(f.data, &u);
  EXPECT_EQ(u.value.added, 4u);
  ASSERT_EQ(entries.size(), 4u);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const flight::FlightRead read = flight::ReadFlightFile(f.files[i]);
    ASSERT_TRUE(read.ok());
    const analysis::FlightSummary s = analysis::SummarizeFlight(read.value);
    const store::CatalogEntry& e = entries[i];
    EXPECT_EQ(e.file, std::string("N123AB/").append(fs::path(f.files[i]).filename().string()));
    EXPECT_EQ(e.folder, "N123AB");
    EXPECT_EQ(e.aircraft, read.value.facts.aircraft);
    EXPECT_EQ(e.flightLabel, read.value.facts.flightLabel);
    EXPECT_EQ(e.rows, read.value.rows());
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
  EXPECT_EQ(u.value.unchanged, 4u);
  EXPECT_EQ(u.value.added + u.value.changed + u.value.removed, 0u);
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

  store::CatalogUpdate u;
  const auto entries = indexed(f.data, &u);
  EXPECT_EQ(u.value.added, 1u);
  EXPECT_EQ(u.value.changed, 1u);
  EXPECT_EQ(u.value.removed, 1u);
  EXPECT_EQ(u.value.pending, 1u);
  ASSERT_EQ(entries.size(), 4u);  // F00101, F00101A, F00102, F00103
  EXPECT_EQ(entries[2].flightLabel, "101");  // F00102.CSV now holds flight 101

  const store::AircraftLog log = store::BuildAircraftLog("N123AB", entries, analysis::Limits{});
  ASSERT_EQ(log.flights.size(), 2u);  // F00102's copy of 101 is the same flight
  const store::LogbookFlight& f101 = log.flights[1];
  EXPECT_EQ(f101.files, (std::vector<std::string>{"N123AB/F00101.CSV", "N123AB/F00101A.CSV", "N123AB/F00102.CSV"}));
  EXPECT_FALSE(f101.differs);

  // Same number and start, other rows: both shown, marked.
  std::string other = first;
  other[other.rfind(",1") + 1] = '2';
  writeFile(std::string(f.data).append("/N123AB/F00101B.CSV"), other);
  fs::last_write_time(std::string(f.data).append("/N123AB/F00101B.CSV"), fs::last_write_time(f.files[1]));
  const store::AircraftLog marked = store::BuildAircraftLog("N123AB", indexed(f.data), analysis::Limits{});
  ASSERT_EQ(marked.flights.size(), 3u);
  EXPECT_TRUE(marked.flights[1].differs);
  EXPECT_TRUE(marked.flights[2].differs);
}

// The G3X Touch log as another display of the aircraft wrote it: `unit`
// and `system` on the airframe line, every row's clocks a second later.
std::string otherDisplaysLog(const std::string& log, const std::string& unit, const std::string& system) {
  std::string out;
  std::size_t lineNumber = 0;
  for (std::size_t at = 0; at < log.size(); ++lineNumber) {
    const std::size_t end = std::min(log.find('\n', at), log.size());
    std::string line = log.substr(at, end - at);
    at = end + 1;
    if (lineNumber == 0) {
      for (const auto& [key, value] : {std::pair{std::string("unit=\""), unit}, {"system_id=\"", system}}) {
        const std::size_t from = line.find(key) + key.size();
        line.replace(from, line.find('"', from) - from, value);
      }
    } else if (lineNumber >= 3) {
      // Date, local time and UTC time lead each row: both clocks a second later.
      for (std::size_t cell = 0, from = 0; cell < 3 && from != std::string::npos; ++cell) {
        const std::size_t comma = line.find(',', from);
        int h = 0, m = 0, sec = 0;
        if (cell > 0 && std::sscanf(line.c_str() + from, "%d:%d:%d", &h, &m, &sec) == 3) {
          const int t = h * 3600 + m * 60 + sec + 1;
          char clock[16];
          std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
          line.replace(from, comma - from, clock);
        }
        from = line.find(',', from);
        if (from != std::string::npos) ++from;
      }
    }
    out += line + (end < log.size() ? "\n" : "");
  }
  return out;
}

// One flight in two files is one flight of the logbook, its hours and
// findings counted once, both files kept: the logs of two displays of one
// system, and copies under other names. Flights that only share a minute
// (another aircraft, another system) stay apart.
TEST(Catalog, OneFlightInTwoFilesIsOneFlightOfTheLogbook) {
  const std::string mfd = readFile(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_20260327_152821_KOAK.csv");
  const std::string system = "60002CA61BD97";
  TempDir nativeDir;
  const std::string native =
      readFile(expandedFlights(nativeDir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT")).at(0));
  std::string otherAircraft = mfd;
  otherAircraft.replace(otherAircraft.find("N662EZ"), 6, "N7734Q");
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;  // name in the aircraft's folder, text
    std::size_t flights;
    bool recordedTwice;  // of the newest flight
  };
  const Case cases[] = {
      {"the MFD's and the PFD's logs", {{"mfd.csv", mfd}, {"pfd.csv", otherDisplaysLog(mfd, "PFD1", system)}}, 1, true},
      {"a log copied under another name", {{"log_20260327_152821_KOAK.csv", mfd}, {"copy.csv", mfd}}, 1, false},
      {"our monitor's file copied under another name", {{"F00101.CSV", native}, {"backup of 101.csv", native}}, 1,
       false},
      {"another aircraft's flight of the same minute", {{"mfd.csv", mfd}, {"other.csv", otherAircraft}}, 2, false},
      {"another system's log of the same minute",
       {{"mfd.csv", mfd}, {"pfd.csv", otherDisplaysLog(mfd, "PFD1", "60002CA61BD98")}}, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    fs::create_directories(dir.file("data/AC"));
    for (const auto& [name, text] : c.files) writeFile(dir.file("data/AC/" + name), text);
    const store::AircraftLog log = store::BuildAircraftLog("AC", indexed(dir.file("data")), analysis::Limits{});
    ASSERT_EQ(log.unreadable, 0u);
    ASSERT_EQ(log.flights.size(), c.flights);
    std::size_t files = 0;
    double hours = 0;
    for (const store::LogbookFlight& f : log.flights) {
      files += f.files.size();
      hours += f.entry.recordedSeconds / 3600.0;
    }
    EXPECT_EQ(files, c.files.size());  // every file kept, each in one flight
    EXPECT_EQ(log.flights.front().recordedTwice, c.recordedTwice);
    EXPECT_FALSE(log.flights.front().differs);
    const store::FleetRow row = store::MakeFleetRow(log);
    EXPECT_EQ(row.flights, c.flights);
    EXPECT_DOUBLE_EQ(row.hours, hours);  // counted once each
  }
}

// The logbook of entries judged one at a time as they are read, their
// envelopes let go, is the logbook of the entries held whole.
TEST(Catalog, JudgesEntriesAsTheyAreReadAsTheLogbookOfWholeEntriesDoes) {
  Folder f;
  indexed(f.data);
  analysis::Limits strict;
  strict.chtMax = 300;
  strict.difMax = 50;
  strict.batteryMin = 14.5;
  for (const analysis::Limits& limits : {analysis::Limits{}, strict}) {
    const store::AircraftLog whole = store::BuildAircraftLog("N123AB", indexed(f.data), limits);
    const auto catalog = Catalog::open(f.data).value;
    ASSERT_TRUE(catalog);
    std::vector<store::JudgedEntry> judged;
    EXPECT_TRUE(catalog->eachEntry("N123AB", [&](store::CatalogEntry&& e) {
      judged.push_back(store::JudgeEntry(std::move(e), limits));
    }).ok());
    const store::AircraftLog log = store::BuildAircraftLog("N123AB", std::move(judged), limits);
    ASSERT_EQ(log.flights.size(), whole.flights.size());
    std::size_t findings = 0;
    for (std::size_t i = 0; i < log.flights.size(); ++i) {
      EXPECT_EQ(log.flights[i].files, whole.flights[i].files);
      EXPECT_TRUE(log.flights[i].entry.digest.envelopes.empty());
      ASSERT_EQ(log.flights[i].findings.size(), whole.flights[i].findings.size());
      for (std::size_t k = 0; k < log.flights[i].findings.size(); ++k)
        EXPECT_EQ(log.flights[i].findings[k].text, whole.flights[i].findings[k].text);
      findings += log.flights[i].findings.size();
    }
    ASSERT_EQ(log.trends.size(), whole.trends.size());
    if (limits.chtMax == strict.chtMax) {
      EXPECT_GT(findings, 0u);  // the strict limits are judged, not passed over
    }
  }
}

TEST(Catalog, ComesBackWholeFromALostOrDamagedDatabase) {
  struct Case {
    const char* what;
    void (*damage)(const std::string& database);
    bool rebuilt;
    std::size_t read;  // files read again
  };
  const Case cases[] = {
      {"deleted", [](const std::string& db) { fs::remove(db); }, false, 4},
      {"truncated", [](const std::string& db) { fs::resize_file(db, fs::file_size(db) / 3); }, true, 4},
      {"overwritten", [](const std::string& db) { writeFile(db, std::string(9000, 'x')); }, true, 4},
      {"another schema version", [](const std::string& db) { sql(db, "PRAGMA user_version = 7"); }, true, 4},
      // Its entries lack the battery minimum's time: read again, keeping the rows.
      {"the schema before", [](const std::string& db) { sql(db, "PRAGMA user_version = 1"); }, false, 4},
      {"damaged entries", [](const std::string& db) { sql(db, "UPDATE files SET entry = x'0102'"); }, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder f;
    ASSERT_EQ(indexed(f.data).size(), 4u);
    c.damage(f.database);
    const auto catalog = Catalog::open(f.data).value;
    ASSERT_TRUE(catalog);
    const store::CatalogUpdate u = catalog->update();
    EXPECT_EQ(u.value.rebuilt, c.rebuilt);
    EXPECT_EQ(u.value.added + u.value.changed, c.read);
    const auto entries = catalog->entries().value;
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].flightLabel, "102");
    EXPECT_EQ(Catalog::open(f.data).value->entries().value.size(), 4u);
  }
}

int userVersion(const std::string& database) {
  sqlite3* db = nullptr;
  int version = -1;
  if (sqlite3_open(database.c_str(), &db) == SQLITE_OK)
    sqlite3_exec(
        db, "PRAGMA user_version",
        [](void* out, int, char** values, char**) {
          *static_cast<int*>(out) = std::atoi(values[0]);
          return 0;
        },
        &version, nullptr);
  sqlite3_close(db);
  return version;
}

// A catalog whose entries another analysis computed: the last release's
// (schema 2, no analysis column, blobs of the mark before, "VXC1"), or
// this schema's with an older analysis version and stale figures. Its rows
// and looks are kept, and every entry is computed again from its file.
TEST(Catalog, ComputesEntriesOfAnotherAnalysisVersionAgain) {
  struct Case {
    const char* what;
    const char* age;  // SQL that makes the indexed catalog of the other kind
  };
  const Case cases[] = {
      {"the last release's catalog",
       "BEGIN;"
       "CREATE TABLE old AS SELECT path, folder, size, modified, added, entry FROM files;"
       "DROP TABLE files;"
       "CREATE TABLE files(path TEXT PRIMARY KEY, folder TEXT NOT NULL, size INTEGER NOT NULL,"
       " modified INTEGER NOT NULL, added INTEGER NOT NULL, entry BLOB NOT NULL);"
       "INSERT INTO files SELECT * FROM old; DROP TABLE old;"
       "CREATE INDEX files_folder ON files(folder);"
       "UPDATE files SET added = 1000, entry = x'314358560000000000';"
       "PRAGMA user_version = 2;"
       "COMMIT;"},
      {"a catalog of entries before compact envelopes (schema 3, \"VXC3\")",
       "UPDATE files SET added = 1000, entry = x'3343585600000000';"
       "PRAGMA user_version = 3;"},
      {"a catalog of entries without the airframe and the system (schema 4, \"VXC5\")",
       "UPDATE files SET added = 1000, entry = x'3543585600000000';"
       "PRAGMA user_version = 4;"},
      {"an older analysis version",
       "UPDATE files SET added = 1000, analysis = analysis - 1,"
       " entry = (SELECT entry FROM files WHERE path = 'N123AB/F00101.CSV');"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder f;
    ASSERT_EQ(indexed(f.data).size(), 4u);
    ASSERT_TRUE(Catalog::open(f.data).value->markLooked("N123AB"));
    sql(f.database, c.age);
    const auto catalog = Catalog::open(f.data).value;
    ASSERT_TRUE(catalog);
    const store::CatalogUpdate u = catalog->update();
    EXPECT_EQ(u.problem, "");
    EXPECT_FALSE(u.value.rebuilt);
    EXPECT_EQ(u.value.recomputed, 4u);
    EXPECT_EQ(u.value.added + u.value.changed + u.value.removed, 0u);
    EXPECT_EQ(userVersion(f.database), store::kCatalogSchema);
    const auto entries = catalog->entries().value;
    ASSERT_EQ(entries.size(), 4u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].added, 1000);  // when the file was first seen stays
      const std::optional<store::CatalogEntry> fresh = store::MakeCatalogEntryFromFile(f.files[i]);
      ASSERT_TRUE(fresh);
      EXPECT_EQ(store::EncodeEntry(entries[i]), store::EncodeEntry(*fresh));
    }
    EXPECT_NE(catalog->lastLook("N123AB"), 0);
    const store::CatalogUpdate again = catalog->update();
    EXPECT_EQ(again.value.unchanged, 4u);
    EXPECT_EQ(again.value.recomputed, 0u);
  }
}

// The digest's phases, sensor faults, cylinder states and cruise figures are
// kept in the entry; an entry of the blob before them does not decode (its
// file is read again).
TEST(Catalog, TheEntryKeepsTheDigestsPhasesFaultsCylindersAndMagnetoChecksAndRefusesOlderBlobs) {
  store::CatalogEntry e;
  analysis::FlightDigest& d = e.digest;
  d.phasesKnown = true;
  d.ground = {{0, 300}, {3500, 3600}};
  d.engineStartAt = 20;
  d.warmupEnd = 300;
  d.shutdownAt = 3590;
  d.sensorFaults = {{"C3", 100, 200}};
  d.cylinders = {{flight::Engine::Left, 3, 12.5f, -30, -60, 4, 5}};
  d.cruiseMeans = {{"C3", flight::ChannelKind::Cht, 380.5f}};
  d.cruisePower = 65;
  d.cruiseOat = 12;
  d.cruiseBattery = 14.1f;
  d.magChecks = {{flight::Engine::Right, 310, 314, "plug", 120, 1790, {"RE2", "RE5"}, "RE2 fell 80 \xc2\xb0" "F"}};
  const std::string blob = store::EncodeEntry(e);
  const flight::Outcome<store::CatalogEntry> decoded = store::DecodeEntry(blob);
  ASSERT_TRUE(decoded.ok()) << decoded.problem;
  const store::CatalogEntry& back = decoded.value;
  EXPECT_EQ(store::EncodeEntry(back), blob);
  EXPECT_TRUE(back.digest.phasesKnown);
  ASSERT_EQ(back.digest.ground.size(), 2u);
  EXPECT_EQ(back.digest.ground[1].start, 3500);
  EXPECT_EQ(back.digest.shutdownAt, 3590);
  ASSERT_EQ(back.digest.sensorFaults.size(), 1u);
  EXPECT_EQ(back.digest.sensorFaults[0].channel, "C3");
  ASSERT_EQ(back.digest.cylinders.size(), 1u);
  EXPECT_EQ(back.digest.cylinders[0].engine, flight::Engine::Left);
  EXPECT_EQ(back.digest.cylinders[0].earlyChtDeviation, -60);
  EXPECT_EQ(back.digest.cylinders[0].chtSteps, 5u);
  ASSERT_EQ(back.digest.cruiseMeans.size(), 1u);
  EXPECT_EQ(back.digest.cruiseMeans[0].mean, 380.5f);
  EXPECT_EQ(back.digest.cruiseBattery, 14.1f);
  ASSERT_EQ(back.digest.magChecks.size(), 1u);
  EXPECT_EQ(back.digest.magChecks[0].engine, flight::Engine::Right);
  EXPECT_EQ(back.digest.magChecks[0].verdict, "plug");
  EXPECT_EQ(back.digest.magChecks[0].atFault, (std::vector<std::string>{"RE2", "RE5"}));
  EXPECT_EQ(analysis::MagCheckWord(back.digest.magChecks), "R plug RE2, RE5");
  const analysis::TrendPoint p = back.trendPoint();
  ASSERT_EQ(p.cruiseCht.size(), 1u);
  EXPECT_EQ(p.cruisePower, 65);
  EXPECT_EQ(p.cruiseOat, 12);
  std::string older = blob;
  older[0] = '2';  // "VXC2", little-endian: the mark's first byte
  EXPECT_FALSE(store::DecodeEntry(older).ok());
}

// The envelopes' figures come back bit for bit whatever they hold: the
// compact forms (small steps, whole numbers, tenths) and the raw one for
// figures no scale keeps exactly; a blob of the mark before is refused.
TEST(Catalog, TheEntryKeepsEveryEnvelopeFigureBitForBit) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    std::vector<float> values;
  };
  const Case cases[] = {
      {"none", {}},
      {"small steps with minutes without values", {380, 381, nan, 379, 250, 250.0f + 127, nan}},
      {"a step past a byte", {0, 128, -200}},
      {"whole numbers past two bytes (times of a long flight)", {30, 40000, 86399, nan}},
      {"tenths (a battery)", {12.3f, 14.1f, 27.9f, nan, -0.1f}},
      {"hundredths", {0.01f, 3.14f}},
      {"figures no scale keeps", {1.0f / 3, 2.5e-7f, 1e20f}},
      {"a negative zero", {1, -0.0f, 2}},
      {"another NaN", {1, -nan, 2}},
      {"the largest step down and up", {-127, 0, 127}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    store::CatalogEntry e;
    analysis::Envelope env;
    env.channel = "C3";
    env.kind = flight::ChannelKind::Cht;
    env.cylinder = 3;
    env.median = 380.5f;
    env.min = c.values;
    env.max = c.values;
    std::reverse(env.max.begin(), env.max.end());
    env.minAt.assign(c.values.size(), 6);
    env.maxAt = c.values;
    e.digest.envelopes = {env, env};
    const std::string blob = store::EncodeEntry(e);
    const flight::Outcome<store::CatalogEntry> decoded = store::DecodeEntry(blob);
    ASSERT_TRUE(decoded.ok()) << decoded.problem;
    ASSERT_EQ(decoded.value.digest.envelopes.size(), 2u);
    const analysis::Envelope& back = decoded.value.digest.envelopes[1];
    EXPECT_EQ(back.channel, "C3");
    EXPECT_EQ(back.median, 380.5f);
    const auto bits = [](const std::vector<float>& v) {
      std::vector<std::uint32_t> out(v.size());
      if (!v.empty()) std::memcpy(out.data(), v.data(), v.size() * sizeof(float));
      return out;
    };
    EXPECT_EQ(bits(back.min), bits(env.min));
    EXPECT_EQ(bits(back.max), bits(env.max));
    EXPECT_EQ(bits(back.minAt), bits(env.minAt));
    EXPECT_EQ(bits(back.maxAt), bits(env.maxAt));
    EXPECT_EQ(store::EncodeEntry(decoded.value), blob);
    // Cut short anywhere, the blob is refused, never read past its end.
    for (std::size_t n = 0; n < blob.size(); n += 7) EXPECT_FALSE(store::DecodeEntry(blob.substr(0, n)).ok()) << n;
    std::string older = blob;
    older[0] = '3';  // "VXC3", the mark before compact envelopes
    EXPECT_FALSE(store::DecodeEntry(older).ok());
  }
}

TEST(Catalog, LivesInTheCacheFolderWhenTheDataFolderCannotHoldIt) {
  Folder f;
  TempDir cache;
  setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  fs::create_directory(f.database);  // in the way, as a folder that cannot be written would be
  const auto catalog = Catalog::open(f.data).value;
  ASSERT_TRUE(catalog);
  const std::string expected = std::string(cache.path()).append("/varnix/catalog-");
  EXPECT_EQ(catalog->databasePath().rfind(expected, 0), 0u) << catalog->databasePath();
  EXPECT_EQ(catalog->update().problem, "");
  EXPECT_EQ(catalog->entries().value.size(), 4u);
  unsetenv("XDG_CACHE_HOME");
}

TEST(Catalog, WaitsForAnotherCatalogsWriteLock) {
  struct Case {
    const char* what;
    bool (*run)(const Folder& f, Catalog* open);
  };
  const Case cases[] = {
      {"opening", [](const Folder& f, Catalog*) {
         const auto c = Catalog::open(f.data).value;
         return c && c->databasePath() == inData(f.data);
       }},
      {"updating", [](const Folder& f, Catalog* c) {
         fs::copy_file(f.files[0], std::string(f.data).append("/N123AB/F00101A.CSV"));
         const store::CatalogUpdate u = c->update();
         return u.problem.empty() && u.value.added == 1;
       }},
      {"marking a look", [](const Folder&, Catalog* c) { return c->markLooked("N123AB"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CacheFolder cache;
    Folder f;
    indexed(f.data);
    const auto open = Catalog::open(f.data).value;
    ASSERT_TRUE(open);
    // Another program's transaction, held for a while.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(f.database.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_TRUE(c.run(f, open.get()));
    release.join();
    sqlite3_close(other);
    EXPECT_EQ(cache.databases(), 0u);  // no second catalog in the cache folder
  }
}

// Another program that holds the catalog, and how to make it let go.
struct Holder {
  virtual ~Holder() = default;
};

// A second connection in a write transaction; `after` lets go when not 0.
struct Transaction : Holder {
  sqlite3* db = nullptr;
  std::thread release;
  Transaction(const std::string& database, std::chrono::milliseconds after) {
    EXPECT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE; INSERT INTO looks(folder, at) VALUES('held', 1)", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    if (after.count() > 0)
      release = std::thread([this, after] {
        std::this_thread::sleep_for(after);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      });
  }
  ~Transaction() override {
    if (release.joinable()) release.join();
    sqlite3_close(db);
  }
};

#ifndef _WIN32
// A process stopped (as by Ctrl-Z) in the middle of its write; killed at the end.
struct StoppedProcess : Holder {
  pid_t pid = -1;
  explicit StoppedProcess(const std::string& database) {
    pid = fork();
    if (pid == 0) {
      sqlite3* db = nullptr;
      if (sqlite3_open(database.c_str(), &db) != SQLITE_OK ||
          sqlite3_exec(db, "BEGIN IMMEDIATE; INSERT INTO looks(folder, at) VALUES('held', 1)", nullptr, nullptr,
                       nullptr) != SQLITE_OK)
        _exit(1);
      raise(SIGSTOP);
      _exit(0);
    }
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, WUNTRACED), pid);
    EXPECT_TRUE(WIFSTOPPED(status)) << "the holder did not reach its write";
  }
  ~StoppedProcess() override {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
};
#endif

TEST(Catalog, AHeldCatalogIsGivenUpAtOneDeadline) {
  using std::chrono::milliseconds;
  constexpr milliseconds kLimit(2000);
  struct Case {
    const char* holder;
    std::function<std::unique_ptr<Holder>(const std::string& database)> hold;
    bool updating;      // held after the open, while the update writes
    bool stopWaiting;   // the caller's hook gives up at once
    bool succeeds;
    milliseconds least, most;  // the time the open (or the update) takes
  };
  const auto transaction = [](milliseconds after) {
    return [after](const std::string& db) { return std::unique_ptr<Holder>(new Transaction(db, after)); };
  };
  const Case cases[] = {
      {"a second connection's write transaction", transaction(milliseconds(0)), false, false, false, kLimit,
       kLimit + milliseconds(1000)},
      {"a write transaction over an update's write", transaction(milliseconds(0)), true, false, false, kLimit,
       kLimit + milliseconds(1000)},
#ifndef _WIN32
      {"a process stopped in the middle of its write",
       [](const std::string& db) { return std::unique_ptr<Holder>(new StoppedProcess(db)); }, false, false, false,
       kLimit, kLimit + milliseconds(1000)},
      {"a process stopped over an update's write",
       [](const std::string& db) { return std::unique_ptr<Holder>(new StoppedProcess(db)); }, true, false, false,
       kLimit, kLimit + milliseconds(1000)},
#endif
      {"a transaction that ends after 300 ms", transaction(milliseconds(300)), false, false, true, milliseconds(250),
       milliseconds(1500)},
      {"a caller that stops waiting", transaction(milliseconds(0)), false, true, false, milliseconds(0),
       milliseconds(500)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.holder);
    CacheFolder cache;
    Folder f;
    indexed(f.data);
    store::CatalogWait wait;
    wait.limit = kLimit;
    int calls = 0;
    wait.holding = [&] { return ++calls, !c.stopWaiting; };
    std::unique_ptr<Catalog> open;
    if (c.updating) {
      open = Catalog::open(f.data, wait).value;
      ASSERT_TRUE(open);
      fs::copy_file(f.files[0], std::string(f.data).append("/N123AB/F00101A.CSV"));
    }
    const std::unique_ptr<Holder> holder = c.hold(f.database);
    const auto start = std::chrono::steady_clock::now();
    bool worked = false;
    std::string problem;
    if (c.updating) {
      const store::CatalogUpdate u = open->update();
      worked = u.problem.empty();
      problem = u.problem;
    } else {
      auto [catalog, why] = Catalog::open(f.data, wait);
      worked = catalog != nullptr;
      problem = why;
    }
    const auto took = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(worked, c.succeeds) << problem;
    EXPECT_GE(took.count(), c.least.count());
    EXPECT_LE(took.count(), c.most.count());
    EXPECT_GT(calls, 0);  // the caller heard that another program holds it
    if (!c.succeeds && !c.updating) {
      EXPECT_NE(problem.find("another program"), std::string::npos) << problem;
    }
    EXPECT_EQ(cache.databases(), 0u);  // never a second catalog in the cache folder
  }
}

TEST(Catalog, TwoCatalogsIndexingOneFolderAtOnceBothSucceedAndAgree) {
  for (const bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "a catalog of the first flights" : "no catalog yet");
    CacheFolder cache;
    Folder f;
    if (existing) indexed(f.data);
    addCopies(f, 60);
    const std::size_t files = f.files.size() * 61;
    struct Result {
      std::string problem;
      std::vector<store::CatalogEntry> entries;
      std::string database;
    } results[2];
    auto index = [&](Result& r) {
      auto [c, opened] = Catalog::open(f.data);
      r.problem = opened;
      if (!c) return;
      r.database = c->databasePath();
      r.problem = c->update().problem;
      auto [entries, unread] = c->entries();
      r.entries = std::move(entries);
      if (!unread.empty()) r.problem = unread;
    };
    std::thread second([&] { index(results[1]); });
    index(results[0]);
    second.join();
    for (const Result& r : results) {
      EXPECT_EQ(r.problem, "");
      EXPECT_EQ(r.database, inData(f.data));
      ASSERT_EQ(r.entries.size(), files);
    }
    for (std::size_t i = 0; i < files; ++i) {
      const store::CatalogEntry &a = results[0].entries[i], &b = results[1].entries[i];
      EXPECT_EQ(a.file, b.file);
      EXPECT_EQ(a.valueHash, b.valueHash);
      EXPECT_EQ(a.added, b.added);
      EXPECT_EQ(a.problem, "");
    }
    EXPECT_EQ(cache.databases(), 0u);
  }
}

TEST(Catalog, NeverOpensItsDatabaseThroughALinkOrANonRegularFile) {
  struct Case {
    const char* what;
    // Puts something under the catalog's names; gives a file that must stay as it is.
    std::string (*place)(const Folder& f);
  };
  const Case cases[] = {
      {"a dangling link", [](const Folder& f) {
         fs::create_symlink(f.dir.file("elsewhere.sqlite"), f.database);
         return f.dir.file("elsewhere.sqlite");
       }},
      {"a link to a file", [](const Folder& f) {
         writeFile(f.dir.file("elsewhere.sqlite"), "");
         fs::create_symlink(f.dir.file("elsewhere.sqlite"), f.database);
         return f.dir.file("elsewhere.sqlite");
       }},
      {"a dangling link as its log", [](const Folder& f) {
         fs::create_symlink(f.dir.file("elsewhere-wal"), f.database + "-wal");
         return f.dir.file("elsewhere-wal");
       }},
      {"a FIFO", [](const Folder& f) {
         EXPECT_EQ(mkfifo(f.database.c_str(), 0644), 0);
         return std::string();
       }},
      {"a folder", [](const Folder& f) {
         fs::create_directory(f.database);
         return std::string();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CacheFolder cache;
    Folder f;
    const std::string target = c.place(f);
    const std::optional<std::string> before =
        target.empty() || !fs::exists(target) ? std::nullopt : std::optional(readFile(target));
    const auto catalog = Catalog::open(f.data).value;
    ASSERT_TRUE(catalog);
    EXPECT_EQ(catalog->databasePath().rfind(cache.dir.path(), 0), 0u) << catalog->databasePath();
    EXPECT_EQ(catalog->update().problem, "");
    EXPECT_EQ(catalog->entries().value.size(), 4u);
    if (!target.empty()) {
      EXPECT_EQ(fs::exists(target), before.has_value());
      if (before) {
        EXPECT_EQ(readFile(target), *before);
      }
    }
  }
}

// The catalog hashes a file's value lines in the pass that reads it: the
// same value as the hash of its whole text, line ends of either kind, also
// when the rows run across the reader's blocks.
TEST(Catalog, HashesTheValueLinesInThePassThatReadsThem) {
  const std::string sample = readFile(Folder().files[0]);
  std::string lf;
  for (char ch : sample)
    if (ch != '\r') lf += ch;
  // The sample's rows again and again, a second later each time round, past
  // the reader's 256 KiB blocks.
  const std::size_t rowsAt = sample.find('\n', sample.find("\"TIME\"")) + 1;
  std::string longer = sample;
  while (longer.size() < 600 * 1024) longer += sample.substr(rowsAt);
  struct Case {
    const char* what;
    std::string text;
  };
  const Case cases[] = {{"a flight as written", sample}, {"the same with LF line ends", lf}, {"rows past a block", longer}};
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile(dir.file("F00101.CSV"), c.text);
    const std::optional<store::CatalogEntry> e = store::MakeCatalogEntryFromFile(dir.file("F00101.CSV"));
    ASSERT_TRUE(e);
    ASSERT_TRUE(e->problem.empty()) << e->problem;
    EXPECT_EQ(e->valueHash, flight::HashValueLines(c.text));
  }
}

TEST(Catalog, ListsUnreadableFilesWithTheirReasonAndIndexesTheRest) {
  Folder f;
  struct Case {
    const char* file;
    void (*make)(const std::string& path);
    const char* problem;  // the start of its reason
  };
  std::vector<Case> cases = {
      {"N123AB/F00150.CSV",
       [](const std::string& p) {
         writeFile(p, "hello\n");
         fs::last_write_time(p, fs::last_write_time(p) - std::chrono::hours(1));  // not still being written
       },
       "line 1"},
      {"N123AB/F00151.CSV", [](const std::string& p) { EXPECT_EQ(mkfifo(p.c_str(), 0644), 0); }, "not a regular file"},
  };
  // A regular file whose reading fails (even for root).
  if (fs::exists("/proc/self/mem"))
    cases.push_back({"N123AB/F00152.CSV", [](const std::string& p) { fs::create_symlink("/proc/self/mem", p); },
                     "cannot be read"});
  for (const Case& c : cases) c.make(std::string(f.data).append("/").append(c.file));

  store::CatalogUpdate u;
  const auto entries = indexed(f.data, &u);
  EXPECT_EQ(u.value.added, 4 + cases.size());
  const store::AircraftLog log = store::BuildAircraftLog("N123AB", entries, analysis::Limits{});
  EXPECT_EQ(log.flights.size(), 4u);
  ASSERT_EQ(log.unreadableFiles.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].file);
    EXPECT_EQ(log.unreadableFiles[i].file, cases[i].file);
    EXPECT_EQ(log.unreadableFiles[i].problem.rfind(cases[i].problem, 0), 0u) << log.unreadableFiles[i].problem;
  }
  // Tried again at the next look, which finds nothing new.
  indexed(f.data, &u);
  EXPECT_EQ(u.value.unchanged, 4 + cases.size());
  EXPECT_EQ(u.value.added + u.value.changed, 0u);
}

// A file whose rows want more memory than there is (here a child process
// whose address space may grow by 64 MB, and a log of 5,000 columns and
// 4,000 rows: 80 MB of values) is one unreadable file, read by the
// read-ahead's workers beside the others, which are indexed all the same.
TEST(Catalog, AFileWithoutRoomForItsRowsIsListedUnreadableAndTheRestIndexed) {
  if (!kAddressSpaceLimits) GTEST_SKIP() << "no address-space limit for a child process here";
  Folder f;
  std::string titles = "Lcl Date,Lcl Time,UTCOfst", units = "#yyy-mm-dd,hh:mm:ss,hh:mm", blanks(5000, ',');
  for (int c = 0; c < 5000; ++c) {
    titles += ",X" + std::to_string(c);
    units += ",";
  }
  std::string text = "#airframe_info, airframe_name=\"Test\", aircraft_ident=\"N1\",\n" + units + "\n" + titles + "\n";
  for (int r = 0; r < 4000; ++r) {
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", 10 + r / 3600, r / 60 % 60, r % 60);
    text.append("2023-01-02,").append(clock).append(",+01:00").append(blanks).append("\n");
  }
  const std::string big = f.data + "/N123AB/big.csv";
  writeFile(big, text);
  fs::last_write_time(big, fs::last_write_time(big) - std::chrono::hours(1));
  const int status = RunWithAddressSpaceLimit(std::size_t{64} << 20, [&] {
    const auto catalog = Catalog::open(f.data).value;
    if (!catalog) return 1;
    catalog->setReaders(2);
    if (!catalog->update().problem.empty()) return 2;
    const store::AircraftLog log = store::BuildAircraftLog("N123AB", catalog->entries().value, analysis::Limits{});
    if (log.flights.size() != 4) return 3;
    if (log.unreadableFiles.size() != 1 || log.unreadableFiles[0].file != "N123AB/big.csv") return 4;
    return log.unreadableFiles[0].problem.find("not enough memory") != std::string::npos ? 0 : 5;
  });
  EXPECT_EQ(status, 0) << "1: no catalog, 2: the update failed, 3: flights lost, 4: not listed, 5: another reason, "
                       << kChildThrew << ": threw, 134: aborted";
}

// What a flight's name in an aircraft folder stands for: links are followed
// (a link to a flight is that flight, with its target's size and time), and
// what leads to a folder or nowhere is no file. The size and time kept are
// the file system's as std::filesystem gives them, so that a catalog stays
// unchanged across builds that list the folder another way.
TEST(Catalog, ListsWhatAFlightsNameLeadsToWithItsSizeAndTime) {
  Folder f;
  const std::string aircraft = std::string(f.data).append("/N123AB/");
  const std::string elsewhere = f.dir.file("elsewhere");
  fs::create_directories(elsewhere);
  fs::copy_file(f.files[0], elsewhere + "/flight.CSV");
  fs::last_write_time(elsewhere + "/flight.CSV", fs::last_write_time(f.files[0]) - std::chrono::hours(2));
  struct Case {
    const char* file;
    void (*make)(const std::string& path, const std::string& elsewhere);
    const char* target;  // whose size and time the entry has, below `elsewhere`; null: not listed
  };
  const Case cases[] = {
      {"F00160.CSV", [](const std::string& p, const std::string& e) { fs::create_symlink(e + "/flight.CSV", p); },
       "/flight.CSV"},
      {"F00161.CSV", [](const std::string& p, const std::string&) { fs::create_directory(p); }, nullptr},
      {"F00162.CSV", [](const std::string& p, const std::string& e) { fs::create_symlink(e + "/gone.CSV", p); },
       nullptr},
      {"F00163.CSV", [](const std::string& p, const std::string& e) { fs::create_symlink(e, p); }, nullptr},
      // The owner's maintenance log is no flight, whatever it holds.
      {"maintenance.csv", [](const std::string& p, const std::string& e) { fs::copy_file(e + "/flight.CSV", p); },
       nullptr},
      {"MAINTENANCE.CSV", [](const std::string& p, const std::string& e) { fs::create_symlink(e + "/flight.CSV", p); },
       nullptr},
  };
  for (const Case& c : cases) c.make(aircraft + c.file, elsewhere);

  store::CatalogUpdate u;
  const auto entries = indexed(f.data, &u);
  EXPECT_EQ(u.value.added, 4 + 1u);
  auto find = [&](const std::string& file) -> const store::CatalogEntry* {
    for (const auto& e : entries)
      if (e.file == "N123AB/" + file) return &e;
    return nullptr;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const store::CatalogEntry* e = find(c.file);
    ASSERT_EQ(e != nullptr, c.target != nullptr);
    if (!e) continue;
    const std::string target = elsewhere + c.target;
    EXPECT_EQ(e->problem, "");
    EXPECT_EQ(e->size, static_cast<std::int64_t>(fs::file_size(target)));
    EXPECT_EQ(e->modified, static_cast<std::int64_t>(fs::last_write_time(target).time_since_epoch().count()));
  }
  for (const std::string& path : f.files) {
    SCOPED_TRACE(path);
    const store::CatalogEntry* e = find(fs::path(path).filename().string());
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->size, static_cast<std::int64_t>(fs::file_size(path)));
    EXPECT_EQ(e->modified, static_cast<std::int64_t>(fs::last_write_time(path).time_since_epoch().count()));
  }
  indexed(f.data, &u);
  EXPECT_EQ(u.value.unchanged, 4 + 1u);
  EXPECT_EQ(u.value.added + u.value.changed + u.value.removed, 0u);
}

TEST(Catalog, AFullDiskEndsTheUpdateWithAProblemAndLeavesNoStub) {
  for (const bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "a catalog of the first flights" : "no catalog yet");
    CacheFolder cache;
    Folder f;
    if (existing) indexed(f.data);
    addCopies(f, 60);
    const std::vector<std::string> before = catalogFiles(f.data);
    {
      // Room for a new database and its logs, not for the entries of a batch.
      const test::FileSizeLimit full(96 * 1024);
      const auto catalog = Catalog::open(f.data).value;
      ASSERT_TRUE(catalog);
      EXPECT_NE(catalog->update().problem, "");
    }
    EXPECT_EQ(cache.databases(), 0u);
    if (!existing) {
      EXPECT_EQ(catalogFiles(f.data), std::vector<std::string>{});
    } else {
      // What was stored stays whole.
      const auto catalog = Catalog::open(f.data).value;
      ASSERT_TRUE(catalog);
      EXPECT_EQ(catalog->entries().value.size(), 4u);
    }
  }
}

TEST(Catalog, IndexesOnSeveralReadersAsOnOne) {
  // More files than a batch and than the files read ahead, one unreadable and
  // one still being written among them.
  Folder f;
  addCopies(f, 45);
  writeFile(std::string(f.data).append("/N123AB/F00150.CSV"), "hello\n");
  fs::last_write_time(std::string(f.data).append("/N123AB/F00150.CSV"),
                      fs::last_write_time(f.files[0]) - std::chrono::hours(1));
  std::string partial = readFile(f.files[2]);
  std::fill_n(partial.begin() + static_cast<std::ptrdiff_t>(partial.find("\"Duration") + 1), 9, ' ');
  writeFile(std::string(f.data).append("/N123AB/F00109.CSV"), partial);
  // Still being written in every run, however long a busy machine takes over them.
  fs::last_write_time(std::string(f.data).append("/N123AB/F00109.CSV"), fs::file_time_type::clock::now() + std::chrono::hours(1));

  struct Indexed {
    store::CatalogUpdate update;
    std::vector<std::string> rows;  // path, size, modified and the stored entry of each file
    std::vector<store::CatalogProgress> steps;
  };
  // `stopAfter`: the progress hook stops the update after that many batches (0: never).
  auto index = [&](unsigned readers, std::size_t stopAfter) {
    for (const std::string& name : catalogFiles(f.data)) fs::remove(std::string(f.data).append("/").append(name));
    Indexed out;
    const auto catalog = Catalog::open(f.data).value;
    EXPECT_TRUE(catalog);
    if (!catalog) return out;
    catalog->setReaders(readers);
    out.update = catalog->update([&](const store::CatalogProgress& p) {
      out.steps.push_back(p);
      return stopAfter == 0 || out.steps.size() < stopAfter;
    });
    for (const store::CatalogEntry& e : catalog->entries().value)
      out.rows.push_back(e.file + " " + std::to_string(e.size) + " " + std::to_string(e.modified) + " " +
                         store::EncodeEntry(e));
    return out;
  };
  struct Case {
    unsigned readers;  // 0: automatic
    std::size_t stopAfter;
  };
  for (const Case c : {Case{2, 0}, Case{3, 0}, Case{4, 0}, Case{8, 0}, Case{0, 0}, Case{4, 1}, Case{3, 2}}) {
    SCOPED_TRACE(testing::Message() << c.readers << " readers, stopped after " << c.stopAfter);
    const Indexed one = index(1, c.stopAfter), several = index(c.readers, c.stopAfter);
    EXPECT_EQ(one.update.problem, "");
    EXPECT_EQ(several.update.value.added, one.update.value.added);
    EXPECT_EQ(several.update.value.pending, one.update.value.pending);
    EXPECT_EQ(one.update.value.pending, 1u);
    EXPECT_EQ(one.rows.size(), c.stopAfter ? c.stopAfter * 64 - 1 : 4 * 46 + 1);  // 4 * 46 + 2 files, one pending
    EXPECT_EQ(several.rows, one.rows);
    ASSERT_EQ(several.steps.size(), one.steps.size());
    for (std::size_t i = 0; i < one.steps.size(); ++i) {
      EXPECT_EQ(several.steps[i].done, one.steps[i].done);
      EXPECT_EQ(several.steps[i].total, one.steps[i].total);
    }
  }
}

}  // namespace
}  // namespace varnix::test
