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

#include "analysis/aircraft_rules.h"
#include "analysis/cylinder_hints.h"
#include "analysis/findings.h"
#include "analysis/cruise_baselines.h"
#include "analysis/flight_phases.h"
#include "flight/flight_reader.h"
#include "analysis/limits.h"
#include "sensor_valve_flights.h"
#include "support/dump_builder.h"

namespace varnix::test {
namespace {

using analysis::FindingKind;
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
  EXPECT_TRUE(read.ok()) << read.problem;
  return read.ok() ? read.value : flight::Flight{};
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
  // One limit at a time: the CHT caution level (its own test below) is put at the limit.
  analysis::Limits limits;
  limits.chtCaution = limits.chtMax;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<analysis::Finding> found =
        analysis::EvaluateFindings(analysis::DigestFlight(builtFlight(c.unit, c.changes, c.without)), limits);
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
  // The levels, not the phases: the flight at one power from its first row is no climb.
  const analysis::FlightDigest d = analysis::DigestFlight(builtFlight('F', {{"C3", 150, 150, 440}}), analysis::FlightPhases{});
  analysis::Limits strict;
  strict.chtMax = 430;
  ASSERT_EQ(analysis::EvaluateFindings(d, analysis::Limits{}).size(), 1u);
  EXPECT_EQ(analysis::EvaluateFindings(d, analysis::Limits{})[0].kind, FindingKind::ChtCaution);
  ASSERT_EQ(analysis::EvaluateFindings(d, strict).size(), 1u);
  EXPECT_EQ(analysis::EvaluateFindings(d, strict)[0].text, "CHT C3 reached 440 °F at 10:15, above the 430 °F limit");

  const analysis::LimitsFile same = analysis::ParseLimits(analysis::FormatLimits(strict));
  EXPECT_EQ(same.limits, strict);
  EXPECT_TRUE(same.problems.empty());
  const analysis::LimitsFile unknown = analysis::ParseLimits("cht_max = 430\nwhat = 3\n");
  EXPECT_EQ(unknown.problems, (std::vector<analysis::LimitsProblem>{{2, "not a known limit"}}));
}

TEST(Limits, EveryProblemOfTheFileIsReportedWithItsLineAndChangesNothing) {
  using P = std::vector<analysis::LimitsProblem>;
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
    const analysis::LimitsFile parsed = analysis::ParseLimits(c.text);
    const analysis::Limits& limits = parsed.limits;
    const P& problems = parsed.problems;
    EXPECT_EQ(limits.chtMax, c.chtMax);
    EXPECT_EQ(limits.titMax, c.text.find("tit_max") == std::string::npos ? 1650 : 1600);
    EXPECT_EQ(problems, c.problems);
    analysis::Limits others = limits;
    others.chtMax = analysis::Limits{}.chtMax;
    others.titMax = analysis::Limits{}.titMax;
    EXPECT_EQ(others, analysis::Limits{});
  }
  // The ranges hold the defaults, and what the file says reads back the same.
  analysis::Limits odd;
  for (const analysis::LimitField& f : analysis::LimitFields()) {
    EXPECT_GE(analysis::Limits{}.*f.field, f.min) << f.key;
    EXPECT_LE(analysis::Limits{}.*f.field, f.max) << f.key;
    odd.*f.field = f.min + (f.max - f.min) / 3;  // no short decimal
  }
  const analysis::LimitsFile readBack = analysis::ParseLimits(analysis::FormatLimits(odd));
  EXPECT_EQ(readBack.limits, odd);
  EXPECT_EQ(readBack.problems, P{});
}

TEST(Limits, TheFileIsReadOnlyWhenRegularAndReplacedWhole) {
  namespace fs = std::filesystem;
  TempDir dir;
  const std::string file = dir.file(analysis::kLimitsFileName);
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
    const analysis::AircraftRules read = analysis::ReadAircraftRules(dir.path());
    std::vector<std::string> expected;
    for (const std::string& p : c.problems) expected.push_back(dir.path() + p);
    EXPECT_EQ(read.problemLines(), expected);
    EXPECT_EQ(read.limits.limits.chtMax, c.chtMax);
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
  analysis::Limits strict;
  strict.chtMax = 410;
  const flight::Done saved = analysis::SaveLimits(dir.path(), strict);
  ASSERT_TRUE(saved.ok()) << saved.problem;
  EXPECT_FALSE(fs::is_symlink(file));
  EXPECT_EQ(readFile(dir.file("elsewhere.txt")), "keep me");
  EXPECT_EQ(analysis::ReadAircraftRules(dir.path()).limits.limits, strict);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);  // no temporary left
  const flight::Done refused = analysis::SaveLimits(dir.file("missing"), strict);
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
      {"nine flights are too few", {400, 404, 408, 412, 416, 420, 424, 428, 432}, Unit::DegreesF, 0, 0},
      {"a drift the fit does not hold (R² 0.16)", {400, 450, 395, 455, 405, 460, 410, 465, 415, 470},
       Unit::DegreesF, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<analysis::TrendPoint> history;
    for (float v : c.c4) {
      analysis::TrendPoint p;
      p.engineUnit = c.unit;
      p.maxCht = {{"C1", 380.f}, {"C4", v}};
      history.push_back(p);
    }
    const auto found = analysis::TrendFindings(history, analysis::Limits{});
    ASSERT_EQ(found.size(), static_cast<std::size_t>(c.count));
    if (c.count == 0) continue;
    EXPECT_EQ(found[0].kind, FindingKind::TrendCht);
    EXPECT_EQ(found[0].channel, "C4");
    EXPECT_NEAR(found[0].peak, c.drift, 0.05);
    EXPECT_EQ(found[0].confidence, "moderate");  // ten or eleven comparable flights
  }
}

// An aircraft's history: `count` flights of C3 at `cht` in cruise, then the newest.
std::vector<analysis::TrendPoint> history(std::size_t count, float cht, float power, float oat) {
  std::vector<analysis::TrendPoint> h;
  for (std::size_t i = 0; i < count; ++i) {
    analysis::TrendPoint p;
    p.date = "2026-01-" + std::string(i < 9 ? "0" : "") + std::to_string(i + 1) + "T10:00:00";
    p.cruiseCht = {{"C1", 370.f}, {"C3", cht + static_cast<float>(i % 3) - 1}};
    p.cruisePower = power;
    p.cruiseOat = oat;
    h.push_back(p);
  }
  return h;
}

TEST(Findings, ABaselineComparesTheNewestFlightWithItsComparableFlights) {
  struct Case {
    const char* what;
    std::size_t before;
    float power, oat;  // of the flights before; the newest flew 65 % at 15 °C
    float newest;      // its C3
    int count;
    const char* confidence;
  };
  constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {"like the others", 20, 65, 15, 381, 0, ""},
      {"hotter than its baseline", 20, 65, 15, 400, 1, "moderate"},
      {"cooler than its baseline", 40, 65, 15, 360, 1, "high"},
      {"within three robust deviations", 20, 65, 15, 393, 0, ""},
      {"the others at another power", 20, 80, 15, 400, 0, ""},
      {"the others at another OAT", 20, 65, 30, 400, 0, ""},
      {"power and OAT unknown", 20, kNone, kNone, 400, 1, "moderate"},
      {"too few comparable flights", 4, 65, 15, 400, 0, ""},
      {"few comparable flights", 6, 65, 15, 400, 1, "low"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<analysis::TrendPoint> h = history(c.before, 380, c.power, c.oat);
    analysis::TrendPoint newest;
    newest.date = "2026-03-01T10:00:00";
    newest.cruiseCht = {{"C1", 370.f}, {"C3", c.newest}};
    newest.cruisePower = 65;
    newest.cruiseOat = 15;
    h.push_back(newest);
    std::vector<analysis::Finding> found = analysis::TrendFindings(h, analysis::Limits{});
    std::erase_if(found, [](const analysis::Finding& f) { return f.kind != FindingKind::Baseline; });
    ASSERT_EQ(found.size(), static_cast<std::size_t>(c.count)) << (found.empty() ? "" : found[0].text);
    if (c.count == 0) continue;
    EXPECT_EQ(found[0].channel, "C3");
    EXPECT_EQ(found[0].confidence, c.confidence);
    EXPECT_NEAR(found[0].peak, c.newest - 380, 0.01);
  }
}

TEST(Findings, CruiseBaselinesAreTheComparableFlightsMedians) {
  constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* what;
    std::size_t before;
    float power;  // of the flights before; the newest flew 65 %
    Unit unit;    // of the newest
    std::vector<std::string> channels;
    double c3, median;
    std::size_t flights;
  } cases[] = {
      {"twenty comparable flights", 20, 65, Unit::DegreesF, {"C1", "C3"}, 400, 380, 20},
      {"the last thirty of forty", 40, 65, Unit::DegreesF, {"C1", "C3"}, 400, 380, 30},
      {"the others at another power", 20, 80, Unit::DegreesF, {}, 0, 0, 0},
      {"power unknown", 20, kNone, Unit::DegreesF, {"C1", "C3"}, 400, 380, 20},
      {"too few", 4, 65, Unit::DegreesF, {}, 0, 0, 0},
      {"in the newest flight's unit", 20, 65, Unit::DegreesC, {"C1", "C3"}, 400, 193.33, 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<analysis::TrendPoint> h = history(c.before, 380, c.power, 15);
    analysis::TrendPoint newest;
    newest.engineUnit = c.unit;
    newest.cruiseCht = {{"C1", 370.f}, {"C3", 400.f}, {"C5", kNone}};
    newest.cruisePower = 65;
    newest.cruiseOat = 15;
    h.push_back(newest);
    const std::vector<analysis::CruiseBaseline> b = analysis::CruiseBaselines(h, analysis::Limits{});
    std::vector<std::string> channels;
    for (const auto& x : b) channels.push_back(x.channel);
    EXPECT_EQ(channels, c.channels);
    if (b.size() < 2) continue;
    EXPECT_EQ(b[1].kind, flight::ChannelKind::Cht);
    EXPECT_NEAR(b[1].value, c.c3, 0.01);
    EXPECT_NEAR(b[1].median, c.median, 0.01);
    EXPECT_EQ(b[1].flights, c.flights);
  }
}

TEST(Findings, ALastingStepIsAChangeWithItsDate) {
  struct Case {
    const char* what;
    std::vector<float> battery;  // in cruise, oldest first
    int count;
    const char* date;
  };
  const Case cases[] = {
      {"steady", {14.1f, 14.0f, 14.1f, 14.2f, 14.1f, 14.0f, 14.1f, 14.2f, 14.1f, 14.0f, 14.1f, 14.2f}, 0, ""},
      {"a step down",
       {14.1f, 14.0f, 14.1f, 14.2f, 14.1f, 14.0f, 13.4f, 13.5f, 13.4f, 13.3f, 13.4f, 13.5f}, 1, "2026-01-07"},
      {"a small step",
       {14.1f, 14.0f, 14.1f, 14.2f, 14.1f, 14.0f, 13.9f, 14.0f, 13.9f, 13.8f, 13.9f, 14.0f}, 0, ""},
      {"not lasting yet",
       {14.1f, 14.0f, 14.1f, 14.2f, 14.1f, 14.0f, 14.1f, 14.2f, 14.1f, 14.0f, 13.4f, 13.3f}, 0, ""},
      {"too few flights", {14.1f, 14.0f, 14.1f, 14.2f, 13.4f, 13.5f, 13.4f, 13.3f}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<analysis::TrendPoint> h = history(c.battery.size(), 380, 65, 15);
    for (std::size_t i = 0; i < h.size(); ++i) h[i].cruiseBattery = c.battery[i];
    std::vector<analysis::Finding> found = analysis::TrendFindings(h, analysis::Limits{});
    std::erase_if(found, [](const analysis::Finding& f) { return f.kind != FindingKind::Change; });
    ASSERT_EQ(found.size(), static_cast<std::size_t>(c.count)) << (found.empty() ? "" : found[0].text);
    if (c.count == 0) continue;
    EXPECT_EQ(found[0].channel, "BAT");
    EXPECT_EQ(found[0].date, c.date);
    EXPECT_NEAR(found[0].peak, -0.7, 0.05);
  }
}

// A cylinder that moves against the others of its engine over its recent
// flights (the last ten, or the last 30 days): one change finding of it, the
// season and the power every cylinder follows cancelled out; its drift,
// baseline or step is the same event and not said again.
TEST(Findings, ACylindersSlowChangeAgainstTheOthersIsOneFinding) {
  struct Move {
    const char* channel;
    double perFlight;   // °F a flight over the last `lastFlights`
    int lastFlights;
  };
  const struct Case {
    const char* what;
    std::vector<std::string> engines;  // channel prefixes: "" (C1, E1), or "L", "R"
    int flights;
    std::vector<Move> moves;
    std::vector<std::string> found;    // each finding's channel and text start
  } cases[] = {
      {"a season and power every cylinder follows", {""}, 60, {}, {}},
      {"C3 warming 1 °F a flight over the last 40", {""}, 60, {{"C3", 1, 40}}, {"C3's cruise CHT up "}},
      {"C3 warming 0.4 °F a flight: 16 °F", {""}, 60, {{"C3", 0.4, 40}}, {}},
      {"E4 running 40 °F cooler over the last 12", {""}, 60, {{"E4", -40.0 / 12, 12}}, {"E4's cruise EGT down "}},
      {"a twin's left C3 warming, its right engine steady", {"L", "R"}, 60, {{"LC3", 1, 40}}, {"LC3's cruise CHT up "}},
      {"two heads of one engine warming apart", {""}, 60, {{"C2", 1, 40}, {"C5", -1, 40}},
       {"C2's cruise CHT up ", "C5's cruise CHT down "}},
      // Too few flights for a reference: the step rule's finding alone.
      {"15 flights, C3 warming 3 °F a flight over the last 10", {""}, 15, {{"C3", 3, 10}}, {"C3's cruise CHT rose "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<analysis::TrendPoint> h;
    for (int i = 0; i < c.flights; ++i) {
      analysis::TrendPoint p;
      // A flight every three days from 2025-01-01, its season and power common to every cylinder.
      char date[32];
      const int day = 1 + 3 * i;
      std::snprintf(date, sizeof date, "2025-%02d-%02dT10:00:00", 1 + (day - 1) / 28, 1 + (day - 1) % 28);
      p.date = date;
      const double common = 25 * std::sin(i / 9.0) + (i * 37 % 11) - 5;
      p.cruiseOat = static_cast<float>(15 + 10 * std::sin(i / 9.0));  // the season's air, which the heads follow
      for (const std::string& engine : c.engines)
        for (int cyl = 1; cyl <= 6; ++cyl) {
          const std::string cht = engine + "C" + std::to_string(cyl), egt = engine + "E" + std::to_string(cyl);
          double moveC = 0, moveE = 0;
          for (const Move& m : c.moves) {
            const int into = i - (c.flights - m.lastFlights) + 1;
            if (into <= 0) continue;
            (std::string(m.channel) == cht ? moveC : std::string(m.channel) == egt ? moveE : moveC) +=
                std::string(m.channel) == cht || std::string(m.channel) == egt ? m.perFlight * into : 0;
          }
          const double own = ((i * 7 + cyl * 3) % 5) - 2;  // each cylinder's own scatter
          p.cruiseCht.emplace_back(cht, static_cast<float>(360 + 4 * cyl + common + own + moveC));
          p.cruiseEgt.emplace_back(egt, static_cast<float>(1380 + 6 * cyl + 2 * common + own + moveE));
        }
      h.push_back(std::move(p));
    }
    std::vector<analysis::Finding> found = analysis::TrendFindings(h, analysis::Limits{});
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.channel < b.channel; });
    std::vector<std::string> texts;
    for (const analysis::Finding& f : found) texts.push_back(f.text);
    ASSERT_EQ(found.size(), c.found.size()) << ::testing::PrintToString(texts);
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].kind, FindingKind::Change);
      EXPECT_EQ(found[i].text.rfind(c.found[i], 0), 0u) << found[i].text;
      EXPECT_FALSE(found[i].date.empty());
      // A change against the others says where to look.
      if (found[i].text.find("against the other cylinders") != std::string::npos) {
        EXPECT_FALSE(found[i].hint.empty());
      }
    }
  }
}

TEST(Findings, AnotherHottestCylinderTwoFlightsRunningIsNoted) {
  struct Case {
    const char* what;
    std::vector<std::pair<float, float>> c1c3;  // max CHT of C1 and C3, oldest first
    int count;
  };
  const Case cases[] = {
      {"C1 stays hottest", {{400, 380}, {400, 380}, {400, 380}}, 0},
      {"C3 hottest by 20 twice", {{400, 380}, {400, 420}, {401, 421}}, 1},
      {"C3 hottest once", {{400, 380}, {400, 380}, {400, 420}}, 0},
      {"C3 hottest by 10", {{400, 380}, {400, 410}, {400, 410}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<analysis::TrendPoint> h;
    for (const auto& [c1, c3] : c.c1c3) {
      analysis::TrendPoint p;
      p.maxCht = {{"C1", c1}, {"C3", c3}};
      h.push_back(p);
    }
    const auto found = analysis::TrendFindings(h, analysis::Limits{});
    ASSERT_EQ(found.size(), static_cast<std::size_t>(c.count));
    if (c.count) {
      EXPECT_EQ(found[0].kind, FindingKind::HottestCylinder);
      EXPECT_EQ(found[0].channel, "C3");
    }
  }
}


TEST(Findings, ExceedancesOfOneChannelCloserThan30SecondsAreOneFindingWithTimeAboveAndExcess) {
  struct Case {
    const char* what;
    std::vector<Change> changes;
    std::vector<double> timeAbove;  // per finding, seconds
    double excess;                  // of the first
  };
  const Case cases[] = {
      {"two whole minutes above", {{"C3", 100, 119, 470}}, {120}, 20},
      {"spikes in neighbouring minutes", {{"C3", 105, 105, 470}, {"C3", 115, 115, 460}}, {60 * 20 / 90.0 + 60 * 10 / 80.0}, 20},
      {"spikes a minute apart", {{"C3", 105, 105, 470}, {"C3", 125, 125, 460}}, {60 * 20 / 90.0, 60 * 10 / 80.0}, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto found = analysis::EvaluateFindings(analysis::DigestFlight(builtFlight('F', c.changes)), analysis::Limits{});
    ASSERT_EQ(found.size(), c.timeAbove.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].kind, FindingKind::Cht) << found[i].text;
      EXPECT_NEAR(found[i].timeAbove, c.timeAbove[i], 0.01);
    }
    EXPECT_NEAR(found[0].excess, c.excess, 0.01);
  }
}

TEST(Findings, ChtHasACautionLevelBelowItsLimitAndPresetsPerEngineFamily) {
  struct Case {
    const char* what;
    std::vector<Change> changes;
    analysis::Limits limits;
    std::vector<FindingKind> kinds;
    analysis::Severity severity = analysis::Severity::Caution;
  };
  const analysis::Limits lycoming = *analysis::EngineFamilyLimits("Lycoming");
  const Case cases[] = {
      {"a long hot cruise", {{"C2", 50, 150, 430}}, {}, {FindingKind::ChtCaution}},
      {"far above the caution level: still a caution", {{"C2", 50, 150, 449}}, {}, {FindingKind::ChtCaution}},
      {"above the limit: the limit's finding alone", {{"C2", 50, 150, 430}, {"C2", 100, 100, 480}}, {},
       {FindingKind::Cht}, analysis::Severity::Warning},
      {"below the caution level", {{"C2", 50, 150, 415}}, {}, {}},
      {"Lycoming: 480 is a caution", {{"C2", 50, 150, 480}}, lycoming, {FindingKind::ChtCaution}},
      {"Lycoming: 430 is nothing", {{"C2", 50, 150, 430}}, lycoming, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The levels, not the phases (their own table below).
    const auto found =
        analysis::EvaluateFindings(analysis::DigestFlight(builtFlight('F', c.changes), analysis::FlightPhases{}), c.limits);
    ASSERT_EQ(found.size(), c.kinds.size()) << (found.empty() ? "" : found[0].text);
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].kind, c.kinds[i]) << found[i].text;
      EXPECT_EQ(found[i].severity, c.severity) << found[i].text;
    }
  }
  EXPECT_FALSE(analysis::EngineFamilyLimits("rotary"));
  EXPECT_EQ(analysis::KindName(FindingKind::ChtCaution), "cht_caution");
  EXPECT_EQ(analysis::KindOfName("cht_caution"), FindingKind::ChtCaution);
}

TEST(Findings, OilBatteryAndCoolingRulesKnowThePhases) {
  using analysis::Phase;
  using analysis::FlightEventKind;
  const analysis::FlightPhases none;
  analysis::FlightPhases warmup;  // on the ground until 15 min, the engine started at 5 min
  warmup.spans = {{Phase::Ground, 0, 840}, {Phase::Runup, 840, 900}, {Phase::Climb, 900, 1000},
                  {Phase::Cruise, 1000, 1194}};
  warmup.events = {{FlightEventKind::EngineStart, 300}, {FlightEventKind::Shutdown, 1194}};
  analysis::FlightPhases landed;  // back on the ground from 15 min
  landed.spans = {{Phase::Cruise, 0, 900}, {Phase::Ground, 900, 1194}};
  struct Case {
    const char* what;
    std::vector<Change> changes;
    const analysis::FlightPhases& phases;
    std::vector<FindingKind> kinds;
  };
  const Case cases[] = {
      {"oil cold after ten minutes, no phases", {{"OIL", 110, 140, 80}}, none, {FindingKind::OilLow}},
      {"oil cold in the warm-up", {{"OIL", 110, 140, 80}}, warmup, {}},
      {"oil cold after the warm-up", {{"OIL", 160, 170, 80}}, warmup, {FindingKind::OilLow}},
      {"battery low in the minute after the engine start", {{"BAT", 55, 55, 11}}, warmup, {}},
      {"battery low later", {{"BAT", 70, 70, 11}}, warmup, {FindingKind::BatteryLow}},
      {"cooling in flight", {{"CLD", 100, 101, -75}}, landed, {FindingKind::Cooling}},
      {"cooling on the ground", {{"CLD", 160, 161, -75}}, landed, {}},
      {"cooling on the ground, no phases", {{"CLD", 160, 161, -75}}, none, {FindingKind::Cooling}},
      {"cooling in the minute of the shutdown, no phases", {{"CLD", 195, 196, -75}}, none, {}},
      {"heads above the caution level in the climb", {{"C2", 150, 160, 435}}, warmup, {}},
      {"heads above the caution level while they settle after the climb", {{"C2", 150, 180, 435}}, warmup, {}},
      {"heads above the caution level in the cruise", {{"C2", 10, 60, 435}}, landed, {FindingKind::ChtCaution}},
      {"heads above the limit in the climb", {{"C2", 150, 160, 470}}, warmup, {FindingKind::Cht}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto found =
        analysis::EvaluateFindings(analysis::DigestFlight(builtFlight('F', c.changes), c.phases), analysis::Limits{});
    ASSERT_EQ(found.size(), c.kinds.size()) << (found.empty() ? "" : found[0].text);
    for (std::size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i].kind, c.kinds[i]) << found[i].text;
  }
  // Cooling is information, however fast.
  const auto fast = analysis::EvaluateFindings(analysis::DigestFlight(builtFlight('F', {{"CLD", 100, 101, -200}})), {});
  ASSERT_EQ(fast.size(), 1u);
  EXPECT_EQ(fast[0].severity, analysis::Severity::Caution);
}

// A fault is a sensor finding of its own and holds back the limit findings
// of its channel while it lasts.
TEST(Findings, SensorFaultSpansHoldBackLimitFindingsOnTheirChannel) {
  const analysis::FlightDigest plain =
      analysis::DigestFlight(builtFlight('F', {{"C3", 150, 150, 470}, {"T1", 150, 150, 1700}}));
  struct Case {
    const char* what;
    std::vector<analysis::SensorFaultSpan> faults;
    std::vector<FindingKind> kinds;
  };
  const Case cases[] = {
      {"no fault", {}, {FindingKind::Cht, FindingKind::Tit}},
      {"C3 faulty at its peak", {{"C3", 850, 950}}, {FindingKind::Sensor, FindingKind::Tit}},
      {"C3 faulty elsewhere", {{"C3", 0, 600}}, {FindingKind::Sensor, FindingKind::Cht, FindingKind::Tit}},
      {"another channel faulty", {{"C1", 850, 950}}, {FindingKind::Sensor, FindingKind::Cht, FindingKind::Tit}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    analysis::FlightDigest d = plain;
    d.sensorFaults = c.faults;
    const auto found = analysis::EvaluateFindings(d, analysis::Limits{});
    ASSERT_EQ(found.size(), c.kinds.size());
    for (std::size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i].kind, c.kinds[i]) << found[i].text;
  }
}

// The run-up's magneto checks: a verdict other than normal is one finding
// per engine naming the cylinders at fault (never one whose probe was faulty
// then); a drop beyond the limits one more; a check too coarse to judge, or
// normal checks within the limits, nothing.
TEST(Findings, AMagnetoCheckFindsItsVerdictAndItsDropsUnderTheLimits) {
  using flight::Engine;
  const analysis::RunupCheck normal{Engine::Only, 300, 304, "normal", 110, 1800, {}, "every EGT rose 40-60 °F"};
  analysis::RunupCheck plug{Engine::Only, 320, 324, "plug", 120, 1800, {"E3"}, "E3 fell 80 °F while the others rose 45-70 °F"};
  analysis::RunupCheck magneto = plug;
  magneto.verdict = "magneto";
  magneto.atFault = {"E1", "E2", "E3"};
  analysis::RunupCheck deep = normal, coarse = normal, leftPlug = plug, rightNormal = normal;
  deep.dropRpm = 190;
  coarse.verdict = "too_coarse";
  coarse.dropRpm = 250;
  leftPlug.engine = Engine::Left;
  leftPlug.atFault = {"LE2"};
  rightNormal.engine = Engine::Right;
  analysis::RunupCheck apart = normal;
  apart.dropRpm = 170;
  analysis::Limits lenient;
  lenient.magDropMax = 200;
  lenient.magDropDifference = 100;
  struct Case {
    const char* what;
    std::vector<analysis::RunupCheck> checks;
    std::vector<analysis::SensorFaultSpan> faults;
    analysis::Limits limits;
    std::vector<std::string> channels;  // of the mag_check findings, in order
    const char* hint;                   // of the first
  };
  const Case cases[] = {
      {"both normal", {normal, normal}, {}, {}, {}, ""},
      {"a plug", {normal, plug}, {}, {}, {"E3"}, "look at the plug and lead of cylinder 3 on that magneto"},
      {"a plug whose probe was faulty then", {normal, plug}, {{"E3", 310, 330}}, {}, {}, ""},
      {"the magneto", {magneto, normal}, {}, {}, {"MAG"}, "have that magneto's timing and points checked"},
      {"a drop beyond the limit", {normal, deep}, {}, {}, {"RPM"}, "have the magnetos' timing checked"},
      {"the same drops under higher limits", {normal, deep}, {}, lenient, {}, ""},
      {"the drops 60 RPM apart", {normal, apart}, {}, {}, {"RPM"}, "have the magnetos' timing checked"},
      {"too coarse to judge", {coarse, coarse}, {}, {}, {}, ""},
      {"a twin's left plug", {leftPlug, rightNormal}, {}, {}, {"LE2"}, "look at the plug and lead of cylinder 2 on that magneto"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    analysis::FlightDigest d;
    d.recordedSeconds = 3600;
    d.magChecks = c.checks;
    d.sensorFaults = c.faults;
    std::vector<std::string> channels;
    std::string hint;
    for (const analysis::Finding& f : analysis::EvaluateFindings(d, c.limits)) {
      if (f.kind != FindingKind::MagCheck) continue;
      if (channels.empty()) hint = f.hint;
      channels.push_back(f.channel);
      EXPECT_NE(f.text.find("magneto check at 0:0"), std::string::npos) << f.text;
    }
    EXPECT_EQ(channels, c.channels);
    EXPECT_EQ(hint, c.hint);
  }
}

// A 28-volt bus read by two voltmeters, with RPM and current: a sag seen on
// both at once is the bus's one finding, which says the RPM and current then.
TEST(Findings, BusChannelsSaggingTogetherAreOneFindingWithRpmAndCurrent) {
  struct Sag {
    int channel;  // 0 VOLT1, 1 VOLT2
    int from, to; // rows, inclusive
    double volts;
  };
  struct Case {
    const char* what;
    std::vector<Sag> sags;
    int idleFrom, idleTo;  // rows at a 560 RPM idle discharging 12 A; else 2400 RPM charging 2 A
    bool amps;             // the flight records the current
    std::vector<std::vector<std::string>> channels;  // per finding
    const char* says;      // in the first finding's text
    double rpm, current;   // of the first; NaN: not known
  };
  const double nan = std::nan("");
  const Case cases[] = {
      {"both sag at an idle", {{0, 100, 119, 23.9}, {1, 102, 119, 24.0 - 0.1}}, 100, 119, true, {{"VOLT1", "VOLT2"}},
       "The bus (VOLT1 and VOLT2) was down to 23.9 V at 10:10, below the 24.0 V limit (2 min), at a 560 RPM idle, "
       "discharging 12 A: the alternator cannot carry the load at that idle",
       560, -12},
      {"both sag at two idles: two events", {{0, 100, 119, 23.9}, {1, 100, 119, 23.9}, {0, 300, 319, 23.8}, {1, 300, 319, 23.9}},
       100, 119, true, {{"VOLT1", "VOLT2"}, {"VOLT1", "VOLT2"}}, "at a 560 RPM idle", 560, -12},
      {"one sags in the cruise, the other at an idle: two", {{0, 200, 219, 23.5}, {1, 100, 119, 23.9}}, 100, 119, true,
       {{"VOLT2"}, {"VOLT1"}}, "The battery (VOLT2) was down to 23.9 V", 560, -12},
      {"a sag in the cruise, discharging", {{0, 200, 219, 23.5}, {1, 200, 219, 23.6}}, 200, 219, true,
       {{"VOLT1", "VOLT2"}}, "discharging 12 A: the alternator is not charging", 560, -12},
      {"a sag at an idle without an ammeter", {{0, 100, 119, 23.9}, {1, 100, 119, 23.9}}, 100, 119, false,
       {{"VOLT1", "VOLT2"}}, "(2 min), at a 560 RPM idle", 560, nan},
      {"no sag", {}, 100, 119, true, {}, "", nan, nan},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<flight::Channel> channels = {plainChannel("VOLT1", flight::ChannelKind::Battery, Unit::Volts),
                                             plainChannel("VOLT2", flight::ChannelKind::Battery, Unit::Volts),
                                             plainChannel("RPM", flight::ChannelKind::Rpm, Unit::Rpm)};
    if (c.amps) channels.push_back(plainChannel("AMP", flight::ChannelKind::Amps, Unit::Amps));
    // A sag in the cruise is an alternator gone; the idle's RPM is in its rows alone.
    const bool cruiseSag = c.idleFrom == 200;
    const flight::Flight f = test::builtFlight(channels, 400, 6, [&](std::size_t ch, std::size_t r, double) {
      const bool idle = static_cast<int>(r) >= c.idleFrom && static_cast<int>(r) <= c.idleTo;
      if (ch == 2) return idle && !cruiseSag ? 560.0f : 2400.0f;
      if (ch == 3) return idle ? -12.0f : 2.0f;
      double v = 28.0 + 0.05 * noise(ch, r);
      for (const Sag& s : c.sags)
        if (static_cast<int>(ch) == s.channel && static_cast<int>(r) >= s.from && static_cast<int>(r) <= s.to) v = s.volts;
      return static_cast<float>(v);
    });
    const auto found = analysis::EvaluateFindings(analysis::DigestFlight(f, analysis::FlightPhases{}), {});
    std::string texts;
    for (const auto& x : found) texts += x.text + "; ";
    ASSERT_EQ(found.size(), c.channels.size()) << texts;
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].kind, FindingKind::BatteryLow) << texts;
      EXPECT_EQ(found[i].channels, c.channels[i]) << texts;
      EXPECT_EQ(found[i].channel, c.channels[i][0]);
    }
    if (found.empty()) continue;
    EXPECT_NE(found[0].text.find(c.says), std::string::npos) << found[0].text;
    EXPECT_EQ(std::isnan(found[0].rpm), std::isnan(c.rpm));
    if (!std::isnan(c.rpm)) {
      EXPECT_EQ(found[0].rpm, cruiseSag ? 2400 : c.rpm);
    }
    EXPECT_EQ(std::isnan(found[0].amps), std::isnan(c.current));
    if (!std::isnan(c.current)) {
      EXPECT_EQ(found[0].amps, c.current);
    }
  }
}

TEST(CylinderHints, EachPatternOfTheTableGivesItsHint) {
  constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    float egt, cht, early;
    std::uint32_t egtSteps, chtSteps;
    const char* hint;
  };
  const Case cases[] = {
      {"like the others", 10, 5, 0, 0, 0, ""},
      {"EGT high, CHT low", 80, -40, -40, 0, 0, "look at the valves, rings, plug or magneto"},
      {"EGT high, CHT high", 80, 40, 40, 0, 0, "look at a restricted injector or an intake leak"},
      {"EGT high, CHT normal", 80, 0, 0, 0, 0, ""},
      {"EGT low", -80, 0, 0, 0, 0, "look at a large injector or an exhaust leak"},
      {"a jumpy EGT", 0, 0, 0, 3, 0,
       "look at the probe or its wiring: its EGT jumped 100 °F or more against the other cylinders 3 times"},
      {"a jumpy CHT beats the pattern", 80, 40, 40, 0, 5,
       "look at the probe or its wiring: its CHT jumped 40 °F or more against the other cylinders 5 times"},
      {"both jumpy", 0, 0, 0, 4, 3,
       "look at the probe or its wiring: its EGT jumped 100 °F or more against the other cylinders 4 times and its "
       "CHT jumped 40 °F or more against the other cylinders 3 times"},
      {"two jumps are no jumpy channel", 0, 0, 0, 2, 2, ""},
      {"cold after the start, normal in cruise", 0, 5, -60, 0, 0, "look at a sticking valve"},
      {"cold after the start and in cruise", 0, -40, -60, 0, 0, ""},
      {"no cruise", kNone, kNone, -60, 0, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    analysis::CylinderState s;
    s.cylinder = 2;
    s.egtDeviation = c.egt;
    s.chtDeviation = c.cht;
    s.earlyChtDeviation = c.early;
    s.egtSteps = c.egtSteps;
    s.chtSteps = c.chtSteps;
    EXPECT_EQ(analysis::CylinderHint(s, analysis::Limits{}, Unit::DegreesF), c.hint);
  }
  // From a flight: its hot cylinder's CHT finding carries the hint.
  const auto found = analysis::EvaluateFindings(
      analysis::DigestFlight(builtFlight('F', {{"E2", 0, 199, 1380}, {"C2", 0, 199, 470}})), analysis::Limits{});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].kind, FindingKind::Cht);
  EXPECT_EQ(found[0].cylinder, 2);
  EXPECT_EQ(found[0].hint, "look at a restricted injector or an intake leak");
}

}  // namespace
}  // namespace varnix::test
