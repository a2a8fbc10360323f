// SPDX-License-Identifier: GPL-3.0-or-later
// Findings on flights built row by row: each case crosses one limit once
// (or none), so exactly the expected finding must come out.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "analysis/findings.h"
#include "flight/flight_reader.h"
#include "analysis/limits.h"
#include "support/dump_builder.h"

namespace varnix::test {
namespace {

using flight::FindingKind;
using flight::Unit;

struct Change {
  const char* channel;
  int from, to;  // rows, inclusive
  double value;
};

constexpr int kRows = 200;  // 20 minutes at 6 seconds
const char* const kChannels[] = {"E1", "E2", "E3", "E4", "C1", "C2", "C3", "C4", "T1",
                                 "OIL", "DIF", "CLD", "BAT", "RPM", "MAP"};

// A steady flight in the given unit with `changes` applied; `without` leaves a channel out.
flight::Flight builtFlight(char unit, const std::vector<Change>& changes, const std::string& without = "") {
  const bool c = unit == 'C';
  std::map<std::string, double> base = {{"E1", c ? 700 : 1300}, {"E2", c ? 705 : 1310}, {"E3", c ? 695 : 1290},
                                        {"E4", c ? 702 : 1305}, {"C1", c ? 190 : 380},  {"C2", c ? 190 : 380},
                                        {"C3", c ? 190 : 380},  {"C4", c ? 190 : 380},  {"T1", c ? 800 : 1500},
                                        {"OIL", c ? 80 : 180},  {"DIF", c ? 10 : 20},   {"CLD", c ? -3 : -5},
                                        {"BAT", 14.0},          {"RPM", 2400},          {"MAP", 24}};
  std::string text = std::string("\"Varnix     12/07/26\"\r\n\"Model 830 Firmware 288\"\r\n\"Aircraft Number N7\"\r\n"
                                 "\"Flight #7 6/3/24 10:00:00\"\r\n\"Eng Deg ") +
                     unit + "     OAT Deg C     F/F GPH\"\r\n\"Duration  0.33Hours   Interval 6 seconds    \"\r\n\"TIME\"";
  for (const char* ch : kChannels)
    if (without != ch) text.append(",\"").append(ch).append("\"");
  text.append(",\r\n");
  for (int r = 0; r < kRows; ++r) {
    const int clock = 10 * 3600 + r * 6;
    text.append("\"").append(std::to_string(clock / 3600)).append(":").append(std::to_string(clock / 60 % 60));
    text.append(":").append(std::to_string(clock % 60)).append("\"");
    for (const char* ch : kChannels) {
      if (without == ch) continue;
      double v = base[ch];
      for (const Change& x : changes)
        if (x.channel == std::string(ch) && r >= x.from && r <= x.to) v = x.value;
      char buf[32];
      std::snprintf(buf, sizeof buf, ",%g", v);
      text.append(buf);
    }
    text.append("\r\n");
  }
  flight::FlightRead read = flight::ReadFlightText(text);
  EXPECT_TRUE(read.flight) << read.problem;
  return read.flight ? *read.flight : flight::Flight{};
}

TEST(Findings, EachLimitCrossedOnceGivesOneFindingAtItsPeak) {
  struct Case {
    const char* what;
    char unit;
    std::vector<Change> changes;
    int count;  // 0 or 1
    FindingKind kind;
    const char* channel;
    double peak, peakAt;
    const char* without = "";
  };
  const Case cases[] = {
      {"nothing crossed", 'F', {}, 0, {}, "", 0, 0},
      {"CHT", 'F', {{"C3", 150, 152, 462}, {"C3", 151, 151, 470}}, 1, FindingKind::Cht, "C3", 470, 906},
      {"TIT", 'F', {{"T1", 120, 121, 1700}}, 1, FindingKind::Tit, "T1", 1700, 720},
      {"DIF", 'F', {{"DIF", 60, 60, 520}}, 1, FindingKind::Dif, "DIF", 520, 360},
      {"cooling", 'F', {{"CLD", 180, 181, -75}}, 1, FindingKind::Cooling, "CLD", -75, 1080},
      {"cooling from the CHT slope", 'F', {{"C2", 0, 150, 445}}, 1, FindingKind::Cooling, "CLD", -65, 906, "CLD"},
      {"oil hot", 'F', {{"OIL", 150, 150, 240}}, 1, FindingKind::OilHigh, "OIL", 240, 900},
      {"oil cold", 'F', {{"OIL", 140, 199, 80}}, 1, FindingKind::OilLow, "OIL", 80, 840},
      {"oil cold in the first ten minutes", 'F', {{"OIL", 0, 99, 60}}, 0, {}, "", 0, 0},
      {"battery low", 'F', {{"BAT", 150, 150, 11.5}}, 1, FindingKind::BatteryLow, "BAT", 11.5, 900},
      {"battery high", 'F', {{"BAT", 30, 30, 16}}, 1, FindingKind::BatteryHigh, "BAT", 16, 180},
      {"battery low in the first minute", 'F', {{"BAT", 0, 9, 10}}, 0, {}, "", 0, 0},
      {"28-volt system", 'F', {{"BAT", 0, 199, 28}}, 0, {}, "", 0, 0},
      {"28-volt system low", 'F', {{"BAT", 0, 199, 28}, {"BAT", 100, 100, 23}}, 1, FindingKind::BatteryLow, "BAT",
       23, 600},
      {"cylinder cold in cruise", 'F', {{"E3", 0, 199, 1160}, {"E3", 100, 100, 1100}}, 1, FindingKind::EgtCruise,
       "E3", (1160 * 199 + 1100) / 200.0 - 1305, 600},
      {"°C: CHT above the converted limit", 'C', {{"C1", 50, 50, 240}}, 1, FindingKind::Cht, "C1", 240, 300},
      {"°C: CHT below the converted limit", 'C', {{"C1", 50, 50, 230}}, 0, {}, "", 0, 0},
      {"°C: spread beyond the converted limit", 'C', {{"E1", 0, 199, 760}}, 1, FindingKind::EgtCruise, "E1",
       760 - (705 + 695 + 702) / 3.0, 0},
      {"°C: spread within the converted limit", 'C', {{"E1", 0, 199, 750}}, 0, {}, "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<flight::Finding> found =
        flight::EvaluateFindings(flight::DigestFlight(builtFlight(c.unit, c.changes, c.without)), flight::Limits{});
    ASSERT_EQ(found.size(), static_cast<std::size_t>(c.count)) << (found.empty() ? "" : found[0].text);
    if (c.count == 0) continue;
    EXPECT_EQ(found[0].kind, c.kind) << found[0].text;
    EXPECT_EQ(found[0].channel, c.channel);
    EXPECT_NEAR(found[0].peak, c.peak, 0.01) << found[0].text;
    if (c.kind != FindingKind::EgtCruise || c.peakAt > 0) {
      EXPECT_EQ(found[0].peakAt, c.peakAt);
    }
    EXPECT_LE(found[0].start, found[0].peakAt);
    EXPECT_GE(found[0].end, found[0].peakAt);
    EXPECT_FALSE(found[0].text.empty());
  }
}

TEST(Findings, ChangedLimitsApplyToTheDigestAndTheFileKeepsThem) {
  const flight::FlightDigest d = flight::DigestFlight(builtFlight('F', {{"C3", 150, 150, 440}}));
  flight::Limits strict;
  strict.chtMax = 430;
  EXPECT_TRUE(flight::EvaluateFindings(d, flight::Limits{}).empty());
  ASSERT_EQ(flight::EvaluateFindings(d, strict).size(), 1u);
  EXPECT_EQ(flight::EvaluateFindings(d, strict)[0].text, "CHT C3 reached 440 °F at 10:15, above the 430 °F limit");

  const flight::LimitsFile same = flight::ParseLimits(flight::FormatLimits(strict));
  EXPECT_EQ(same.limits, strict);
  EXPECT_TRUE(same.problems.empty());
  const flight::LimitsFile unknown = flight::ParseLimits("cht_max = 430\nwhat = 3\n");
  EXPECT_EQ(unknown.problems, (std::vector<flight::LimitsProblem>{{2, "not a known limit"}}));
}

TEST(Limits, EveryProblemOfTheFileIsReportedWithItsLineAndChangesNothing) {
  using P = std::vector<flight::LimitsProblem>;
  struct Case {
    const char* what;
    std::string text;
    double chtMax;  // what applies
    P problems;
  };
  const Case cases[] = {
      {"plain", "cht_max = 400\n", 400, {}},
      {"keys in any case", "CHT_MAX = 400\n", 400, {}},
      {"a byte-order mark and CR LF", "\xEF\xBB\xBF" "cht_max = 400\r\ntit_max = 1600\r\n", 400, {}},
      {"comments and blank lines", "# mine\n\n  cht_max = 400   # hot\n", 400, {}},
      {"unknown key", "cht_max = 400\nwhat = 3\n", 400, {{2, "not a known limit"}}},
      {"no equals sign", "cht_max 400\n", 450, {{1, "not a known limit"}}},
      {"trailing letters", "cht_max = 400abc\n", 450, {{1, "cht_max: \"400abc\" is not a number; 450 applies"}}},
      {"no value", "cht_max =\n", 450, {{1, "cht_max: \"\" is not a number; 450 applies"}}},
      {"decimal comma", "cht_max = 400,5\n", 450, {{1, "cht_max: \"400,5\" is not a number; 450 applies"}}},
      {"nan", "cht_max = nan\n", 450, {{1, "cht_max: \"nan\" is not a finite number; 450 applies"}}},
      {"inf", "cht_max = -inf\n", 450, {{1, "cht_max: \"-inf\" is not a finite number; 450 applies"}}},
      {"too large to hold", "cht_max = 1e999\n", 450, {{1, "cht_max: \"1e999\" is not a number; 450 applies"}}},
      {"above the range", "cht_max = 4000\n", 450, {{1, "cht_max: 4000 is outside 200 to 700; 450 applies"}}},
      {"below the range", "cht_max = 0\n", 450, {{1, "cht_max: 0 is outside 200 to 700; 450 applies"}}},
      {"given twice", "cht_max = 400\n\ncht_max = 410\n", 410,
       {{3, "cht_max was given on line 1 already; this line's 410 applies"}}},
      {"every line counted", "what\ncht_max = x\ncht_max = 420\n", 420,
       {{1, "not a known limit"}, {2, "cht_max: \"x\" is not a number; 450 applies"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const flight::LimitsFile parsed = flight::ParseLimits(c.text);
    const flight::Limits& limits = parsed.limits;
    const P& problems = parsed.problems;
    EXPECT_EQ(limits.chtMax, c.chtMax);
    EXPECT_EQ(limits.titMax, c.text.find("tit_max") == std::string::npos ? 1650 : 1600);
    EXPECT_EQ(problems, c.problems);
    flight::Limits others = limits;
    others.chtMax = flight::Limits{}.chtMax;
    others.titMax = flight::Limits{}.titMax;
    EXPECT_EQ(others, flight::Limits{});
  }
  // The ranges hold the defaults, and what the file says reads back the same.
  flight::Limits odd;
  for (const flight::LimitField& f : flight::LimitFields()) {
    EXPECT_GE(flight::Limits{}.*f.field, f.min) << f.key;
    EXPECT_LE(flight::Limits{}.*f.field, f.max) << f.key;
    odd.*f.field = f.min + (f.max - f.min) / 3;  // no short decimal
  }
  const flight::LimitsFile readBack = flight::ParseLimits(flight::FormatLimits(odd));
  EXPECT_EQ(readBack.limits, odd);
  EXPECT_EQ(readBack.problems, P{});
}

TEST(Limits, TheFileIsReadOnlyWhenRegularAndReplacedWhole) {
  namespace fs = std::filesystem;
  TempDir dir;
  const std::string file = dir.file(flight::kLimitsFileName);
  struct Case {
    const char* what;
    void (*make)(const std::string& file);
    std::vector<std::string> problems;  // after the folder's path
    double chtMax;
  };
  const Case cases[] = {
      {"no file", [](const std::string&) {}, {}, 450},
      {"a regular file", [](const std::string& f) { writeFile(f, "cht_max = 400\nx\n"); },
       {"/varnix-limits.txt line 2: not a known limit"}, 400},
      {"a folder", [](const std::string& f) { fs::create_directory(f); },
       {"/varnix-limits.txt: not a regular file; the defaults apply"}, 450},
#ifndef _WIN32
      {"a FIFO", [](const std::string& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); },
       {"/varnix-limits.txt: not a regular file; the defaults apply"}, 450},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(file);
    c.make(file);
    const flight::LimitsFile read = flight::ReadLimits(dir.path());
    std::vector<std::string> expected;
    for (const std::string& p : c.problems) expected.push_back(dir.path() + p);
    EXPECT_EQ(flight::LimitsProblemLines(read), expected);
    EXPECT_EQ(read.limits.chtMax, c.chtMax);
  }

  // Saving replaces a link by the file, never writing through it (Wine
  // makes no symbolic links: there, it replaces a file).
  fs::remove_all(file);
  writeFile(dir.file("elsewhere.txt"), "keep me");
#ifndef _WIN32
  fs::create_symlink(dir.file("elsewhere.txt"), file);
#else
  writeFile(file, "cht_max = 400\n");
#endif
  flight::Limits strict;
  strict.chtMax = 410;
  const flight::Done saved = flight::SaveLimits(dir.path(), strict);
  ASSERT_TRUE(saved.ok()) << saved.problem;
  EXPECT_FALSE(fs::is_symlink(file));
  EXPECT_EQ(readFile(dir.file("elsewhere.txt")), "keep me");
  EXPECT_EQ(flight::LoadLimits(dir.path()), strict);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);  // no temporary left
  const flight::Done refused = flight::SaveLimits(dir.file("missing"), strict);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.problem.find(dir.file("missing")), std::string::npos) << refused.problem;
}

TEST(Findings, TrendRuleTakesTheSlopeOverTheLastTenFlights) {
  struct Case {
    const char* what;
    std::vector<float> c4;  // max CHT of C4, oldest first
    Unit unit;
    int count;
    double drift;
  };
  const Case cases[] = {
      {"flat", {400, 402, 398, 401, 399, 400, 402, 398, 400, 401}, Unit::DegreesF, 0, 0},
      {"creeping hotter", {400, 403, 406, 409, 412, 415, 418, 421, 424, 427}, Unit::DegreesF, 1, 27},
      {"older flights do not count", {300, 400, 403, 406, 409, 412, 415, 418, 421, 424, 427}, Unit::DegreesF, 1, 27},
      {"too few flights", {400, 420, 440, 460}, Unit::DegreesF, 0, 0},
      {"°C: 27 °F is 15 °C", {200, 201.667f, 203.333f, 205, 206.667f, 208.333f, 210, 211.667f, 213.333f, 215},
       Unit::DegreesC, 1, 15},
      {"one noisy flight is no trend", {400, 400, 400, 400, 400, 400, 400, 400, 400, 430}, Unit::DegreesF, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<flight::TrendPoint> history;
    for (float v : c.c4) {
      flight::TrendPoint p;
      p.engineUnit = c.unit;
      p.maxCht = {{"C1", 380.f}, {"C4", v}};
      history.push_back(p);
    }
    const auto found = flight::TrendFindings(history, flight::Limits{});
    ASSERT_EQ(found.size(), static_cast<std::size_t>(c.count));
    if (c.count == 0) continue;
    EXPECT_EQ(found[0].kind, FindingKind::TrendCht);
    EXPECT_EQ(found[0].channel, "C4");
    EXPECT_NEAR(found[0].peak, c.drift, 0.05);
  }
}

}  // namespace
}  // namespace varnix::test
