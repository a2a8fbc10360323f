// SPDX-License-Identifier: MIT
#include "frontend/chart/axis_span.h"

#include <gtest/gtest.h>

#include <cmath>

namespace varnix::frontend {
namespace {

using flight::ChannelKind;
using flight::Unit;

// A steady reading spreads over at least its kind's span, centred where it
// reads; a reading that moves keeps its own span and margin.
TEST(AxisSpan, SteadyReadingsDrawAsSteadyLines) {
  const struct {
    const char* what;
    ChannelKind kind;
    Unit unit;
    double low, high;
    double lower, upper;  // the axis expected
  } cases[] = {
      {"RPM in cruise", ChannelKind::Rpm, Unit::Rpm, 2396, 2404, 2400 - 25 * 1.12, 2400 + 25 * 1.12},
      {"fuel flow", ChannelKind::FuelFlow, Unit::GallonsPerHour, 12.1, 12.3, 12.2 - 0.25 * 1.12, 12.2 + 0.25 * 1.12},
      {"DIF", ChannelKind::Dif, Unit::DegreesF, 44, 48, 46 - 10 * 1.12, 46 + 10 * 1.12},
      {"a head in cruise", ChannelKind::Cht, Unit::DegreesF, 371, 373, 372 - 5 * 1.12, 372 + 5 * 1.12},
      {"the bus", ChannelKind::Battery, Unit::Volts, 28.1, 28.3, 28.2 - 0.5 * 1.12, 28.2 + 0.5 * 1.12},
      {"a climb's heads", ChannelKind::Cht, Unit::DegreesF, 300, 400, 300 - 6, 400 + 6},
      {"a lone value of no unit", ChannelKind::Other, Unit::None, 7, 7, 6, 8},
  };
  for (const auto& c : cases) {
    const auto [lower, upper] = AxisRange(c.low, c.high, MinimumAxisSpan(c.kind, c.unit));
    EXPECT_NEAR(lower, c.lower, 1e-9) << c.what;
    EXPECT_NEAR(upper, c.upper, 1e-9) << c.what;
  }
  const auto [lower, upper] = AxisRange(NAN, 5, 10);
  EXPECT_TRUE(std::isnan(lower)) << "no values: nothing made up";
  EXPECT_EQ(upper, 5);
}

}  // namespace
}  // namespace varnix::frontend
