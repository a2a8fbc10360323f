// SPDX-License-Identifier: MIT
#include "frontend/chart/value_extremes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace varnix::flight {
namespace {

constexpr float kNA = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr std::size_t B = frontend::ValueExtremes::kBlock;

// Every span is checked against a plain scan of its rows.
std::optional<std::pair<float, float>> scan(const std::vector<float>& v, std::size_t first, std::size_t last) {
  std::optional<std::pair<float, float>> out;
  for (std::size_t r = first; r <= last && r < v.size(); ++r) {
    if (std::isnan(v[r])) continue;
    if (!out) out = std::make_pair(v[r], v[r]);
    out->first = std::min(out->first, v[r]);
    out->second = std::max(out->second, v[r]);
  }
  return out;
}

// A climb, a cruise that wanders by a few degrees, a descent, with gaps.
std::vector<float> flightLike(std::size_t rows) {
  std::vector<float> v(rows);
  for (std::size_t r = 0; r < rows; ++r) {
    const float t = static_cast<float>(r);
    v[r] = r < 300 ? 900 + t : r < 2000 ? 1200 + 4 * std::sin(t / 7) : 1200 - (t - 2000) / 2;
    if (r % 257 == 3 || (r >= 640 && r < 640 + B)) v[r] = kNA;  // a whole block of gaps too
  }
  v[1500] = 1300;  // a spike in cruise
  return v;
}

TEST(ValueExtremes, SpansAgreeWithAPlainScanOfTheirRows) {
  struct Case {
    const char* what;
    std::vector<float> values;
    std::size_t first, last;
  };
  const std::vector<float> f = flightLike(2600);
  const std::vector<Case> cases = {
      {"the whole flight", f, 0, f.size() - 1},
      {"cruise only: the climb stays out", f, 400, 1400},
      {"cruise with its spike", f, 400, 1600},
      {"one row", f, 1500, 1500},
      {"within one block", f, B + 3, B + 9},
      {"exactly one block", f, 2 * B, 3 * B - 1},
      {"from one block's last row to the next's first", f, 3 * B - 1, 3 * B},
      {"a block of gaps and its edges", f, 640 - 1, 640 + B},
      {"past the end: clamped", f, 2500, 99999},
      {"first beyond the end", f, 2600, 2700},
      {"last before first", f, 10, 5},
      {"gaps only", std::vector<float>(3 * B, kNA), 0, 3 * B - 1},
      {"+inf only", std::vector<float>(2 * B + 5, kInf), 0, 2 * B + 4},
      {"-inf and a value", {-kInf, 3.0f, kNA}, 0, 2},
      {"empty column", {}, 0, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const frontend::ValueExtremes extremes(c.values);
    const auto got = extremes.of(c.first, c.last);
    const auto want = scan(c.values, c.first, c.last);
    ASSERT_EQ(got.has_value(), want.has_value());
    if (want) {
      EXPECT_EQ(got->first, want->first);
      EXPECT_EQ(got->second, want->second);
    }
  }
}

}  // namespace
}  // namespace varnix::flight
