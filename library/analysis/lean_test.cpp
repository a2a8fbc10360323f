// SPDX-License-Identifier: MIT
#include "analysis/lean_test.h"

#include "analysis/quick_pull.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace varnix::analysis {

namespace {

constexpr double kMinDropGph = 1.0;     // a sweep lowers the flow at least this much
constexpr double kRiseBackGph = 0.3;    // flow rising more than this above its lowest ends the sweep
constexpr double kStartBandGph = 0.15;  // the sweep starts where the flow leaves its top by more
constexpr double kPauseSeconds = 30;    // the flow not falling for longer ends the sweep
constexpr double kRpmHold = 100;        // RPM within this of the sweep's start
constexpr double kMapHold = 1.0;        // in Hg
constexpr double kMapDrift = 0.4;       // in Hg from the fall's start to its end: not a climb or descent
constexpr double kRiseF = 20;           // an EGT taking part rises this much
constexpr double kPastPeakF = 10;       // and falls this much past its peak
constexpr double kFitBandF = 15;        // rows this close to the highest EGT place the peak
constexpr double kMaxStepGph = 0.5;     // flow falling more per row leaves the peak unplaced
constexpr int kMinFitRows = 3;
constexpr int kMinFlowRows = 5;         // the flow's straight line spans at least this many rows

std::string numberText(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// One gallon per hour in the flow's unit (avgas at 6 lb and 2.72 kg a gallon).
double perGph(flight::Unit unit) {
  switch (unit) {
    case flight::Unit::LitresPerHour: return 3.785;
    case flight::Unit::PoundsPerHour: return 6.0;
    case flight::Unit::KilogramsPerHour: return 2.72;
    default: return 1.0;
  }
}

struct EngineChannels {
  flight::Engine engine = flight::Engine::Only;
  int flow = -1, rpm = -1, map = -1;
  std::vector<int> egts;
};

// Each engine with a fuel flow, RPM and EGTs.
std::vector<EngineChannels> enginesOf(const flight::Flight& flight) {
  std::vector<EngineChannels> engines;
  for (flight::Engine e : {flight::Engine::Only, flight::Engine::Left, flight::Engine::Right}) {
    EngineChannels c;
    c.engine = e;
    c.flow = flight::FindChannel(flight.channels, flight::ChannelKind::FuelFlow, e);
    c.rpm = flight::FindChannel(flight.channels, flight::ChannelKind::Rpm, e);
    c.map = flight::FindChannel(flight.channels, flight::ChannelKind::Map, e);
    for (std::size_t i = 0; i < flight.channels.size(); ++i) {
      const flight::Channel& ch = flight.channels[i];
      if (ch.kind == flight::ChannelKind::Egt && ch.engine == e && ch.cylinder > 0) c.egts.push_back(static_cast<int>(i));
    }
    if (c.flow >= 0 && c.rpm >= 0 && c.egts.size() >= 2) engines.push_back(std::move(c));
  }
  return engines;
}

// Least-squares fits over rows [a, b] of one column against time, the time
// taken from `t0` so the sums stay well conditioned.
struct LineFit {
  bool ok = false;
  double slope = 0, at0 = 0;  // value = at0 + slope * (t - t0)
};
LineFit fitLine(const flight::Flight& flight, std::span<const float> v, std::size_t a, std::size_t b, double t0) {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (std::size_t r = a; r <= b; ++r) {
    if (!std::isfinite(v[r])) continue;
    const double x = flight.seconds[r] - t0, y = v[r];
    n += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
  }
  const double d = n * sxx - sx * sx;
  if (n < 2 || d <= 0) return {};
  LineFit f;
  f.ok = true;
  f.slope = (n * sxy - sx * sy) / d;
  f.at0 = (sy - f.slope * sx) / n;
  return f;
}

// The vertex of the parabola through rows [a, b] against time; false when
// the rows make no peak (not concave, or the vertex outside them).
bool fitPeak(const flight::Flight& flight, std::span<const float> v, std::size_t a, std::size_t b, double t0,
             double* vertex) {
  double s[5] = {}, sy[3] = {};
  for (std::size_t r = a; r <= b; ++r) {
    if (!std::isfinite(v[r])) continue;
    const double x = flight.seconds[r] - t0, y = v[r];
    double p = 1;
    for (int k = 0; k < 5; ++k) {
      s[k] += p;
      if (k < 3) sy[k] += p * y;
      p *= x;
    }
  }
  if (s[0] < kMinFitRows) return false;
  // Normal equations for y = c0 + c1 x + c2 x², solved by Cramer's rule.
  const double m[3][3] = {{s[0], s[1], s[2]}, {s[1], s[2], s[3]}, {s[2], s[3], s[4]}};
  auto det = [](const double q[3][3]) {
    return q[0][0] * (q[1][1] * q[2][2] - q[1][2] * q[2][1]) - q[0][1] * (q[1][0] * q[2][2] - q[1][2] * q[2][0]) +
           q[0][2] * (q[1][0] * q[2][1] - q[1][1] * q[2][0]);
  };
  const double d = det(m);
  if (std::fabs(d) < 1e-12) return false;
  double m1[3][3], m2[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) m1[i][j] = m2[i][j] = m[i][j];
  for (int i = 0; i < 3; ++i) m1[i][1] = sy[i], m2[i][2] = sy[i];
  const double c1 = det(m1) / d, c2 = det(m2) / d;
  if (!(c2 < 0)) return false;
  const double x = -c1 / (2 * c2);
  if (x < flight.seconds[a] - t0 || x > flight.seconds[b] - t0) return false;
  *vertex = x + t0;
  return true;
}

enum class Placing { Placed, NoPeak, TooCoarse, NoValues };

// One cylinder's peak within the sweep [s, e].
Placing placePeak(const flight::Flight& flight, std::span<const float> egt, std::span<const float> flow, std::size_t s,
                  std::size_t e, double pastPeak, double fitBand, double maxStep, LeanPeak* peak) {
  std::size_t top = s;
  bool any = false;
  for (std::size_t r = s; r <= e; ++r)
    if (std::isfinite(egt[r]) && (!any || egt[r] > egt[top])) top = r, any = true;
  if (!any) return Placing::NoValues;
  peak->peak = egt[top];
  bool before = false, after = false;
  for (std::size_t r = s; r <= e; ++r) {
    if (!std::isfinite(egt[r]) || egt[r] > egt[top] - pastPeak) continue;
    (r < top ? before : after) = true;
  }
  if (!before || !after) return Placing::NoPeak;
  // The rows around the highest value within the band, one each side at least.
  std::size_t a = top > s ? top - 1 : s, b = top < e ? top + 1 : e;
  auto inBand = [&](std::size_t r) { return std::isfinite(egt[r]) && egt[r] >= egt[top] - fitBand; };
  while (a > s && inBand(a - 1)) --a;
  while (b < e && inBand(b + 1)) ++b;
  // The same time on both sides of the highest value: the two sides of a
  // peak seldom fall alike, and the wider side of a band would pull the
  // parabola's vertex its way.
  const double* t = flight.seconds.data();
  const double step = (t[e] - t[s]) / static_cast<double>(std::max<std::size_t>(e - s, 1));
  const double half = std::max(std::min(t[top] - t[a], t[b] - t[top]), step * (kMinFitRows / 2));
  while (a < top && t[top] - t[a] > half + 1e-9) ++a;
  while (b > top && t[b] - t[top] > half + 1e-9) --b;
  while (a > s && t[top] - t[a - 1] <= half + 1e-9) --a;
  while (b < e && t[b + 1] - t[top] <= half + 1e-9) ++b;
  if (b - a + 1 < static_cast<std::size_t>(kMinFitRows)) return Placing::TooCoarse;
  if (std::isfinite(flow[a]) && std::isfinite(flow[b]) && std::fabs(flow[a] - flow[b]) / static_cast<double>(b - a) > maxStep)
    return Placing::TooCoarse;
  const double t0 = flight.seconds[top];
  double at = 0;
  if (!fitPeak(flight, egt, a, b, t0, &at)) {
    // A flat top (whole degrees, fine rows): the middle of the rows at the highest value.
    double sum = 0;
    int n = 0;
    for (std::size_t r = a; r <= b; ++r)
      if (egt[r] == egt[top]) sum += flight.seconds[r], ++n;
    at = sum / n;
  }
  // The flow's straight line through the same rows, widened so that its
  // recorded steps (a tenth) even out.
  std::size_t fa = a, fb = b;
  while (fb - fa + 1 < static_cast<std::size_t>(kMinFlowRows) && (fa > s || fb < e)) {
    if (fa > s) --fa;
    if (fb < e && fb - fa + 1 < static_cast<std::size_t>(kMinFlowRows)) ++fb;
  }
  const LineFit line = fitLine(flight, flow, fa, fb, t0);
  if (!line.ok) return Placing::TooCoarse;
  peak->placed = true;
  peak->at_s = at;
  peak->fuel_flow = line.at0 + line.slope * (at - t0);
  return Placing::Placed;
}

void sweepsIn(const flight::Flight& flight, const Limits& limits, const EngineChannels& eng, std::size_t from,
              std::size_t to, std::vector<LeanTest>* found) {
  const flight::Unit flowUnit = flight.channels[eng.flow].unit;
  const double g = perGph(flowUnit);
  const flight::Unit tempUnit = flight.channels[eng.egts.front()].unit;
  const double rise = FahrenheitSpanToUnit(kRiseF, tempUnit), past = FahrenheitSpanToUnit(kPastPeakF, tempUnit),
               band = FahrenheitSpanToUnit(kFitBandF, tempUnit);
  const auto flow = flight.column(eng.flow), rpm = flight.column(eng.rpm);
  const std::span<const float> map = eng.map >= 0 ? flight.column(eng.map) : std::span<const float>();
  auto valid = [&](std::size_t r) {
    return std::isfinite(flow[r]) && std::isfinite(rpm[r]) && (map.empty() || std::isfinite(map[r]));
  };

  std::size_t i = from;
  while (i < to) {
    if (!valid(i)) {
      ++i;
      continue;
    }
    const std::size_t s0 = i;
    float lowest = flow[s0], top = flow[s0];
    std::size_t lowRow = s0, j = s0 + 1;
    for (; j <= to; ++j) {
      if (!valid(j) || std::fabs(rpm[j] - rpm[s0]) > kRpmHold || (!map.empty() && std::fabs(map[j] - map[s0]) > kMapHold))
        break;
      if (flow[j] > lowest + kRiseBackGph * g) break;
      if (flow[j] < lowest) {
        lowest = flow[j], lowRow = j;
      } else if (flight.seconds[j] - flight.seconds[lowRow] > kPauseSeconds) {
        break;
      }
      top = std::max(top, flow[j]);
    }
    if (top - lowest < kMinDropGph * g) {
      i = s0 + 1;
      continue;
    }
    const std::size_t e = j - 1;
    // The steady flow before the hand moved is no part of the sweep.
    std::size_t s = s0;
    for (std::size_t r = s0; r <= lowRow; ++r)
      if (flow[r] >= top - kStartBandGph * g) s = r;
    i = j;
    // The fall ends where the flow first reaches its lowest; the lean rows
    // after it still show the last cylinders falling past their peaks.
    std::size_t end = lowRow;
    for (std::size_t r = lowRow; r > s; --r)
      if (flow[r - 1] <= lowest + kStartBandGph * g) end = r - 1;
    // MAP still settling from a throttle change as the hand went to the
    // mixture: the sweep starts where it has settled (a climb's or descent's
    // MAP never settles, and leaves too little of a fall).
    while (!map.empty() && s < end && std::fabs(map[end] - map[s]) > kMapDrift) ++s;
    if (s >= end || flow[s] - lowest < kMinDropGph * g) continue;

    int rising = 0, taking = 0;
    for (int c : eng.egts) {
      const auto egt = flight.column(c);
      float first = NAN, high = NAN;
      for (std::size_t r = s; r <= e; ++r) {
        if (!std::isfinite(egt[r])) continue;
        if (!std::isfinite(first)) first = egt[r];
        if (!std::isfinite(high) || egt[r] > high) high = egt[r];
      }
      if (!std::isfinite(first)) continue;
      ++taking;
      if (high - first >= rise) ++rising;
    }
    if (taking < 2 || rising * 2 <= taking) continue;

    LeanTest test;
    test.start_s = flight.seconds[s];
    test.end_s = flight.seconds[end];
    test.rows = static_cast<int>(end - s + 1);
    test.spread_unit = flowUnit;
    bool coarse = false, missing = false, anyPast = false;
    std::vector<LeanPeak> unplaced;
    for (int c : eng.egts) {
      const auto egt = flight.column(c);
      LeanPeak p;
      p.channel = flight.channels[c].name;
      const Placing placing = placePeak(flight, egt, flow, s, e, past, band, kMaxStepGph * g, &p);
      if (placing == Placing::NoValues) continue;
      if (placing == Placing::TooCoarse) coarse = true;
      if (placing == Placing::NoPeak) missing = true;
      else anyPast = true;
      (p.placed ? test.peaks : unplaced).push_back(std::move(p));
    }
    // With no cylinder past its peak this was leaning to a figure rich of
    // peak, no lean test, unless the flow fell too fast for the rows to show
    // the peaks (a quick pull).
    float fastest = 0;
    for (std::size_t r = s + 1; r <= end; ++r) fastest = std::max(fastest, flow[r - 1] - flow[r]);
    const bool quick = fastest > kMaxStepGph * g;
    if (!anyPast) {
      if (!quick) continue;
      coarse = true;
    }
    std::stable_sort(test.peaks.begin(), test.peaks.end(),
                     [](const LeanPeak& x, const LeanPeak& y) { return x.at_s < y.at_s; });
    for (LeanPeak& p : unplaced) test.peaks.push_back(std::move(p));
    // A flow falling faster than the rows can follow explains a peak not seen as well as one not placed.
    if ((coarse || missing) && quick) {
      test.verdict = LeanVerdict::TooCoarse;
      test.why = "too quick for a spread";
      for (const QuickPull& pull : FindQuickPulls(flight, eng.engine, s, std::min(e + 1, to)))
        if (pull.start_s <= test.end_s && pull.end_s >= test.start_s) test.seen = pull.seen;
      if (test.seen.empty())
        test.seen = "the fuel flow fell from " + numberText(flow[s] / g, 1) + " to " + numberText(lowest / g, 1) + " GPH in " +
                    numberText(test.end_s - test.start_s, 0) + " s, up to " + numberText(fastest / g, 1) + " GPH a row";
    } else if (coarse) {
      test.verdict = LeanVerdict::TooCoarse;
      test.why = "too few rows to place the peaks";
    } else if (missing || test.peaks.size() < 2) {
      test.verdict = LeanVerdict::Incomplete;
      test.why = "a cylinder did not pass its peak";
    } else {
      const LeanPeak& first = test.peaks.front();
      const LeanPeak& last = test.peaks.back();
      test.judged = true;
      test.first = first.channel;
      test.last = last.channel;
      test.spread = first.fuel_flow - last.fuel_flow;
      const double gph = test.spread / g;
      test.verdict = JudgeLeanSpread(gph, limits);
    }
    found->push_back(std::move(test));
  }
}

}  // namespace

LeanVerdict JudgeLeanSpread(double gph, const Limits& limits) {
  return gph <= limits.leanGoodSpread ? LeanVerdict::Good : gph <= limits.leanFairSpread ? LeanVerdict::Fair : LeanVerdict::Poor;
}

LastLean LastLeanOf(const std::vector<LeanTest>& tests) {
  LastLean last;
  if (tests.empty()) return last;
  const auto newest = std::max_element(tests.begin(), tests.end(),
                                       [](const LeanTest& a, const LeanTest& b) { return a.end_s < b.end_s; });
  last.verdict = LeanVerdictName(newest->verdict);
  if (newest->judged) last.spreadGph = newest->spread / perGph(newest->spread_unit);
  return last;
}

std::string LastLeanVerdict(const LastLean& last, const Limits& limits) {
  if (std::isnan(last.spreadGph)) return last.verdict;
  return std::string(LeanVerdictName(JudgeLeanSpread(last.spreadGph, limits)));
}

std::string_view LeanVerdictName(LeanVerdict verdict) {
  switch (verdict) {
    case LeanVerdict::Good: return "good";
    case LeanVerdict::Fair: return "fair";
    case LeanVerdict::Poor: return "poor";
    case LeanVerdict::Incomplete: return "incomplete";
    case LeanVerdict::TooCoarse: return "too_coarse";
  }
  return "incomplete";
}

std::vector<LeanTest> FindLeanTests(const flight::Flight& flight, const Limits& limits, std::span<const PhaseSpan> within) {
  std::vector<LeanTest> found;
  if (flight.rows() < 2) return found;
  for (const EngineChannels& eng : enginesOf(flight)) {
    if (within.empty()) {
      sweepsIn(flight, limits, eng, 0, flight.rows() - 1, &found);
      continue;
    }
    for (const PhaseSpan& span : within) {
      std::size_t a = 0, b = 0;
      if (RowsWithin(flight, span.start, span.end, &a, &b)) sweepsIn(flight, limits, eng, a, b, &found);
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const LeanTest& x, const LeanTest& y) { return x.start_s < y.start_s; });
  return found;
}

std::vector<LeanTest> FindLeanTests(const flight::Flight& flight, const Limits& limits) {
  const std::vector<PhaseSpan> cruise = FindPhaseSpans(flight).of(Phase::Cruise);
  return FindLeanTests(flight, limits, cruise);
}

ResultSections LeanTestSections(const flight::Flight& f, const std::vector<LeanTest>& tests) {
  const std::string degrees(flight::UnitText(EngineUnit(f.facts)));
  ResultSection s;
  s.title = "Lean test";
  std::string flowUnit;
  for (const LeanTest& t : tests) {
    flowUnit = std::string(flight::UnitText(t.spread_unit));
    const Tone tone = t.verdict == LeanVerdict::Good ? Tone::Good : t.verdict == LeanVerdict::Poor ? Tone::Warning : Tone::Caution;
    ResultLine line{ResultCell::Text("Sweep at "), ResultCell::Time(t.start_s),
                    ResultCell::Text(" (" + std::to_string(t.rows) + " rows): "),
                    ResultCell::Text(NameWords(LeanVerdictName(t.verdict), true), true).toned(tone)};
    if (t.judged) {
      line.push_back(ResultCell::Text(", the peaks "));
      line.push_back(ResultCell::Value(t.spread, 2, flowUnit));
      line.push_back(ResultCell::Text(" apart, " + t.first + " first and " + t.last + " last"));
    } else {
      line.push_back(ResultCell::Text(": " + t.why + (t.seen.empty() ? "" : " (" + t.seen + ")")));
    }
    s.lines.push_back(std::move(line));
    for (const LeanPeak& p : t.peaks)
      s.rows.push_back({{ResultCell::Time(t.start_s), ResultCell::Text(p.channel), ResultCell::Value(p.peak, 0, degrees),
                         p.placed ? ResultCell::Value(p.fuel_flow, 2, flowUnit) : ResultCell::Text("no peak"),
                         p.placed ? ResultCell::Time(p.at_s) : ResultCell::Text("")},
                        t.start_s, t.end_s, p.placed ? p.at_s : t.start_s});
  }
  if (tests.empty())
    s.lines.push_back({ResultCell::Text("No leaning sweep in this flight.")});
  else
    s.chart = ResultChart::LeanSweep;
  s.columns = {{"Sweep", ""}, {"Cylinder", ""}, {"Peak EGT", degrees}, {"Fuel flow at peak", flowUnit}, {"Peak at", ""}};
  return {s};
}

Json LeanTestsJson(const std::vector<LeanTest>& tests) {
  Json list = Json::array();
  for (const LeanTest& t : tests) {
    Json peaks = Json::array();
    for (const LeanPeak& p : t.peaks)
      peaks.push_back(Json::object({{"channel", JsonText(p.channel)},
                                    {"peak", JsonValue(p.peak)},
                                    {"fuel_flow", p.placed ? JsonValue(p.fuel_flow) : Json(nullptr)},
                                    {"at_s", p.placed ? JsonValue(p.at_s) : Json(nullptr)}}));
    list.push_back(Json::object({{"start_s", JsonValue(t.start_s)},
                                 {"end_s", JsonValue(t.end_s)},
                                 {"verdict", LeanVerdictName(t.verdict)},
                                 {"spread", t.judged ? JsonValue(t.spread) : Json(nullptr)},
                                 {"spread_unit", JsonText(flight::UnitText(t.spread_unit))},
                                 {"first", t.judged ? JsonTextOrNull(t.first) : Json(nullptr)},
                                 {"last", t.judged ? JsonTextOrNull(t.last) : Json(nullptr)},
                                 {"rows", t.rows},
                                 {"peaks", std::move(peaks)},
                                 {"why", JsonTextOrNull(t.why)},
                                 {"seen", JsonTextOrNull(t.seen)}}));
  }
  return list;
}

}  // namespace varnix::analysis
