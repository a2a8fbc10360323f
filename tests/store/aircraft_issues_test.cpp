// SPDX-License-Identifier: GPL-3.0-or-later
// An aircraft's open findings grouped by issue across its flights, worst
// first, and the status line made from the worst; a caution crossed on most
// flights said once as the aircraft's habit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/aircraft_issues.h"
#include "store/habits.h"

using namespace varnix;
using analysis::FindingKind;
using analysis::Severity;

namespace {

analysis::Finding finding(FindingKind kind, const std::string& channel, const std::string& text,
                          Severity severity = Severity::Caution, const std::string& hint = "", bool acknowledged = false) {
  analysis::Finding f;
  f.kind = kind;
  f.channel = channel;
  f.text = text;
  f.severity = severity;
  f.hint = hint;
  f.acknowledged = acknowledged;
  return f;
}

store::LogbookFlight flown(const std::string& date, std::vector<analysis::Finding> findings) {
  store::LogbookFlight f;
  f.entry.aircraft = "N62TW";
  f.entry.start = date + "T10:00:00";
  f.findings = std::move(findings);
  return f;
}

struct Expected {
  std::string kind, channel, first, last;
  std::size_t flights;
  std::string text, hint;
};

TEST(AircraftIssues, GroupsOpenFindingsByKindAndChannelWorstFirst) {
  const analysis::Finding probeNew =
      finding(FindingKind::Sensor, "C3", "C3 dropped out for 20 min", Severity::Caution, "look at the probe or its wiring");
  const analysis::Finding probeOld = finding(FindingKind::Sensor, "C3", "C3 dropped out for 4 min");
  const analysis::Finding caution = finding(FindingKind::ChtCaution, "C1", "CHT C1 stood above the 420 °F caution level");
  const analysis::Finding hot = finding(FindingKind::Cht, "C2", "CHT C2 reached 462 °F.", Severity::Warning, "look at C2's baffles");
  const analysis::Finding known =
      finding(FindingKind::Valve, "E4", "E4 swings ±45 °F", Severity::Caution, "borescope E4's exhaust valve", true);
  analysis::Finding trend = finding(FindingKind::Change, "C3", "C3 cruise CHT rose 30 °F", Severity::Caution);
  trend.date = "2025-10-02";
  const struct {
    const char* what;
    std::vector<store::LogbookFlight> flights;  // newest first
    std::vector<analysis::Finding> trends;
    std::vector<Expected> issues;
    std::string status;
  } cases[] = {
      {"no finding", {flown("2025-10-05", {})}, {}, {}, "N62TW: nothing new"},
      {"one probe on three flights, a caution twice in one flight: each flight counts once",
       {flown("2025-10-05", {probeNew, caution, caution}), flown("2025-10-03", {probeOld}),
        flown("2025-09-20", {probeOld, known})},
       {},
       {{"sensor", "C3", "2025-09-20", "2025-10-05", 3, "C3 dropped out for 20 min", "look at the probe or its wiring"},
        {"cht_caution", "C1", "2025-10-05", "2025-10-05", 1, "CHT C1 stood above the 420 °F caution level", ""}},
       "N62TW: C3 dropped out for 20 min (3 flights since 2025-09-20): look at the probe or its wiring; 1 more"},
      {"an older warning before newer cautions; a change across the flights",
       {flown("2025-10-05", {caution}), flown("2025-10-02", {probeOld}), flown("2025-08-01", {hot})},
       {trend},
       {{"cht", "C2", "2025-08-01", "2025-08-01", 1, "CHT C2 reached 462 °F.", "look at C2's baffles"},
        {"change", "C3", "2025-10-02", "2025-10-02", 1, "C3 cruise CHT rose 30 °F", ""},
        {"sensor", "C3", "2025-10-02", "2025-10-02", 1, "C3 dropped out for 4 min", ""},
        {"cht_caution", "C1", "2025-10-05", "2025-10-05", 1, "CHT C1 stood above the 420 °F caution level", ""}},
       "N62TW: CHT C2 reached 462 °F: look at C2's baffles; 3 more"},
      {"acknowledged findings only", {flown("2025-10-05", {known})}, {}, {}, "N62TW: nothing new"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store::AircraftLog log;
    log.folder = "N62TW";
    log.flights = c.flights;
    log.trends = c.trends;
    const std::vector<store::AircraftIssue> issues = store::AircraftIssues(log);
    ASSERT_EQ(issues.size(), c.issues.size());
    for (std::size_t i = 0; i < issues.size(); ++i) {
      SCOPED_TRACE(i);
      const Expected& e = c.issues[i];
      EXPECT_EQ(analysis::KindName(issues[i].kind), e.kind);
      EXPECT_EQ(issues[i].channel, e.channel);
      EXPECT_EQ(issues[i].first, e.first);
      EXPECT_EQ(issues[i].last, e.last);
      EXPECT_EQ(issues[i].flights, e.flights);
      EXPECT_EQ(issues[i].text, e.text);
      EXPECT_EQ(issues[i].hint, e.hint);
    }
    EXPECT_EQ(store::AircraftStatus("N62TW", issues), c.status);
  }
}

}  // namespace

namespace {

analysis::Finding caution(const std::string& channel, double peak, double minutes) {
  analysis::Finding f = finding(FindingKind::ChtCaution, channel, "CHT " + channel + " stood above the caution level");
  f.peak = peak;
  f.excess = peak - 420;
  f.timeAbove = minutes * 60;
  return f;
}

}  // namespace

// A caution crossed on most flights is the aircraft's habit: said once, each
// flight's crossing kept but no longer open unless it is worse than the habit.
TEST(AircraftIssues, ACautionCrossedOnMostFlightsIsOneHabitAndOnlyWorseFlightsStayOpen) {
  struct Odd {
    std::size_t flight;  // newest first
    double peak, minutes;
  };
  const struct {
    const char* what;
    std::size_t flights, crossing;  // flights in the log, of them with C1 crossing
    std::vector<Odd> odd;           // crossings other than 430 °F for 6 min
    std::vector<std::size_t> open;  // flights whose crossing stays open
    std::string habit;              // the aircraft's finding, "" for none
  } cases[] = {
      {"every flight", 12, 12, {}, {}, "C1 passes the 420 °F caution level on all 12 flights, about 6 min each"},
      {"one flight 15 °F hotter, one three times as long", 12, 12, {{2, 445, 6}, {5, 430, 18}}, {2, 5},
       "C1 passes the 420 °F caution level on all 12 flights, about 6 min each"},
      {"most flights", 12, 8, {}, {}, "C1 passes the 420 °F caution level on 67 % of the 12 flights, about 6 min each"},
      {"a third of the flights: events, not a habit", 12, 4, {}, {0, 1, 2, 3}, ""},
      {"too few flights to know a habit", 9, 9, {}, {0, 1, 2, 3, 4, 5, 6, 7, 8}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    store::AircraftLog log;
    log.folder = "N62TW";
    for (std::size_t i = 0; i < c.flights; ++i) {
      double peak = 430, minutes = 6;
      for (const Odd& o : c.odd)
        if (o.flight == i) peak = o.peak, minutes = o.minutes;
      std::vector<analysis::Finding> found;
      if (i < c.crossing) found.push_back(caution("C1", peak, minutes));
      log.flights.push_back(flown("2025-10-" + std::to_string(30 - i), found));
    }
    store::MarkHabits(log);
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < log.flights.size(); ++i)
      if (log.flights[i].openFindings()) open.push_back(i);
    EXPECT_EQ(open, c.open);
    for (const store::LogbookFlight& f : log.flights)
      ASSERT_EQ(f.findings.size(), &f - &log.flights[0] < static_cast<std::ptrdiff_t>(c.crossing) ? 1u : 0u);
    if (c.habit.empty()) {
      EXPECT_TRUE(log.trends.empty());
    } else {
      ASSERT_EQ(log.trends.size(), 1u);
      EXPECT_EQ(log.trends[0].text, c.habit);
      EXPECT_FALSE(log.trends[0].hint.empty());
    }
  }
}
