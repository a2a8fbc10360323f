// SPDX-License-Identifier: GPL-3.0-or-later
// Two flights compared: the alignment and its fallbacks, channels matched by
// what they measure, B's value at A's cursor, and the ruler's figures, on
// flights written by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "flight/flight_reader.h"
#include "frontend/compare/flight_compare.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using frontend::AlignBy;
using flight::ChannelKind;
using flight::Engine;
using frontend::FlightMoments;
using flight::Unit;

flight::Flight read(const std::string& text) {
  flight::FlightRead r = flight::ReadFlightText(text);
  EXPECT_TRUE(r.ok()) << r.problem;
  return r.ok() ? std::move(r.value) : flight::Flight{};
}

// NaN compares as "NA".
std::string text(double v) { return std::isnan(v) ? "NA" : std::to_string(std::lround(v * 100) / 100.0).substr(0, 6); }

TEST(FlightCompare, AlignsByTakeoffEngineStartOrClockAndSaysWhenItFallsBack) {
  flight::Flight a, b;
  a.startOfDay = 9 * 3600;
  b.startOfDay = 9 * 3600 + 1800;
  const FlightMoments full{600, 100}, noTakeoff{std::nullopt, 40}, nothing{};
  const struct {
    const char* name;
    FlightMoments ma, mb;
    AlignBy wanted;
    double offset;
    AlignBy used;
    std::string note;
  } cases[] = {
      {"both take off", full, {900, 50}, AlignBy::Takeoff, -300, AlignBy::Takeoff, ""},
      {"by engine start", full, {900, 50}, AlignBy::EngineStart, 50, AlignBy::EngineStart, ""},
      {"by clock: the later start lies later", full, {900, 50}, AlignBy::Clock, 1800, AlignBy::Clock, ""},
      {"B never takes off", full, noTakeoff, AlignBy::Takeoff, 60, AlignBy::EngineStart,
       "Flight B has no takeoff: aligned by engine start"},
      {"A never takes off", noTakeoff, full, AlignBy::Takeoff, -60, AlignBy::EngineStart,
       "Flight A has no takeoff: aligned by engine start"},
      {"neither has anything", nothing, nothing, AlignBy::Takeoff, 0, AlignBy::EngineStart,
       "Neither flight has a takeoff; Neither flight has an engine start: aligned by their first rows"},
      {"no engine start in B", full, nothing, AlignBy::EngineStart, 0, AlignBy::EngineStart,
       "Flight B has no engine start: aligned by their first rows"},
      {"clock needs no moments", nothing, nothing, AlignBy::Clock, 1800, AlignBy::Clock, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const frontend::Alignment al = frontend::AlignFlights(a, c.ma, b, c.mb, c.wanted);
    EXPECT_DOUBLE_EQ(al.offset, c.offset);
    EXPECT_EQ(al.by, c.used);
    EXPECT_EQ(al.note, c.note);
  }
}

TEST(FlightCompare, MomentsAreTheFirstTakeoffAndEngineStart) {
  analysis::FlightPhases p;
  p.spans = {{analysis::Phase::Ground, 0, 100}, {analysis::Phase::Takeoff, 300, 360}, {analysis::Phase::Takeoff, 900, 960}};
  p.events = {{analysis::FlightEventKind::Shutdown, 20}, {analysis::FlightEventKind::EngineStart, 30},
              {analysis::FlightEventKind::EngineStart, 800}};
  const FlightMoments m = frontend::MomentsOf(p);
  EXPECT_EQ(m.takeoff, 300);
  EXPECT_EQ(m.engineStart, 30);
  EXPECT_FALSE(frontend::MomentsOf(analysis::FlightPhases{}).takeoff);
}

TEST(FlightCompare, MatchesChannelsByWhatTheyMeasureNotByTitle) {
  using C = flight::Channel;
  const C e1{"E1", ChannelKind::Egt, Engine::Only, 1, 0, Unit::DegreesF};
  const C e2{"E2", ChannelKind::Egt, Engine::Only, 2, 0, Unit::DegreesF};
  const C ff{"FF", ChannelKind::FuelFlow, Engine::Only, 0, 0, Unit::GallonsPerHour};
  const C left1{"LE1", ChannelKind::Egt, Engine::Left, 1, 0, Unit::DegreesF};
  const C right1{"RE1", ChannelKind::Egt, Engine::Right, 1, 0, Unit::DegreesF};
  const C bat1{"BAT", ChannelKind::Battery, Engine::Only, 0, 1, Unit::Volts};
  const C bat2{"BAT2", ChannelKind::Battery, Engine::Only, 0, 2, Unit::Volts};
  const C odd{"XYZ", ChannelKind::Other, Engine::Only, 0, 0, Unit::None};
  const C odd2{"ABC", ChannelKind::Other, Engine::Only, 0, 0, Unit::None};
  C e1Titled = e1, e1Celsius = e1;
  e1Titled.name = "EGT 1";
  e1Celsius.unit = Unit::DegreesC;
  const struct {
    const char* name;
    std::vector<C> a, b;
    std::vector<int> match;
  } cases[] = {
      {"the same columns", {e1, e2, ff}, {e1, e2, ff}, {0, 1, 2}},
      {"another order", {e1, e2, ff}, {ff, e2, e1}, {2, 1, 0}},
      {"another title", {e1}, {e1Titled}, {0}},
      {"a channel B lacks", {e1, e2, ff}, {e2}, {-1, 0, -1}},
      {"another unit", {e1}, {e1Celsius}, {-1}},
      {"engines of a twin are not crossed", {left1, right1}, {right1, left1}, {1, 0}},
      {"a single's cylinder is no twin's", {e1}, {left1}, {-1}},
      {"sensors apart", {bat1, bat2}, {bat2, bat1}, {1, 0}},
      {"unknown kinds by title", {odd, odd2}, {odd2, odd}, {1, 0}},
      {"each of B's once", {e1, e1}, {e1}, {0, -1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(frontend::MatchChannels(c.a, c.b), c.match);
  }
}

TEST(FlightCompare, ValueOfBAtTheCursorIsTheNearestRowWithinOneInterval) {
  // A every 6 s from 23:59:48; B the same columns in another order, every 6 s.
  const flight::Flight a = read(handFlight("\"E1\",\"FF\",", {",1300,10", ",1310,11", ",1320,12", ",1330,13"}));
  const flight::Flight b =
      read(handFlight("\"FF\",\"E1\",", {",9,1200", ",8,1250", ",\"NA\",1260", ",7,1270", ",6,1280"}));
  const std::vector<int> match = frontend::MatchChannels(a.channels, b.channels);
  const struct {
    const char* name;
    std::size_t row;
    double offset;
    std::string egtA, egtB, egtDiff, flowB;
  } cases[] = {
      {"rows line up", 1, 0, "1310.0", "1250.0", "60.000", "8.0000"},
      {"B shifted back a row", 1, -6, "1310.0", "1260.0", "50.000", "NA"},
      {"between rows: the nearest", 2, 4, "1320.0", "1250.0", "70.000", "8.0000"},
      {"B starts after the cursor", 0, 12, "1300.0", "NA", "NA", "NA"},
      {"B ended before the cursor", 3, -60, "1330.0", "NA", "NA", "NA"},
      {"just within one interval of B's last row", 3, -12, "1330.0", "1280.0", "50.000", "6.0000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto v = frontend::CompareAt(a, c.row, b, match, frontend::Alignment{c.offset, AlignBy::Takeoff, ""});
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(text(v[0].a), c.egtA);
    EXPECT_EQ(text(v[0].b), c.egtB);
    EXPECT_EQ(text(v[0].difference), c.egtDiff);
    EXPECT_EQ(text(v[1].b), c.flowB);
  }
}

TEST(FlightCompare, RulerGivesChangeRatePerMinuteAndFuelBurnt) {
  // Every 60 s: the fuel flow adds up a row at a time; USD wins where it has both ends.
  const std::string withUsed = handFlight("\"E1\",\"FF\",\"USD\",",
                                          {",1300,12,1.0", ",1330,6,1.2", ",1290,6,\"NA\"", ",1240,12,1.5"}, 60);
  const std::string flowOnly = handFlight("\"E1\",\"FF\",", {",1300,12", ",1330,6", ",1290,\"NA\"", ",1240,12"}, 60);
  const struct {
    const char* name;
    std::string text;
    std::size_t first, last;
    std::string change, perMinute, fuel;
    bool fromUsed;
  } cases[] = {
      {"fuel flow added up", flowOnly, 0, 3, "-60.00", "-20.00", "0.3000", false},
      {"lines in either order", flowOnly, 3, 0, "-60.00", "-20.00", "0.3000", false},
      {"used fuel where it has both ends", withUsed, 0, 3, "-60.00", "-20.00", "0.5000", true},
      {"fuel flow where used fuel has a gap", withUsed, 1, 2, "-40.00", "-40.00", "0.1000", false},
      {"a span of no time", flowOnly, 2, 2, "0.0000", "NA", "0.0000", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const flight::Flight f = read(c.text);
    const frontend::RulerFigures r = frontend::RulerFiguresOf(f, c.first, c.last);
    ASSERT_EQ(r.channels.size(), f.channels.size());
    EXPECT_EQ(text(r.channels[0].change), c.change);
    EXPECT_EQ(text(r.channels[0].perMinute), c.perMinute);
    ASSERT_EQ(r.fuel.size(), 1u);
    EXPECT_EQ(text(r.fuel[0].amount), c.fuel);
    EXPECT_EQ(r.fuel[0].fromUsed, c.fromUsed);
  }
}

}  // namespace
}  // namespace varnix::test
