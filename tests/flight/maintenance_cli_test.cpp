// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli maintenance add and list, run as a separate program: every kind
// read back as it was added, a bad value named by its option, a damaged line
// named and the file left alone, the entries kept across a lost catalog, and
// the old file whole after a full disk or with a link at its name.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/cli_run.h"
#include "support/file_size_limit.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;

CliRun runCli(const TempDir& dir, const std::string& args) { return test::runCli(VARNIX_CLI, dir, args); }

const std::string kHeader = "date,tach,kind,engine,cylinder,quantity,unit,text\n";

std::string add(const TempDir& dir, const std::string& options) {
  return "maintenance add " + quoted(dir.file("data")) + " --aircraft N123AB " + options;
}
std::string list(const TempDir& dir) { return "maintenance list " + quoted(dir.file("data")) + " --aircraft N123AB --json"; }

nlohmann::json listed(const TempDir& dir) {
  const CliRun run = runCli(dir, list(dir));
  EXPECT_EQ(run.exit, 0) << run.err;
  nlohmann::json doc;
  EXPECT_NO_THROW(doc = nlohmann::json::parse(run.out)) << run.out;
  return doc;
}

TEST(MaintenanceCli, AddThenListGivesBackEveryKind) {
  struct Case {
    std::string options;
    nlohmann::json entry;  // as `list --json` gives it, without its line
  };
  const Case cases[] = {
      {"--date 2026-01-02 --kind oil_change --quantity 8 --unit qt --tach 1200.4 --text 'filter cut open, clean'",
       {{"date", "2026-01-02"}, {"tach", 1200.4}, {"kind", "oil_change"}, {"engine", nullptr}, {"cylinder", nullptr},
        {"quantity", 8}, {"unit", "qt"}, {"text", "filter cut open, clean"}}},
      {"--date 2026-01-09 --kind oil_added --quantity 0.5 --unit L",
       {{"date", "2026-01-09"}, {"tach", nullptr}, {"kind", "oil_added"}, {"engine", nullptr}, {"cylinder", nullptr},
        {"quantity", 0.5}, {"unit", "L"}, {"text", ""}}},
      {"--date 2026-01-10 --kind fuel_fill --quantity 42.7 --unit GAL --text full --engine r",
       {{"date", "2026-01-10"}, {"tach", nullptr}, {"kind", "fuel_fill"}, {"engine", "R"}, {"cylinder", nullptr},
        {"quantity", 42.7}, {"unit", "gal"}, {"text", "full"}}},
      {"--date 2026-01-11 --kind plugs --text 'rotated and gapped'",
       {{"date", "2026-01-11"}, {"tach", nullptr}, {"kind", "plugs"}, {"engine", nullptr}, {"cylinder", nullptr},
        {"quantity", nullptr}, {"unit", nullptr}, {"text", "rotated and gapped"}}},
      {"--date 2026-01-12 --kind injector --cylinder 3 --engine L --text '  cleaned, \"partly\" blocked  '",
       {{"date", "2026-01-12"}, {"tach", nullptr}, {"kind", "injector"}, {"engine", "L"}, {"cylinder", 3},
        {"quantity", nullptr}, {"unit", nullptr}, {"text", "cleaned, \"partly\" blocked"}}},
      {"--date 2026-02-28 --kind cylinder --cylinder 12 --text overhauled",
       {{"date", "2026-02-28"}, {"tach", nullptr}, {"kind", "cylinder"}, {"engine", nullptr}, {"cylinder", 12},
        {"quantity", nullptr}, {"unit", nullptr}, {"text", "overhauled"}}},
      {"--date 2024-02-29 --kind magneto --text 'timed left, 22 degrees BTC'",
       {{"date", "2024-02-29"}, {"tach", nullptr}, {"kind", "magneto"}, {"engine", nullptr}, {"cylinder", nullptr},
        {"quantity", nullptr}, {"unit", nullptr}, {"text", "timed left, 22 degrees BTC"}}},
      {"--date 2026-03-01 --kind borescope --cylinder 2 --text 'watch: exhaust valve edge uneven'",
       {{"date", "2026-03-01"}, {"tach", nullptr}, {"kind", "borescope"}, {"engine", nullptr}, {"cylinder", 2},
        {"quantity", nullptr}, {"unit", nullptr}, {"text", "watch: exhaust valve edge uneven"}}},
      {"--date 2026-03-01 --kind compression --cylinder 2 --quantity 74/80 --unit psi --tach 1301",
       {{"date", "2026-03-01"}, {"tach", 1301}, {"kind", "compression"}, {"engine", nullptr}, {"cylinder", 2},
        {"quantity", "74/80"}, {"unit", "psi"}, {"text", ""}}},
      {"--date 2026-03-02 --kind probe --cylinder 4 --text 'C4 read 20 F high'",
       {{"date", "2026-03-02"}, {"tach", nullptr}, {"kind", "probe"}, {"engine", nullptr}, {"cylinder", 4},
        {"quantity", nullptr}, {"unit", nullptr}, {"text", "C4 read 20 F high"}}},
      {"--date 2026-03-03 --kind inspection --text '100-hour, no squawks' --tach 1302.25",
       {{"date", "2026-03-03"}, {"tach", 1302.25}, {"kind", "inspection"}, {"engine", nullptr}, {"cylinder", nullptr},
        {"quantity", nullptr}, {"unit", nullptr}, {"text", "100-hour, no squawks"}}},
      {"--date 2026-03-04 --kind other --quantity 2 --unit h --text 'ELT battery: «neu» ü'",
       {{"date", "2026-03-04"}, {"tach", nullptr}, {"kind", "other"}, {"engine", nullptr}, {"cylinder", nullptr},
        {"quantity", 2}, {"unit", "h"}, {"text", "ELT battery: «neu» ü"}}},
  };
  TempDir dir;
  fs::create_directories(dir.file("data"));
  for (const Case& c : cases) {
    const CliRun run = runCli(dir, add(dir, c.options));
    EXPECT_EQ(run.exit, 0) << c.options << "\n" << run.err;
  }
  // Every entry comes back, in order, each with its line (the header is line 1).
  const nlohmann::json doc = listed(dir);
  ASSERT_EQ(doc.size(), std::size(cases)) << doc.dump(1);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].options);
    nlohmann::json entry = cases[i].entry;
    entry["line"] = i + 2;
    EXPECT_EQ(doc[i], entry);
  }
  EXPECT_EQ(readFile(dir.file("data/N123AB/maintenance.csv")).rfind(kHeader, 0), 0u);
}

// A bad value is a command-line mistake (105) naming its option, and nothing is written.
TEST(MaintenanceCli, ABadValueNamesItsOptionAndWritesNothing) {
  struct Case {
    std::string options;
    int exit;
    std::string err;  // a part of the message
  };
  const Case cases[] = {
      {"--date 2026-02-30 --kind other", 105, "--date: \"2026-02-30\" is not a day"},
      {"--date 12.11.2026 --kind other", 105, "--date:"},
      {"--date 2026-01-01 --kind oil", 105, "--kind: \"oil\" is not a kind of entry"},
      {"--date 2026-01-01 --kind other --tach -3", 105, "--tach:"},
      {"--date 2026-01-01 --kind other --tach 12h", 105, "--tach:"},
      {"--date 2026-01-01 --kind oil_added --quantity 1,5 --unit qt", 105, "--quantity:"},
      {"--date 2026-01-01 --kind oil_added --quantity 0 --unit qt", 105, "--quantity:"},
      {"--date 2026-01-01 --kind oil_added", 105, "--quantity: a oil_added entry gives its quantity"},
      {"--date 2026-01-01 --kind oil_added --quantity 1 --unit gal", 105, "--unit: \"gal\" is not a unit"},
      {"--date 2026-01-01 --kind fuel_fill --quantity 30 --unit qt --text full", 105, "--unit:"},
      {"--date 2026-01-01 --kind plugs --text 'looked at'", 105, "--text: a plugs entry's text begins with"},
      {"--date 2026-01-01 --kind plugs --quantity 6 --unit each --text cleaned", 105, "--quantity: a plugs entry takes no"},
      {"--date 2026-01-01 --kind magneto --text timed", 105, "--text: a magneto entry's text names the magneto"},
      {"--date 2026-01-01 --kind cylinder --text replaced", 105, "--cylinder: a cylinder entry names its cylinder"},
      {"--date 2026-01-01 --kind cylinder --cylinder 13 --text replaced", 105, "--cylinder: \"13\" is not a cylinder"},
      {"--date 2026-01-01 --kind oil_change --cylinder 1", 105, "--cylinder: a oil_change entry names no cylinder"},
      {"--date 2026-01-01 --kind compression --cylinder 1 --quantity 81/80 --unit psi", 105, "--quantity:"},
      {"--date 2026-01-01 --kind compression --cylinder 1 --quantity 74 --unit psi", 105, "--quantity:"},
      {"--date 2026-01-01 --kind probe --text '3 replaced'", 105, "--text: a probe entry's text begins with"},
      {"--date 2026-01-01 --kind inspection --text yearly", 105, "--text:"},
      {"--date 2026-01-01 --kind other --engine C", 105, "--engine:"},
      {"--date 2026-01-01 --kind other --text \"$(printf 'two\\nlines')\"", 105, "--text: holds a line break"},
      {"--date 2026-01-01 --kind other --quantity 2 --unit 'fl oz'", 105, "--unit:"},
      {"--date 2026-01-01 --kind other --quantity 2", 107, "--quantity requires --unit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    TempDir dir;
    fs::create_directories(dir.file("data"));
    const CliRun run = runCli(dir, add(dir, c.options));
    EXPECT_EQ(run.exit, c.exit) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.file("data/N123AB"))) << "nothing made";
  }
}

// A line that cannot be read back is named, `add` writes nothing, and
// `list` gives every other entry.
TEST(MaintenanceCli, ADamagedLineIsNamedAndTheFileIsLeftAsItIs) {
  const std::string good1 = "2026-01-02,1200.4,oil_change,,,8,qt,filter clean\n";
  const std::string good2 = "2026-01-09,,oil_added,,,1,qt,\n";
  struct Case {
    std::string file;
    std::string err;  // a part of the message
  };
  const Case cases[] = {
      {kHeader + good1 + "2026-01-05,,oil_added,,,1,qt\n" + good2, "line 3: has 7 fields, not the 8"},
      {kHeader + good1 + "2026-01-05,,oil_added,,,1,qt,,\n" + good2, "line 3: has 9 fields"},
      {kHeader + good1 + "2026-13-05,,oil_added,,,1,qt,\n" + good2, "line 3: date: \"2026-13-05\" is not a day"},
      {kHeader + good1 + "2026-01-05,,oil_addd,,,1,qt,\n" + good2, "line 3: kind: \"oil_addd\""},
      {kHeader + good1 + "2026-01-05,,oil_added,,,one,qt,\n" + good2, "line 3: quantity:"},
      {kHeader + good1 + "2026-01-05,,oil_added,,,1,qt,\"not closed\n" + good2, "line 3: a quoted field has no closing"},
      {kHeader + good1 + "\n2026-01-05,,plugs,,,,,fouled\n" + good2, "line 4: text: a plugs entry's text begins"},
      {"when,what\n" + good1 + good2, "line 1: is not the header line"},
      {kHeader + good1 + good2 + "2026-01-05,,oil_added,,,\xFF,qt,\n", "line 4: quantity:"},
      {kHeader + good1 + good2 + "2026-01-05,,other,,,,,caf\xE9\n", "line 4: text: is not UTF-8 text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.err);
    TempDir dir;
    fs::create_directories(dir.file("data/N123AB"));
    writeFile(dir.file("data/N123AB/maintenance.csv"), c.file);
    const CliRun added = runCli(dir, add(dir, "--date 2026-02-01 --kind other --text more"));
    EXPECT_EQ(added.exit, 2) << added.err;
    EXPECT_NE(added.err.find(c.err), std::string::npos) << added.err;
    EXPECT_EQ(readFile(dir.file("data/N123AB/maintenance.csv")), c.file);
    const CliRun run = runCli(dir, list(dir));
    EXPECT_EQ(run.exit, 2) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    nlohmann::json doc;
    ASSERT_NO_THROW(doc = nlohmann::json::parse(run.out)) << run.out;
    ASSERT_EQ(doc.size(), 2u) << doc.dump(1);
    EXPECT_EQ(doc[0]["kind"], "oil_change");
    EXPECT_EQ(doc[1]["kind"], "oil_added");
    EXPECT_EQ(readFile(dir.file("data/N123AB/maintenance.csv")), c.file);
  }
}

// The file is the truth: the catalog never takes it for a flight, and a
// catalog deleted and made again changes no entry.
TEST(MaintenanceCli, DeletingTheCatalogLosesNoEntry) {
  TempDir dir;
  expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  const CliRun first = runCli(dir, add(dir, "--date 2026-01-02 --kind oil_added --quantity 1 --unit qt"));
  ASSERT_EQ(first.exit, 0) << first.err;
  const std::string data = quoted(dir.file("data"));
  struct Case {
    const char* what;
    std::string options;  // the entry added before the catalog is made, "" for none
  };
  const Case cases[] = {
      {"the catalog made", "--date 2026-01-03 --kind injector --cylinder 3 --text cleaned"},
      {"deleted and made again", ""},
      {"deleted again after another entry", "--date 2026-01-04 --kind fuel_fill --quantity 40 --unit gal --text full"},
  };
  std::size_t entries = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.options.empty()) {
      ASSERT_EQ(runCli(dir, add(dir, c.options)).exit, 0);
      ++entries;
    }
    const std::string file = dir.file("data/N123AB/maintenance.csv");
    // Settled, as a file the catalog would read at once.
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
    const std::string before = readFile(file);
    for (const auto& e : fs::directory_iterator(dir.file("data")))
      if (e.path().filename().string().rfind("varnix-catalog.sqlite", 0) == 0) fs::remove(e.path());
    const CliRun logbook = runCli(dir, "logbook --json " + data);
    EXPECT_EQ(logbook.exit, 0) << logbook.err;
    EXPECT_EQ(logbook.out.find("maintenance.csv"), std::string::npos) << "neither a flight nor unreadable";
    EXPECT_EQ(readFile(dir.file("data/N123AB/maintenance.csv")), before);
    EXPECT_EQ(listed(dir).size(), entries);
  }
}

// A save that cannot finish leaves the file as it was: a full disk, a link
// at its name (never written through, never replaced).
TEST(MaintenanceCli, AFullDiskOrALinkAtItsNameLeavesTheOldFileWhole) {
  std::string old = kHeader;
  for (int i = 1; i <= 20; ++i)
    old += "2026-01-" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ",,oil_added,,,1,qt,a quart of oil\n";
  struct Case {
    const char* what;
    bool link;  // the name is a link to the old file kept elsewhere; else the disk is full
    const char* err;
  };
  const Case cases[] = {
      {"a full disk", false, "N123AB/maintenance.csv: "},
      {"a link at the name", true, "is a link"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string name = dir.file("data/N123AB/maintenance.csv");
    const std::string target = c.link ? dir.file("elsewhere/maintenance.csv") : name;
    fs::create_directories(dir.file("data/N123AB"));
    fs::create_directories(dir.file("elsewhere"));
    writeFile(target, old);
    if (c.link) fs::create_symlink(target, name);
    const std::string args = add(dir, "--date 2026-02-01 --kind other --text 'this entry is not kept'");
    CliRun run;
    if (c.link) {
      run = runCli(dir, args);
    } else {
      const FileSizeLimit full(old.size());  // the command inherits it
      run = runCli(dir, args);
    }
    EXPECT_EQ(run.exit, 3) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_EQ(readFile(target), old);
    EXPECT_EQ(fs::is_symlink(name), c.link);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.file("data/N123AB"))) ++files;
    EXPECT_EQ(files, 1u) << "no temporary is left";
    EXPECT_EQ(listed(dir).size(), 20u);
  }
}

// list: an aircraft the data folder does not have (4), a data folder that is not there (1).
TEST(MaintenanceCli, ListSaysWhatIsMissing) {
  TempDir dir;
  fs::create_directories(dir.file("data/N123AB"));
  struct Case {
    std::string args;
    int exit;
    std::string out, err;
  };
  const Case cases[] = {
      {list(dir), 0, "[]\n", ""},
      {"maintenance list " + quoted(dir.file("data")) + " --aircraft N9", 4, "", "has no aircraft folder N9"},
      {"maintenance list " + quoted(dir.file("none")) + " --aircraft N123AB", 1, "", "cannot be found"},
      {"maintenance list " + quoted(dir.file("data")) + " --aircraft ..", 1, "", "cannot name a folder"},
      {"maintenance add " + quoted(dir.file("data")) + " --aircraft maintenance.csv --date 2026-01-01 --kind other", 1,
       "", "maintenance records"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun run = runCli(dir, c.args);
    EXPECT_EQ(run.exit, c.exit) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace varnix::test
