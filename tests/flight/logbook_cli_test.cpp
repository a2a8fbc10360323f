// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli logbook and findings, run as a separate program on the data
// folder the sample dump expands into.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "support/cli_run.h"
#include "support/file_size_limit.h"
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

// Findings the owner acknowledged are listed with the reason and not counted
// as open, in the JSON and in the text.
TEST(LogbookCli, AcknowledgedFindingsAreListedWithTheirReasonAndNotCountedOpen) {
  TempDir dir;
  expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  writeFile(dir.file("data/N123AB/varnix-limits.txt"), "cht_max = 390\n");
  struct Case {
    const char* what;
    const char* acknowledged;  // the file's text
    bool known;
  };
  const Case cases[] = {{"none", "", false},
                        {"C3 known", "cht C3 2999-12-31 C3 probe reads high\n", true},
                        {"C3 reviewed", "cht C3 2001-01-01 C3 probe reads high\n", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile(dir.file("data/N123AB/varnix-acknowledged.txt"), c.acknowledged);
    const CliRun run = runCli(dir, "logbook --json " + quoted(dir.file("data")));
    EXPECT_EQ(run.exit, 0) << run.err;
    nlohmann::json doc;
    ASSERT_NO_THROW(doc = nlohmann::json::parse(run.out)) << run.out;
    std::size_t c3 = 0;
    for (const auto& f : doc["flights"]) {
      std::size_t open = 0;
      for (const auto& x : f["findings"]) {
        const bool mine = x["kind"] == "cht" && x["channel"] == "C3";
        c3 += mine;
        EXPECT_EQ(x["acknowledged"], mine && c.known) << x;
        EXPECT_EQ(x["reason"], mine && c.known ? nlohmann::json("C3 probe reads high") : nlohmann::json()) << x;
        open += !x["acknowledged"].get<bool>();
      }
      EXPECT_EQ(f["open_findings"], open);
    }
    EXPECT_GT(c3, 0u);
    const CliRun text = runCli(dir, "logbook " + quoted(dir.file("data")));
    EXPECT_EQ(text.out.find("(acknowledged: C3 probe reads high)") != std::string::npos, c.known) << text.out;
  }
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
  // The aircraft's health: a status and its open findings by issue, each with the documented keys.
  ASSERT_EQ(doc["aircraft"].size(), 1u);
  const auto& health = doc["aircraft"][0];
  EXPECT_EQ(health["folder"], "N\xC3\xA9");
  EXPECT_TRUE(health["status"].is_string());
  std::size_t open = 0;
  for (const auto& f : doc["flights"]) open += f["open_findings"].get<std::size_t>() > 0;
  ASSERT_EQ(health["issues"].empty(), open == 0) << health.dump();
  for (const auto& issue : health["issues"]) {
    std::set<std::string> keys;
    for (const auto& [key, value] : issue.items()) keys.insert(key);
    EXPECT_EQ(keys, (std::set<std::string>{"kind", "channel", "severity", "first", "last", "flights", "text", "hint",
                                         "resolved_by"}));
    EXPECT_GE(issue["flights"].get<int>(), 1);
    EXPECT_LE(issue["flights"].get<std::size_t>(), doc["flights"].size());
  }
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

// The sample's flights and `copies` more of each under other numbers' names.
// (The first call expands the sample; a later one adds copies of what is there.)
std::vector<std::string> manyFlights(const TempDir& dir, int copies) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir.file("data/N123AB"), ec))
    if (e.path().extension() == ".CSV") files.push_back(e.path().string());
  if (files.empty()) files = expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  for (int c = 0; c < copies; ++c)
    for (std::size_t i = 0; i < files.size(); ++i)
      std::filesystem::copy_file(files[i], dir.file("data/N123AB/F" + std::to_string(10000 + c * 10 + static_cast<int>(i)) + ".CSV"));
  return files;
}

bool anyCatalog(const std::string& folder) {
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().filename().string().find("catalog") != std::string::npos) return true;
  return false;
}

TEST(LogbookCli, ListsUnreadableFilesBesideTheFlights) {
  TempDir dir;
  expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  const std::string bad = dir.file("data/N123AB/F00150.CSV");
  writeFile(bad, "hello\n");
  std::filesystem::last_write_time(bad, std::filesystem::last_write_time(bad) - std::chrono::hours(1));
  struct Case {
    std::string args;
    std::string out, err;  // expected in each
  };
  const std::string data = quoted(dir.file("data"));
  const Case cases[] = {
      {"logbook " + data, "Unreadable: N123AB/F00150.CSV: line 1", ""},
      {"logbook --json " + data,
       "\"unreadable\": [\n    {\"folder\": \"N123AB\", \"file\": \"N123AB/F00150.CSV\", \"problem\": \"line 1", ""},
      {"logbook --csv " + data, "N123AB/F00101.CSV", "Unreadable: N123AB/F00150.CSV: line 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun run = runCli(dir, c.args);
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("F00102.CSV"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
}

// No control character from a file's name or its cells reaches the terminal:
// each is shown as '?' in the logbook's table, its unreadable lines, import's
// messages and the reader's problems that quote a cell.
TEST(LogbookCli, NoControlCharacterOfANameOrACellReachesTheTerminal) {
  TempDir dir, from;
  const std::string head = "#airframe_info, airframe_name=\"Test\", aircraft_ident=\"N1\",\n"
                           "#yyy-mm-dd, hh:mm:ss, hh:mm, gph\nLcl Date, Lcl Time, UTCOfst, E1 FFlow\n";
  const std::string good = head + "2023-01-02, 10:11:12, +01:00, 20\n2023-01-02, 10:11:13, +01:00, 21\n";
  const std::string bad = head + "2023-01-02, \x1b]0;pwned\x07, +01:00, 20\n";
  const std::string name = "a\nb\x1b]0;pwned\x07" "c\rd\x7f";  // a line break, an OSC title, CR, DEL
  const std::string shown = "a?b?]0;pwned?c?d?";
  const std::string cell = "the time \"?]0;pwned?\" is not a time of day";
  std::filesystem::create_directories(dir.file("data/N1"));
  for (const std::string& path : {dir.file("data/N1/" + name + ".csv"), from.file(name + ".csv")}) writeFile(path, good);
  for (const std::string& path : {dir.file("data/N1/" + name + "bad.csv"), from.file(name + "bad.csv")}) writeFile(path, bad);
  for (const auto& e : std::filesystem::directory_iterator(dir.file("data/N1")))
    std::filesystem::last_write_time(e.path(), std::filesystem::last_write_time(e.path()) - std::chrono::hours(1));
  const std::string data = quoted(dir.file("data"));
  struct Case {
    std::string args;
    std::vector<std::string> shown;  // expected in stdout and stderr together
    bool csv = false;                // stdout is CSV, the names in it quoted as they are
  };
  const Case cases[] = {
      {"logbook " + data, {"  N1/" + shown + ".csv", "Unreadable: N1/" + shown + "bad.csv: line 4: " + cell}},
      {"logbook --csv " + data, {"Unreadable: N1/" + shown + "bad.csv: line 4: " + cell}, true},
      {"import " + quoted(from.file(name + ".csv")) + " --aircraft N2 --data-folder " + data, {shown + ".csv"}},
      {"import " + quoted(from.file(name + "bad.csv")) + " --aircraft N2 --data-folder " + data,
       {shown + "bad.csv", "line 4: " + cell}},
      {"info " + quoted(from.file(name + "bad.csv")), {shown + "bad.csv: line 4: " + cell}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun run = runCli(dir, c.args);
    const std::string printed = (c.csv ? "" : run.out) + run.err;
    for (const std::string& s : c.shown) EXPECT_NE(printed.find(s), std::string::npos) << s << "\n" << printed;
    for (std::size_t i = 0; i < printed.size(); ++i) {
      const auto b = static_cast<unsigned char>(printed[i]);
      const bool c1 = b == 0xC2 && i + 1 < printed.size() && static_cast<unsigned char>(printed[i + 1]) < 0xA0;
      EXPECT_FALSE((b < 0x20 && b != '\n') || b == 0x7F || c1) << "byte " << i << " of\n" << printed;
    }
  }
}

// The G3X Touch log (no units line, long titles, short keys) opens in every
// command that takes a flight, and the logbook lists it once imported.
TEST(LogbookCli, TheG3xTouchLogOpensInEveryCommand) {
  TempDir dir;
  const std::string log = quoted(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_20260327_152821_KOAK.csv");
  const std::string data = quoted(dir.file("data"));
  std::filesystem::create_directories(dir.file("data"));
  struct Case {
    std::string args;
    std::vector<std::string> shown;  // in stdout
  };
  std::vector<Case> cases = {
      {"info " + log, {"N662EZ", "System 60002CA61BD97"}},
      {"analyze " + log, {"Flight of N662EZ", "Findings:"}},
      {"analyze --json " + log, {"\"aircraft\": \"N662EZ\"", "\"engine_preset\": null", "\"phases\": ["}},
      {"findings --json " + log, {"\"aircraft\": \"N662EZ\"", "\"findings\": ["}},
      {"import " + log + " --aircraft N662EZ --data-folder " + data, {"log_20260327_152821_KOAK.csv"}},
      {"logbook " + data, {"Aircraft folder N662EZ: 1 flights", "N662EZ/log_20260327_152821_KOAK.csv"}},
  };
#ifdef VARNIX_CLI_DRAWS
  cases.push_back({"chart " + log + " -o " + quoted(dir.file("koak.png")), {}});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun run = runCli(dir, c.args);
    EXPECT_EQ(run.exit, 0) << run.err;
    for (const std::string& s : c.shown) EXPECT_NE(run.out.find(s), std::string::npos) << s << "\n" << run.out;
  }
#ifdef VARNIX_CLI_DRAWS
  EXPECT_GT(std::filesystem::file_size(dir.file("koak.png")), 1000u);
#endif
}

TEST(LogbookCli, TwoLogbooksAtOnceBothSucceedAndAgree) {
  TempDir dir, cache, cwd[2];
  const std::string args = "logbook --json " + quoted(dir.file("data"));
  setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  manyFlights(dir, 0);
  ASSERT_EQ(runCli(dir, args).exit, 0);  // the catalog of the first flights
  manyFlights(dir, 60);
  // A third program (the desktop program) holds the catalog's write lock as both start.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(dir.file("data/varnix-catalog.sqlite").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  CliRun runs[2];
  std::thread first([&] { runs[0] = test::runCli(VARNIX_CLI, cwd[0], args); });
  std::thread second([&] { runs[1] = test::runCli(VARNIX_CLI, cwd[1], args); });
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  first.join();
  second.join();
  unsetenv("XDG_CACHE_HOME");
  for (const CliRun& run : runs) EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(runs[0].out, runs[1].out);
  EXPECT_NE(runs[0].out.find("F10590.CSV"), std::string::npos);
  EXPECT_FALSE(anyCatalog(cache.path()));  // no second catalog in the cache folder
}

TEST(LogbookCli, AFullDiskEndsWithAMessageAndNoStub) {
  TempDir dir, cache;
  manyFlights(dir, 60);
  setenv("XDG_CACHE_HOME", cache.path().c_str(), 1);
  CliRun run;
  {
    const FileSizeLimit full(96 * 1024);  // the command inherits it
    run = runCli(dir, "logbook " + quoted(dir.file("data")));
  }
  unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(run.exit, 1);
  EXPECT_NE(run.err.find("could not be brought up to date"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(anyCatalog(dir.file("data")));
  EXPECT_FALSE(anyCatalog(cache.path()));
}

// varnix-cli report --aircraft: the period's PDF from the logbook, and the
// documented exit codes for an aircraft the folder does not have, a day that
// is not one, a period that ends before it starts and a missing --aircraft.
TEST(LogbookCli, ReportAircraftWritesThePeriodsPdfOrSaysWhatIsWrong) {
  TempDir dir;
  expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  const std::string data = quoted(dir.file("data"));
  const struct {
    std::string args;
    int exit;
    std::string err;  // a part of the message; "" for none
    bool written;
  } cases[] = {
      {"report --aircraft N123AB --since 2024-06-01 " + data + " -o a.pdf", 0, "", true},
      {"report --aircraft N123AB --since 2024-06-01 --until 2024-06-30 " + data + " -o b.pdf", 0, "", true},
      {"report --aircraft N9 --since 2024-06-01 " + data + " -o c.pdf", 4, "has no aircraft N9; its aircraft: N123AB",
       false},
      {"report --aircraft N123AB --since 2024-06-31 " + data + " -o d.pdf", 105, "expected a day as YYYY-MM-DD", false},
      {"report --aircraft N123AB --since 2024-06-03 --until 2024-06-01 " + data + " -o e.pdf", 105,
       "2024-06-01 is before --since 2024-06-03", false},
      {"report --since 2024-06-01 " + data + " -o f.pdf", 107, "--since requires --aircraft", false},
      {"report --aircraft N123AB --since 2024-06-01 " + quoted(dir.file("nowhere")) + " -o g.pdf", 1, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun run = runCli(dir, c.args);
    EXPECT_EQ(run.exit, c.exit) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    const std::string out = c.args.substr(c.args.size() - 5);
    EXPECT_EQ(std::filesystem::exists(dir.file(out)), c.written);
    if (c.written) {
      EXPECT_EQ(readFile(dir.file(out)).substr(0, 5), "%PDF-");
    }
  }
  // A report that exists is replaced only with --force, as the flight report is.
  const CliRun again = runCli(dir, "report --aircraft N123AB --since 2024-06-01 " + data + " -o a.pdf");
  EXPECT_EQ(again.exit, 3);
  EXPECT_NE(again.err.find("exists; give --force"), std::string::npos) << again.err;
}

}  // namespace
}  // namespace varnix::test
