// SPDX-License-Identifier: GPL-3.0-or-later
// Before and after maintenance: the work's effect on the cylinder's cruise
// figures said only when it stands out of the scatter and both sides have
// the flights; a season that moves every head is not the work's; a change
// finding at the work names it, and an issue that stopped after it is kept,
// resolved by it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "store/aircraft_issues.h"
#include "store/maintenance_effects.h"

namespace varnix::test {
namespace {

using store::MaintenanceEntry;
using store::MaintenanceKind;

std::string day(int d) {
  char buf[32];  // room for any int the format could print
  std::snprintf(buf, sizeof buf, "2026-%02d-%02d", 1 + (d - 1) / 28, 1 + (d - 1) % 28);
  return buf;
}

MaintenanceEntry work(MaintenanceKind kind, int d, std::optional<int> cylinder, std::string text, char engine = 0) {
  MaintenanceEntry e;
  e.kind = kind;
  e.date = day(d);
  e.cylinder = cylinder;
  e.text = std::move(text);
  e.engine = engine;
  return e;
}

// One flight a day, days 1 to `days`: four heads around 380 °F (C3 at 400)
// with a flight-to-flight scatter of a few degrees; from day `from` on,
// `c3` added to C3's cruise CHT and `all` to every head's.
std::vector<store::EffectFlight> history(int days, int from, double c3, double all, double leanBefore = NAN,
                                         double leanAfter = NAN) {
  std::vector<store::EffectFlight> out;
  for (int d = 1; d <= days; ++d) {
    store::EffectFlight f;
    f.point.date = day(d) + "T10:00:00";
    const double after = d >= from ? 1 : 0;
    for (int c = 1; c <= 4; ++c) {
      const double scatter = 3 * std::sin(d * 1.7 + c * 2.3);
      const double v = 380 + (c == 3 ? 20 + c3 * after : 0) + all * after + scatter;
      std::string name = "C";
      name += std::to_string(c);
      f.point.cruiseCht.emplace_back(name, static_cast<float>(v));
    }
    f.leanSpreadGph = d >= from ? leanAfter : leanBefore;
    out.push_back(std::move(f));
  }
  return out;
}

TEST(MaintenanceEffects, SaysWhatTheWorkDidOnlyWhenItStandsOut) {
  using K = MaintenanceKind;
  struct Case {
    const char* name;
    MaintenanceEntry entry;
    std::vector<store::EffectFlight> flights;
    std::string channel, figure;  // the effect looked at
    std::string verdict;
    std::optional<double> before, after;  // rounded to the degree; none when not shown
    std::size_t flightsBefore, flightsAfter;
    std::string text;  // a part of the effect's text
    std::size_t effects;  // how many the entry has
  };
  const Case cases[] = {
      {"C3 25 °F cooler after its injector was cleaned; the day's flight counts after",
       work(K::Injector, 21, 3, "cleaned"), history(40, 21, -25, 0), "C3", "cruise CHT", "helped", 400, 375, 10, 10,
       "after 'injector 3 cleaned' on " + day(21) + " (10 flights each side): the work helped",
       1},
      {"warmer after the work", work(K::Cylinder, 21, 3, "cylinder 3 overhauled"), history(40, 21, 25, 0), "C3",
       "cruise CHT", "worse", 400, 425, 10, 10, "after 'cylinder 3 overhauled' on " + day(21), 1},
      {"a few degrees within the scatter", work(K::Injector, 21, 3, "cleaned"), history(40, 21, -4, 0), "C3",
       "cruise CHT", "made no difference", 400, 396, 10, 10, "the work made no difference", 1},
      {"every head cooler with the season: not the work on one", work(K::Injector, 21, 3, "cleaned"),
       history(40, 21, 0, -25), "C3", "cruise CHT", "made no difference", 400, 375, 10, 10, "made no difference", 1},
      {"plugs of every cylinder, every head cooler: each cylinder judged on its own", work(K::Plugs, 21, {}, "replaced"),
       history(40, 21, 0, -25), "C1", "cruise CHT", "helped", 380, 355, 10, 10, "C1 cruise CHT", 4},
      {"four flights after: no figure", work(K::Injector, 37, 3, "cleaned"), history(40, 37, -25, 0), "C3", "cruise CHT",
       "too few flights to judge", std::nullopt, std::nullopt, 10, 4,
       "C3 cruise CHT after 'injector 3 cleaned' on " + day(37) + " (10 flights before, 4 after): too few", 1},
      {"the lean test's spread narrowed", work(K::Injector, 21, 3, "cleaned"), history(40, 21, 0, 0, 0.9, 0.3), "",
       "lean spread", "helped", 0.9, 0.3, 10, 10, "lean spread 0.9 -> 0.3 GPH", 2},
      {"another engine's work leaves this one's heads alone", work(K::Injector, 21, 3, "cleaned", 'R'),
       [] {
         auto h = history(40, 21, -25, 0);
         for (auto& f : h)
           for (auto& [name, v] : f.point.cruiseCht) {
             std::string left = "L";
             left += name;
             name = left;
           }
         return h;
       }(),
       "", "", "", std::nullopt, std::nullopt, 0, 0, "", 0},
      {"an oil change names no cylinder", work(K::OilChange, 21, {}, ""), history(40, 21, -25, 0), "", "", "",
       std::nullopt, std::nullopt, 0, 0, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<store::MaintenanceEffect> got = store::MaintenanceEffects(c.entry, c.flights);
    ASSERT_EQ(got.size(), c.effects);
    if (c.effects == 0) continue;
    const auto it = std::find_if(got.begin(), got.end(), [&](const auto& e) {
      return e.channel == c.channel && e.figure == c.figure;
    });
    ASSERT_NE(it, got.end());
    EXPECT_EQ(it->verdict, c.verdict);
    EXPECT_EQ(it->flightsBefore, c.flightsBefore);
    EXPECT_EQ(it->flightsAfter, c.flightsAfter);
    ASSERT_EQ(it->before.has_value(), c.before.has_value());
    if (c.before) {
      const double near = c.figure == "lean spread" ? 0.051 : 2;  // the scatter moves the medians a little
      EXPECT_NEAR(*it->before, *c.before, near);
      EXPECT_NEAR(*it->after, *c.after, near);
      EXPECT_NEAR(*it->difference, *c.after - *c.before, near);
    }
    EXPECT_NE(it->text.find(c.text), std::string::npos) << it->text;
    EXPECT_EQ(it->text.rfind(c.channel.empty() ? c.figure : c.channel + " " + c.figure, 0), 0u) << it->text;
  }
}

store::LogbookFlight flown(int d, std::vector<analysis::Finding> findings = {}) {
  store::LogbookFlight f;
  f.entry.aircraft = "N1";
  f.entry.start = day(d) + "T10:00:00";
  f.entry.recordedSeconds = 3600;
  f.findings = std::move(findings);
  return f;
}

analysis::Finding finding(analysis::FindingKind kind, const std::string& channel, const std::string& date = "") {
  analysis::Finding f;
  f.kind = kind;
  f.channel = channel;
  f.text = channel + " moved";
  f.hint = "look at ";
  f.hint += channel;
  f.date = date;
  return f;
}

TEST(MaintenanceEffects, AppliedToTheLogbookNamesChangesAndResolvesIssues) {
  using K = analysis::FindingKind;
  const std::string header = "date,tach,kind,engine,cylinder,quantity,unit,text\n";
  struct Case {
    const char* name;
    std::string file;                      // maintenance.csv's text
    std::vector<int> flightDays;           // one flight each
    std::vector<int> sensorDays;           // the flights with a C3 probe finding
    std::vector<analysis::Finding> trends;
    std::string trendText;                 // a part of the first trend's text after
    bool explained;                        // the first trend acknowledged by the entry
    std::string resolvedBy;                // of the C3 sensor issue
    std::string status;
    std::vector<std::string> unreadable;   // problems told of the file
    std::size_t entries;
  };
  const std::vector<int> days = {1, 3, 5, 7, 9, 11, 13, 15, 17, 19};
  const Case cases[] = {
      {"a change three flights after the injector's cleaning names it", header + day(9) + ",,injector,,3,,,cleaned\n",
       days, {}, {finding(K::Change, "C3", day(13))},
       "C3 moved, after 'injector 3 cleaned' on " + day(9) + ": the work's effect, not a new problem", true, "",
       "N1: nothing new", {}, 1},
      {"work on another cylinder explains nothing", header + day(9) + ",,injector,,2,,,cleaned\n", days, {},
       {finding(K::Change, "C3", day(13))}, "C3 moved", false, "", "N1: C3 moved: look at C3", {}, 1},
      {"a change long before the work is not its effect", header + day(19) + ",,injector,,3,,,cleaned\n", days, {},
       {finding(K::Change, "C3", day(3))}, "C3 moved", false, "", "N1: C3 moved: look at C3", {}, 1},
      {"a probe that stopped failing after its replacement is resolved, kept",
       header + day(9) + ",,probe,,3,,,C3 replaced\n", days, {1, 3, 5, 7}, {}, "", false,
       "'C3 replaced' on " + day(9), "N1: nothing new", {}, 1},
      {"a probe failing after the work stays open", header + day(9) + ",,probe,,3,,,C3 replaced\n", days,
       {1, 3, 5, 7, 11}, {}, "", false, "", "N1: C3 moved (5 flights since " + day(1) + "): look at C3", {}, 1},
      {"a damaged line is told, the other entries are used",
       header + day(9) + ",,injector,,3,,,cleaned\n" + day(10) + ",,injector,,33,,,cleaned\n", days, {},
       {finding(K::Change, "C3", day(13))}, "after 'injector 3 cleaned'", true, "", "N1: nothing new",
       {"line 3: "}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store::AircraftLog log;
    log.folder = "N1";
    for (auto d = c.flightDays.rbegin(); d != c.flightDays.rend(); ++d) {
      std::vector<analysis::Finding> findings;
      if (std::find(c.sensorDays.begin(), c.sensorDays.end(), *d) != c.sensorDays.end())
        findings.push_back(finding(K::Sensor, "C3"));
      log.flights.push_back(flown(*d, findings));
    }
    log.trends = c.trends;
    store::ApplyMaintenance(log, store::ParseMaintenance(c.file));
    EXPECT_EQ(log.maintenance.size(), c.entries);
    if (!c.trends.empty()) {
      EXPECT_NE(log.trends[0].text.find(c.trendText), std::string::npos) << log.trends[0].text;
      EXPECT_EQ(log.trends[0].acknowledged, c.explained);
    }
    const std::vector<store::AircraftIssue> issues = store::AircraftIssues(log);
    for (const store::AircraftIssue& i : issues)
      if (i.kind == K::Sensor) {
        EXPECT_EQ(i.resolvedBy, c.resolvedBy);
      }
    if (!c.sensorDays.empty()) {
      EXPECT_FALSE(issues.empty());  // kept
    }
    EXPECT_EQ(store::AircraftStatus("N1", issues), c.status);
    ASSERT_EQ(log.unreadableFiles.size(), c.unreadable.size());
    for (std::size_t i = 0; i < c.unreadable.size(); ++i) {
      EXPECT_EQ(log.unreadableFiles[i].file, "N1/maintenance.csv");
      EXPECT_EQ(log.unreadableFiles[i].problem.rfind(c.unreadable[i], 0), 0u) << log.unreadableFiles[i].problem;
    }
  }
}

// The owner's acknowledgements reach the findings the maintenance log adds:
// the oil the engine uses is judged from it, and an acknowledged oil finding
// is kept, acknowledged, until its review date.
TEST(MaintenanceEffects, AcknowledgementsReachTheMaintenanceLogsFindings) {
  using K = analysis::FindingKind;
  // 10 qt added after ten one-hour flights: 1.0 qt/h, past a 180 hp engine's limit.
  const std::string file = "date,tach,kind,engine,cylinder,quantity,unit,text\n" + day(1) + ",,oil_change,,,8,qt,\n" +
                           day(12) + ",,oil_added,,,10,qt,\n";
  struct Case {
    const char* name;
    std::vector<analysis::Acknowledgement> acknowledgements;
    bool acknowledged;  // the oil finding
  };
  const Case cases[] = {
      {"none: the oil finding is open", {}, false},
      {"the oil finding acknowledged until a later day", {{K::OilConsumption, "OIL", day(40), "known, seen to"}}, true},
      {"a review date passed opens it again", {{K::OilConsumption, "OIL", day(5), "known, seen to"}}, false},
      {"another kind's acknowledgement does not cover it", {{K::Cht, "OIL", day(40), "known"}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store::AircraftLog log;
    log.folder = "N1";
    log.limits.ratedHp = 180;
    for (int d = 11; d >= 1; --d) log.flights.push_back(flown(d));
    store::ApplyMaintenanceAndAcknowledgements(log, store::ParseMaintenance(file), c.acknowledgements, day(20));
    ASSERT_EQ(log.trends.size(), 1u);
    EXPECT_EQ(log.trends[0].kind, K::OilConsumption);
    EXPECT_EQ(log.trends[0].acknowledged, c.acknowledged) << log.trends[0].text;
  }
}

}  // namespace
}  // namespace varnix::test
