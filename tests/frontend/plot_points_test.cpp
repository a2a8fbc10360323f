// SPDX-License-Identifier: MIT
#include "frontend/chart/plot_points.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace varnix::flight {
namespace {

constexpr float kNA = std::numeric_limits<float>::quiet_NaN();

struct Column {
  std::vector<double> seconds;
  std::vector<float> values;
};

// One row every 6 seconds, value `f(row)`.
template <typename F>
Column makeColumn(std::size_t rows, F f) {
  Column c;
  for (std::size_t r = 0; r < rows; ++r) {
    c.seconds.push_back(6.0 * static_cast<double>(r));
    c.values.push_back(f(r));
  }
  return c;
}

std::vector<frontend::PlotPoint> plot(const Column& c, std::size_t first, std::size_t last, std::size_t buckets) {
  std::vector<frontend::PlotPoint> out{{-1, -1}};  // replaced, not appended to
  frontend::PlotPoints(c.seconds, c.values, first, last, buckets, out);
  return out;
}

TEST(PlotPoints, FewRowsComeAsTheyAreAndTheRangeIsClamped) {
  const Column c = makeColumn(10, [](std::size_t r) { return static_cast<float>(r * r); });
  const auto points = plot(c, 2, 99, 100);
  ASSERT_EQ(points.size(), 8u);
  EXPECT_EQ(points.front().seconds, 12.0);
  EXPECT_EQ(points.back().value, 81.0);
  EXPECT_TRUE(plot(c, 10, 20, 100).empty());
  EXPECT_TRUE(plot(c, 5, 4, 100).empty());
}

// Many rows: per bucket the lowest and the highest value in row order, so
// that every peak, every dip and every gap of the whole range still shows.
TEST(PlotPoints, ManyRowsKeepEachBucketsExtremesAndGapsInRowOrder) {
  const std::size_t rows = 84500, buckets = 1000;
  Column c = makeColumn(rows, [](std::size_t r) { return 1300.0f + static_cast<float>(r % 7); });
  c.values[40000] = 1650.0f;  // a spike
  c.values[60001] = 900.0f;   // a dip
  for (std::size_t r = 70000; r < 70500; ++r) c.values[r] = kNA;  // the probe gave nothing
  for (std::size_t r = 80000; r < 80300; ++r) c.values[r] = std::numeric_limits<float>::infinity();  // hand-edited
  const auto points = plot(c, 0, rows - 1, buckets);

  ASSERT_LE(points.size(), 3 * buckets);
  ASSERT_GE(points.size(), buckets);
  EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                             [](const frontend::PlotPoint& a, const frontend::PlotPoint& b) { return a.seconds < b.seconds; }));
  auto at = [&](double seconds) {
    return std::find_if(points.begin(), points.end(), [&](const frontend::PlotPoint& p) { return p.seconds == seconds; });
  };
  ASSERT_NE(at(6.0 * 40000), points.end());
  EXPECT_EQ(at(6.0 * 40000)->value, 1650.0);
  ASSERT_NE(at(6.0 * 60001), points.end());
  EXPECT_EQ(at(6.0 * 60001)->value, 900.0);
  const auto gaps = std::count_if(points.begin(), points.end(), [](const frontend::PlotPoint& p) { return std::isnan(p.value); });
  EXPECT_GE(gaps, 5);  // the 500 missing rows span about six buckets
  EXPECT_LE(gaps, 7);
  const auto infinite = std::count_if(points.begin(), points.end(), [](const frontend::PlotPoint& p) { return std::isinf(p.value); });
  EXPECT_GE(infinite, 3);  // the buckets wholly inside them too
  for (const frontend::PlotPoint& p : points)
    if (!std::isnan(p.value) && !std::isinf(p.value) && p.seconds != 6.0 * 40000 && p.seconds != 6.0 * 60001) {
      EXPECT_GE(p.value, 1300.0);
      EXPECT_LE(p.value, 1306.0);
    }
}

}  // namespace
}  // namespace varnix::flight
