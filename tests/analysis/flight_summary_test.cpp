// SPDX-License-Identifier: GPL-3.0-or-later
// The flight summary on flights written by hand, where every figure is known.
#include <gtest/gtest.h>

#include "flight/flight_reader.h"
#include "analysis/flight_summary.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using analysis::FlightSummary;

FlightSummary summaryOf(const std::string& text, flight::Flight* keep = nullptr) {
  flight::FlightRead read = flight::ReadFlightText(text);
  EXPECT_TRUE(read.ok()) << read.problem;
  if (!read.ok()) return {};
  if (keep) *keep = read.value;
  return analysis::SummarizeFlight(read.value);
}

TEST(FlightSummary, FindsTheHottestCylinderSpreadCoolingBatteryAndFuel) {
  // Rows at 0, 6, 12 and 18 s; E2 is hottest at 12 s, C1 has one NA.
  flight::Flight f;
  const FlightSummary s = summaryOf(
      handFlight("\"E1\",\"E2\",\"C1\",\"C2\",\"DIF\",\"CLD\",\"BAT\",\"FF\",\"USD\",\"MARK\",",
                 {",1300,1320,380,390,20,0,13.9,12,0.1,", ",1310,1330,\"NA\",395,20,-12,14.1,12,0.2,",
                  ",1305,1350,385,392,45,-30,14.2,12,0.3,\"S\"", ",1290,1300,370,380,10,-5,12.1,12,\"NA\","}),
      &f);
  ASSERT_NE(s.find(s.hottest, "EGT"), nullptr);
  EXPECT_EQ(s.find(s.hottest, "EGT")->channel, "E2");
  EXPECT_EQ(s.find(s.hottest, "EGT")->value, 1350);
  EXPECT_EQ(s.find(s.hottest, "CHT")->channel, "C2");
  EXPECT_EQ(s.find(s.maxSpread, "DIF")->value, 45);
  EXPECT_EQ(s.find(s.fastestCooling, "CLD")->value, -30);
  EXPECT_EQ(s.find(s.fastestCooling, "CLD")->at, 12);
  EXPECT_FLOAT_EQ(s.find(s.battery, "BAT min")->value, 12.1f);
  EXPECT_FLOAT_EQ(s.find(s.battery, "BAT max")->value, 14.2f);
  ASSERT_EQ(s.fuel.size(), 1u);
  EXPECT_TRUE(s.fuel[0].fromUsd);  // the last USD that is there, not the NA after it
  EXPECT_FLOAT_EQ(static_cast<float>(s.fuel[0].amount), 0.3f);
  EXPECT_EQ(s.recordedSeconds, 18);

  const analysis::ChannelStats& c1 = s.channels[static_cast<std::size_t>(f.channelIndex("C1"))];
  EXPECT_EQ(c1.count, 3u);  // the NA row is skipped
  EXPECT_DOUBLE_EQ(c1.mean, (380 + 385 + 370) / 3.0);
  EXPECT_EQ(c1.max, 385);
  EXPECT_EQ(c1.maxAt, 12);
}

TEST(FlightSummary, TimesEachExtremeAtItsFirstRow) {
  // Rows at 0, 6, 12, 18 and 24 s: each extreme is reached twice, the first time not at the start.
  const FlightSummary s = summaryOf(handFlight("\"E1\",\"CLD\",\"BAT\",\"BAT2\",",
                                               {",1300,0,14.0,28.1", ",1310,-30,12.1,28.0", ",1350,-5,14.2,27.5",
                                                ",1350,-30,12.1,28.4", ",1320,-1,13.9,27.5"}));
  struct Case {
    const std::vector<analysis::Extreme>& list;
    const char* key;
    double value;
    double at;
  };
  const Case cases[] = {
      {s.battery, "BAT min", 12.1, 6},   {s.battery, "BAT max", 14.2, 12}, {s.battery, "BAT2 min", 27.5, 12},
      {s.battery, "BAT2 max", 28.4, 18}, {s.fastestCooling, "CLD", -30, 6}, {s.hottest, "EGT", 1350, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const analysis::Extreme* e = s.find(c.list, c.key);
    ASSERT_NE(e, nullptr);
    EXPECT_FLOAT_EQ(static_cast<float>(e->value), static_cast<float>(c.value));
    EXPECT_EQ(e->at, c.at);
  }
}

TEST(FlightSummary, IntegratesFuelFlowWithoutUsdAndKeepsTwinEnginesApart) {
  // 12 GPH for two intervals of 30 min each, on the left engine; 6 GPH on the right.
  const FlightSummary s = summaryOf(
      handFlight("\"LE1\",\"LC1\",\"LFF\",\"RE1\",\"RC1\",\"RFF\",\"OAT\",",
                 {",1300,380,12,1400,360,6,20", ",1310,390,12,1410,350,6,20", ",1320,385,12,1390,355,6,20"}, 1800));
  EXPECT_EQ(s.find(s.hottest, "LEGT")->channel, "LE1");
  EXPECT_EQ(s.find(s.hottest, "LEGT")->value, 1320);
  EXPECT_EQ(s.find(s.hottest, "REGT")->value, 1410);
  EXPECT_EQ(s.find(s.hottest, "LCHT")->value, 390);
  EXPECT_EQ(s.find(s.hottest, "RCHT")->value, 360);
  EXPECT_EQ(s.find(s.hottest, "EGT"), nullptr);
  ASSERT_EQ(s.fuel.size(), 2u);
  EXPECT_EQ(s.fuel[0].engine, flight::Engine::Left);
  EXPECT_FALSE(s.fuel[0].fromUsd);
  EXPECT_DOUBLE_EQ(s.fuel[0].amount, 12.0);
  EXPECT_DOUBLE_EQ(s.fuel[1].amount, 6.0);
}

}  // namespace
}  // namespace varnix::test
