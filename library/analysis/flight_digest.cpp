// SPDX-License-Identifier: MIT
// The digest: a flight boiled down, without any limit, to what the findings
// judge (the checked channels' extremes per minute, the steady cruise and each
// cylinder's place in it, the ground and shutdown times, the faulty sensors).
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>

#include "analysis/finding_parts.h"
#include "analysis/findings.h"
#include "analysis/cylinder_groups.h"
#include "analysis/cylinder_hints.h"
#include "analysis/flight_phases.h"
#include "analysis/sensor_faults.h"
#include "analysis/valve_screen.h"
#include "flight/channels.h"

namespace varnix::analysis {

namespace {

using detail::available;
using detail::checked;
using detail::context;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr double kSteadyWindow = 120;  // seconds of steady RPM and MAP that make a cruise
constexpr double kSteadyRpm = 50;      // RPM may wander this much in a steady window
constexpr double kSteadyMap = 1.0;     // in Hg
constexpr double kCruiseRpmShare = 0.6;  // of the flight's highest RPM: idle and taxi are steady too
constexpr double kSlopeSeconds = 60;   // the CHT slope is taken over a minute
// Oil is not judged in the first ten minutes after the start, nor on the
// ground before the first takeoff when the phases are known: cold oil then
// is the warm-up, not a finding.
constexpr double kWarmupSeconds = 600;
// A jump: a row-to-row step this large beyond the step the median of the
// engine's other cylinders took, at rows of 6 s or less (scaled with longer
// rows). What every cylinder does together (the start, takeoff power, a
// mixture or throttle change, a mag check) cancels out: that is the engine.
constexpr double kEgtStepF = kJumpEgtF;
constexpr double kChtStepF = kJumpChtF;
constexpr double kJumpRowSeconds = 6;

// Minutes of a flight's span beyond its rows' count that get a bucket of
// their own: a day. A damaged file may claim a span of years in a few rows;
// its envelopes follow the rows, and the rows past the last bucket share it.
constexpr std::size_t kSpareBuckets = 1440;

std::size_t bucketCount(const flight::Flight& flight) {
  const double span = flight.rows() ? flight.seconds.back() : 0;
  const double minutes = span / FlightDigest::kBucketSeconds + 1;
  const double most = static_cast<double>(flight.rows() + kSpareBuckets);
  return static_cast<std::size_t>(std::min(minutes, most));
}

// An envelope over per-row values.
class EnvelopeBuilder {
 public:
  // `scratch` holds the values for the median: one buffer for every channel
  // of a flight spares the allocation (and the fresh pages) of each.
  EnvelopeBuilder(std::string channel, std::size_t buckets, std::vector<float>* scratch = nullptr)
      : values_(scratch ? *scratch : own_) {
    values_.clear();
    env_.channel = std::move(channel);
    env_.min.assign(buckets, kNaN);
    env_.max.assign(buckets, kNaN);
    env_.minAt.assign(buckets, 0);
    env_.maxAt.assign(buckets, 0);
  }
  // The bucket of a row at `seconds`, found once per row for all channels.
  static std::size_t bucketOf(double seconds, std::size_t buckets) {
    const double minute = seconds / FlightDigest::kBucketSeconds;
    const std::size_t last = buckets - 1;
    return minute < static_cast<double>(last) ? static_cast<std::size_t>(minute) : last;
  }
  void add(double seconds, float v) {
    if (available(v)) add(bucketOf(seconds, env_.min.size()), seconds, v);
  }
  void add(std::size_t b, double seconds, float v) {
    if (!available(v)) return;
    if (!available(env_.min[b]) || v < env_.min[b]) {
      env_.min[b] = v;
      env_.minAt[b] = static_cast<float>(seconds);
    }
    if (!available(env_.max[b]) || v > env_.max[b]) {
      env_.max[b] = v;
      env_.maxAt[b] = static_cast<float>(seconds);
    }
    values_.push_back(v);
  }
  // A whole column, as add() row by row would take it: the extremes of a run
  // of rows in one bucket are found first and then set as one.
  template <class Seconds>
  void addColumn(std::span<const float> column, const Seconds& seconds, const std::vector<std::size_t>& bucketOfRow) {
    const std::size_t n = column.size();
    std::size_t used = values_.size();
    values_.resize(used + n);
    for (std::size_t r = 0; r < n;) {
      const std::size_t b = bucketOfRow[r];
      float lo = kNaN, hi = kNaN;
      std::size_t loAt = 0, hiAt = 0;
      for (; r < n && bucketOfRow[r] == b; ++r) {
        const float v = column[r];
        if (!available(v)) continue;
        if (!available(lo) || v < lo) {
          lo = v;
          loAt = r;
        }
        if (!available(hi) || v > hi) {
          hi = v;
          hiAt = r;
        }
        values_[used++] = v;
      }
      if (!available(lo)) continue;
      if (!available(env_.min[b]) || lo < env_.min[b]) {
        env_.min[b] = lo;
        env_.minAt[b] = static_cast<float>(seconds[loAt]);
      }
      if (!available(env_.max[b]) || hi > env_.max[b]) {
        env_.max[b] = hi;
        env_.maxAt[b] = static_cast<float>(seconds[hiAt]);
      }
    }
    values_.resize(used);
  }
  void setKind(flight::ChannelKind kind, flight::Engine engine, int cylinder = 0) {
    env_.kind = kind;
    env_.engine = engine;
    env_.cylinder = cylinder;
  }
  Envelope take(bool derived) {
    env_.derived = derived;
    if (!values_.empty()) {
      auto mid = values_.begin() + static_cast<std::ptrdiff_t>(values_.size() / 2);
      std::nth_element(values_.begin(), mid, values_.end());
      env_.median = *mid;
    }
    return std::move(env_);
  }
  bool empty() const { return values_.empty(); }

 private:
  Envelope env_;
  std::vector<float> own_;
  std::vector<float>& values_;
};

// The fastest cooling of an engine's heads, from the CHT slope over a minute.
void addDerivedCooling(const flight::Flight& flight, flight::Engine engine, FlightDigest& digest) {
  std::vector<std::size_t> chts;
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const flight::Channel& k = flight.channels[c];
    if (k.kind == flight::ChannelKind::Cht && k.engine == engine) chts.push_back(c);
  }
  if (chts.empty()) return;
  EnvelopeBuilder b(std::string(flight::EnginePrefix(engine)) + "CLD", bucketCount(flight));
  b.setKind(flight::ChannelKind::Cld, engine);
  // The row a minute back follows the rows when the times only grow (as
  // they do but in damaged files): no search for each row.
  const bool ordered = std::is_sorted(flight.seconds.begin(), flight.seconds.end());
  std::size_t back = 0;
  for (std::size_t r = 1; r < flight.rows(); ++r) {
    const double t = flight.seconds[r];
    if (t < kSlopeSeconds) continue;
    if (ordered)
      while (back + 1 < flight.rows() && flight.seconds[back + 1] <= t - kSlopeSeconds) ++back;
    const std::size_t r0 = ordered ? back : flight.rowAt(t - kSlopeSeconds);
    const double minutes = (t - flight.seconds[r0]) / 60.0;
    if (minutes < 0.5) continue;
    float fastest = kNaN;
    for (std::size_t c : chts) {
      const float a = flight.columns[c][r0], z = flight.columns[c][r];
      if (!available(a) || !available(z)) continue;
      const auto rate = static_cast<float>((z - a) / minutes);
      if (!available(fastest) || rate < fastest) fastest = rate;
    }
    b.add(t, fastest);
  }
  if (!b.empty()) digest.envelopes.push_back(b.take(true));
}

// Rows of the steady cruise: RPM and MAP steady for two minutes at cruise
// power. Without either channel, the middle third of the flight.
std::vector<unsigned char> cruiseRows(const flight::Flight& flight, flight::Engine engine, bool& steady) {
  int rpm = flight::FindChannel(flight.channels, flight::ChannelKind::Rpm, engine);
  if (rpm < 0) rpm = flight::FindChannel(flight.channels, flight::ChannelKind::Rpm);
  int map = flight::FindChannel(flight.channels, flight::ChannelKind::Map, engine);
  if (map < 0) map = flight::FindChannel(flight.channels, flight::ChannelKind::Map);
  const std::size_t n = flight.rows();
  std::vector<unsigned char> cruise(n, 0);  // 1 for a cruise row: bytes, read row by row in the passes below
  steady = rpm >= 0 || map >= 0;
  if (!steady) {
    for (std::size_t r = n / 3; r < 2 * n / 3; ++r) cruise[r] = 1;
    return cruise;
  }
  float rpmTop = 0;
  if (rpm >= 0)
    for (float v : flight.columns[static_cast<std::size_t>(rpm)])
      if (available(v)) rpmTop = std::max(rpmTop, v);
  // The window's lowest and highest values come from monotonic queues and
  // its unavailable values from the last one seen: one pass over the rows.
  // A queue of rows: pushed and popped at the back, popped at the front.
  struct Queue {
    std::vector<std::size_t> rows;
    std::size_t head = 0;
    bool empty() const { return head == rows.size(); }
    std::size_t front() const { return rows[head]; }
    std::size_t back() const { return rows.back(); }
    void pop_front() { ++head; }
    void pop_back() { rows.pop_back(); }
    void push_back(std::size_t r) {
      if (empty()) {
        rows.clear();
        head = 0;
      }
      rows.push_back(r);
    }
  };
  struct Window {
    int column;
    Queue lows, highs;         // rows whose values may yet be the window's least or most
    std::size_t lastGap = 0;   // one past the last row without a value; 0 for none
  };
  Window windows[2] = {{rpm, {}, {}, 0}, {map, {}, {}, 0}};
  std::size_t first = 0;   // the window's first row
  std::size_t marked = 0;  // rows before this are marked already
  for (std::size_t r = 0; r < n; ++r) {
    while (flight.seconds[r] - flight.seconds[first] > kSteadyWindow) ++first;
    for (Window& w : windows) {
      if (w.column < 0) continue;
      const std::span<const float> column = flight.columns[static_cast<std::size_t>(w.column)];
      const float v = column[r];
      if (!available(v)) {
        w.lastGap = r + 1;
        continue;
      }
      while (!w.lows.empty() && column[w.lows.back()] >= v) w.lows.pop_back();
      w.lows.push_back(r);
      while (!w.highs.empty() && column[w.highs.back()] <= v) w.highs.pop_back();
      w.highs.push_back(r);
    }
    if (flight.seconds[r] - flight.seconds[first] < kSteadyWindow * 0.9) continue;
    bool ok = true;
    for (Window& w : windows) {
      if (w.column < 0) continue;
      if (w.lastGap > first) {
        ok = false;
        break;
      }
      while (w.lows.front() < first) w.lows.pop_front();
      while (w.highs.front() < first) w.highs.pop_front();
      const std::span<const float> column = flight.columns[static_cast<std::size_t>(w.column)];
      const float lo = column[w.lows.front()], hi = column[w.highs.front()];
      if (w.column == rpm && (hi - lo > kSteadyRpm || lo < kCruiseRpmShare * rpmTop)) ok = false;
      if (w.column == map && hi - lo > kSteadyMap) ok = false;
      if (!ok) break;
    }
    if (ok) {
      for (std::size_t i = std::max(first, marked); i <= r; ++i) cruise[i] = 1;
      marked = r + 1;
    }
  }
  return cruise;
}

// One channel's sums over the cruise and the first minutes after the start, and its jumps.
struct ChannelSums {
  std::size_t column = 0;
  double step = 0;  // a row-to-row change this large is a jump
  double cruise = 0, early = 0;
  std::size_t cruiseRows = 0, earlyRows = 0;
  std::uint32_t jumps = 0;
  float cruiseMean() const { return cruiseRows ? static_cast<float>(cruise / static_cast<double>(cruiseRows)) : kNaN; }
};

// Each channel's mean minus the mean of the others' means; NaN for a channel
// without values or without others.
std::vector<float> deviations(const std::vector<ChannelSums>& sums, bool early) {
  double total = 0;
  std::size_t with = 0;
  auto meanOf = [&](const ChannelSums& c) {
    return early ? (c.earlyRows ? c.early / static_cast<double>(c.earlyRows) : -1.0)
                 : (c.cruiseRows ? c.cruise / static_cast<double>(c.cruiseRows) : -1.0);
  };
  auto has = [&](const ChannelSums& c) { return (early ? c.earlyRows : c.cruiseRows) > 0; };
  for (const ChannelSums& c : sums)
    if (has(c)) {
      total += meanOf(c);
      ++with;
    }
  std::vector<float> out(sums.size(), kNaN);
  for (std::size_t i = 0; i < sums.size(); ++i)
    if (has(sums[i]) && with > 1)
      out[i] = static_cast<float>(meanOf(sums[i]) - (total - meanOf(sums[i])) / static_cast<double>(with - 1));
  return out;
}

// Each channel's jumps against the median of the others of its group (one
// kind, one engine), from `judgedFrom` seconds on. A channel without others
// has no jumps: alone, a probe cannot be told from its engine.
void countJumps(const flight::Flight& flight, std::size_t rows, double judgedFrom, std::vector<ChannelSums>& group) {
  const std::size_t count = std::min(group.size(), kMaxCylinders);
  if (count < 2) return;
  std::array<const float*, kMaxCylinders> column{};
  std::array<float, kMaxCylinders> row{}, offset{}, last{};
  last.fill(kNaN);
  for (std::size_t i = 0; i < count; ++i) column[i] = flight.columns[group[i].column].data();
  RowNeighbours neighbours;
  for (std::size_t r = 0; r < rows; ++r) {
    const bool judged = flight.seconds[r] >= judgedFrom;
    for (std::size_t i = 0; i < count; ++i) row[i] = column[i][r];
    neighbours.set(std::span(row.data(), count), true);
    const double scale = r ? std::max(1.0, (flight.seconds[r] - flight.seconds[r - 1]) / kJumpRowSeconds) : 1.0;
    for (std::size_t i = 0; i < count; ++i) {
      const float v = row[i];
      // 0 or no value is the probe's dropout, a sensor fault of its own, and no offset.
      offset[i] = std::isnan(v) || v == 0 ? kNaN : v - neighbours.medianWithout(v, 1);
      // NaN on either side compares false: no jump.
      group[i].jumps += judged && std::fabs(offset[i] - last[i]) >= group[i].step * scale;
      last[i] = offset[i];
    }
  }
}

// Each cylinder's place among the others (EGT and CHT in cruise, CHT after
// the start, jumps) and the cruise figures, in a few passes over the rows.
void addCylinders(const flight::Flight& flight, flight::Engine engine, const std::vector<unsigned char>& cruise, FlightDigest& digest) {
  const flight::Unit u = digest.engineUnit;
  std::vector<ChannelSums> egts, chts, figures, oils;
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const flight::Channel& k = flight.channels[c];
    if (k.engine != engine || k.cylinder <= 0) continue;
    if (k.kind == flight::ChannelKind::Egt) egts.push_back({.column = c, .step = FahrenheitSpanToUnit(kEgtStepF, u)});
    if (k.kind == flight::ChannelKind::Cht) chts.push_back({.column = c, .step = FahrenheitSpanToUnit(kChtStepF, u)});
  }
  if (egts.empty() && chts.empty()) return;
  // This engine's oil in the same cruise, for the logbook's trends.
  for (const flight::ChannelKind kind : {flight::ChannelKind::OilTemperature, flight::ChannelKind::OilPressure})
    if (const int c = flight::FindChannel(flight.channels, kind, engine); c >= 0)
      oils.push_back({.column = static_cast<std::size_t>(c)});
  // The first engine's cruise gives the flight's power, OAT and battery.
  float* const targets[] = {&digest.cruisePower, &digest.cruiseOat, &digest.cruiseBattery};
  const flight::ChannelKind kinds[] = {flight::ChannelKind::PowerPercent, flight::ChannelKind::Oat, flight::ChannelKind::Battery};
  int columns[3] = {-1, -1, -1};
  for (int i = 0; i < 3; ++i) {
    if (available(*targets[i])) continue;
    columns[i] = flight::FindChannel(flight.channels, kinds[i], engine);
    if (columns[i] < 0) columns[i] = flight::FindChannel(flight.channels, kinds[i]);
    if (columns[i] >= 0) figures.push_back({.column = static_cast<std::size_t>(columns[i])});
  }
  const double from = digest.engineStartAt, to = digest.engineStartAt + kWarmupSeconds;
  const std::size_t n = std::min(flight.rows(), cruise.size());
  // Each channel over its rows in order (the sums as row by row).
  std::vector<unsigned char> rowIn(n);  // 1: in the cruise, 2: in the first minutes after the start
  for (std::size_t r = 0; r < n; ++r)
    rowIn[r] = static_cast<unsigned char>((cruise[r] ? 1 : 0) |
                                          (flight.seconds[r] >= from && flight.seconds[r] < to ? 2 : 0));
  std::vector<ChannelSums*> all;
  for (auto* list : {&egts, &chts, &figures, &oils})
    for (ChannelSums& c : *list) all.push_back(&c);
  for (std::vector<ChannelSums>* group : {&egts, &chts}) countJumps(flight, n, from + kSettleSeconds, *group);
  // The sums of four channels at once: each still adds its own rows in
  // order, but the four run side by side instead of each waiting on its last
  // addition. Without branches: adding 0.0 leaves a sum that starts at +0.0 as it is.
  constexpr std::size_t kSideBySide = 4;
  for (std::size_t g = 0; g < all.size(); g += kSideBySide) {
    const std::size_t k = std::min(kSideBySide, all.size() - g);
    std::array<const float*, kSideBySide> column{};
    std::array<ChannelSums, kSideBySide> sum{};
    for (std::size_t j = 0; j < k; ++j) {
      column[j] = flight.columns[all[g + j]->column].data();
      sum[j] = *all[g + j];
    }
    // Lanes beyond the group's channels read the first one and are not kept.
    for (std::size_t j = k; j < kSideBySide; ++j) column[j] = column[0];
    for (std::size_t r = 0; r < n; ++r) {
      const unsigned in = rowIn[r];
      for (std::size_t j = 0; j < kSideBySide; ++j) {
        const float v = column[j][r];
        const bool has = available(v);
        const double x = has ? static_cast<double>(v) : 0.0;
        sum[j].cruise += (in & 1) ? x : 0.0;
        sum[j].cruiseRows += has & in & 1;
        sum[j].early += (in & 2) ? x : 0.0;
        sum[j].earlyRows += has & (in >> 1) & 1;
      }
    }
    for (std::size_t j = 0; j < k; ++j) {
      all[g + j]->cruise = sum[j].cruise;
      all[g + j]->cruiseRows = sum[j].cruiseRows;
      all[g + j]->early = sum[j].early;
      all[g + j]->earlyRows = sum[j].earlyRows;
    }
  }
  for (const std::vector<ChannelSums>* list : {&egts, &chts, &oils})
    for (const ChannelSums& c : *list)
      if (const float m = c.cruiseMean(); available(m))
        digest.cruiseMeans.push_back({flight.channels[c.column].name, flight.channels[c.column].kind, m});
  std::size_t f = 0;
  for (int i = 0; i < 3; ++i) {
    if (columns[i] < 0) continue;
    float m = figures[f++].cruiseMean();
    if (kinds[i] == flight::ChannelKind::Oat && flight.channels[static_cast<std::size_t>(columns[i])].unit == flight::Unit::DegreesF &&
        available(m))
      m = static_cast<float>((m - 32) * 5.0 / 9.0);
    *targets[i] = m;
  }
  const std::vector<float> egt = deviations(egts, false);
  const std::vector<float> cht = deviations(chts, false);
  const std::vector<float> chtEarly = deviations(chts, true);
  auto state = [&](int cylinder) -> CylinderState& {
    for (CylinderState& s : digest.cylinders)
      if (s.engine == engine && s.cylinder == cylinder) return s;
    CylinderState s;
    s.engine = engine;
    s.cylinder = cylinder;
    s.egtDeviation = s.chtDeviation = s.earlyChtDeviation = kNaN;
    digest.cylinders.push_back(s);
    return digest.cylinders.back();
  };
  for (std::size_t i = 0; i < egts.size(); ++i) {
    CylinderState& s = state(flight.channels[egts[i].column].cylinder);
    s.egtDeviation = egt[i];
    s.egtSteps = egts[i].jumps;
  }
  for (std::size_t i = 0; i < chts.size(); ++i) {
    CylinderState& s = state(flight.channels[chts[i].column].cylinder);
    s.chtDeviation = cht[i];
    s.earlyChtDeviation = chtEarly[i];
    s.chtSteps = chts[i].jumps;
  }
}

void addCruise(const flight::Flight& flight, flight::Engine engine, FlightDigest& digest) {
  std::vector<std::size_t> egts;
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const flight::Channel& k = flight.channels[c];
    if (k.kind == flight::ChannelKind::Egt && k.engine == engine) egts.push_back(c);
  }
  bool any = !egts.empty();
  for (const flight::Channel& k : flight.channels) any = any || (k.kind == flight::ChannelKind::Cht && k.engine == engine);
  if (!any) return;
  bool steady = false;
  const std::vector<unsigned char> cruise = cruiseRows(flight, engine, steady);
  addCylinders(flight, engine, cruise, digest);
  if (egts.size() < 2) return;
  const std::size_t egtCount = egts.size();
  std::vector<const float*> columns(egtCount);
  for (std::size_t j = 0; j < egtCount; ++j) columns[j] = flight.columns[egts[j]].data();
  // One pass over the cruise rows: each EGT's mean, and each row's sum and
  // count of values, used when they are all whole degrees (their sums are
  // then exact, and a row's sum less one value is the others' sum, as added
  // up one by one) in the search of each cylinder's farthest point.
  struct RowSum {
    std::uint32_t row;
    std::uint32_t n = 0;
    double sum = 0;
    bool whole = true;
  };
  std::vector<double> mean(egtCount, 0);
  std::vector<std::size_t> count(egtCount, 0);
  double start = -1, end = 0;
  std::vector<RowSum> rows;
  rows.reserve(static_cast<std::size_t>(std::count(cruise.begin(), cruise.end(), 1)));
  for (std::size_t r = 0; r < flight.rows(); ++r) {
    if (!cruise[r]) continue;
    if (start < 0) start = flight.seconds[r];
    end = flight.seconds[r];
    RowSum s{static_cast<std::uint32_t>(r)};
    for (std::size_t j = 0; j < egtCount; ++j) {
      const float v = columns[j][r];
      if (!available(v)) continue;
      mean[j] += v;
      ++count[j];
      s.sum += v;
      ++s.n;
      s.whole = s.whole && std::fabs(v) < 1e7f && v == std::trunc(v);
    }
    rows.push_back(s);
  }
  if (start < 0) return;
  for (std::size_t i = 0; i < egtCount; ++i)
    if (count[i] == 0) return;  // a dead probe: no cruise comparison
  for (std::size_t i = 0; i < egtCount; ++i) mean[i] /= static_cast<double>(count[i]);
  digest.cruiseSteady = steady;
  digest.cruiseStart = start;
  digest.cruiseEnd = end;
  const auto others = static_cast<double>(egts.size() - 1);
  double total = 0;
  for (double m : mean) total += m;
  for (std::size_t i = 0; i < egts.size(); ++i) {
    CruiseEgt e;
    e.channel = flight.channels[egts[i]].name;
    e.cylinder = flight.channels[egts[i]].cylinder;
    e.engine = flight.channels[egts[i]].engine;
    e.mean = static_cast<float>(mean[i]);
    e.deviation = static_cast<float>(mean[i] - (total - mean[i]) / others);
    // Where the cylinder stood farthest from the others on that side.
    double worst = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const std::size_t r = rows[k].row;
      const float v = columns[i][r];
      if (!available(v)) continue;
      double sum = rows[k].sum - v;
      std::size_t n = rows[k].n - 1;
      if (!rows[k].whole) {
        sum = 0;
        n = 0;
        for (std::size_t j = 0; j < egtCount; ++j)
          if (j != i && available(columns[j][r])) {
            sum += columns[j][r];
            ++n;
          }
      }
      if (n == 0) continue;
      const double d = (v - sum / static_cast<double>(n)) * (e.deviation < 0 ? -1 : 1);
      if (d > worst) {
        worst = d;
        e.peakAt = static_cast<float>(flight.seconds[rows[k].row]);
      }
    }
    digest.cruise.push_back(e);
  }
}

}  // namespace

const Envelope* FlightDigest::envelope(std::string_view channel) const {
  for (const Envelope& e : envelopes)
    if (e.channel == channel) return &e;
  return nullptr;
}

const CylinderState* FlightDigest::cylinder(flight::Engine engine, int number) const {
  for (const CylinderState& c : cylinders)
    if (c.engine == engine && c.cylinder == number) return &c;
  return nullptr;
}

namespace {

// Where in its span a faulty probe stood farthest from the median of the
// other cylinders of its kind and engine (without others, its most extreme
// reading), and what it read there.
void addReading(const flight::Flight& flight, SensorFaultSpan& s) {
  int column = -1;
  for (std::size_t c = 0; c < flight.channels.size(); ++c)
    if (flight.channels[c].name == s.channel) column = static_cast<int>(c);
  if (column < 0) return;
  const flight::Channel& own = flight.channels[static_cast<std::size_t>(column)];
  s.probe = own.kind;
  s.engine = own.engine;
  s.cylinder = own.cylinder;
  std::vector<std::span<const float>> others;
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const flight::Channel& k = flight.channels[c];
    if (static_cast<int>(c) != column && k.kind == own.kind && k.engine == own.engine && k.cylinder > 0)
      others.push_back(flight.column(c));
  }
  const std::span<const float> values = flight.column(static_cast<std::size_t>(column));
  std::vector<float> row;
  double farthest = -1;
  for (std::size_t r = flight.rowAt(s.start); r < flight.rows() && flight.seconds[r] <= s.end; ++r) {
    const float v = values[r];
    if (!available(v) || v == 0 || flight.seconds[r] < s.start) continue;
    row.clear();
    for (const std::span<const float> o : others)
      if (available(o[r]) && o[r] != 0) row.push_back(o[r]);
    float offset = kNaN;
    if (!row.empty()) {
      auto mid = row.begin() + static_cast<std::ptrdiff_t>(row.size() / 2);
      std::nth_element(row.begin(), mid, row.end());
      float median = *mid;
      if (row.size() % 2 == 0) median = (median + *std::max_element(row.begin(), mid)) / 2;
      offset = v - median;
    }
    const double far = available(offset) ? std::fabs(offset) : std::fabs(v);
    if (far > farthest) {
      farthest = far;
      s.reading = v;
      s.offset = offset;
      s.readingAt = static_cast<float>(flight.seconds[r]);
    }
  }
}

std::vector<SensorFaultSpan> spansOf(const flight::Flight& flight, const std::vector<SensorFault>& faults) {
  std::vector<SensorFaultSpan> spans;
  spans.reserve(faults.size());
  for (const SensorFault& f : faults) {
    SensorFaultSpan s{f.channel, f.start, f.end, f.kind};
    s.readingAt = static_cast<float>(f.start);
    if (f.kind != SensorFaultKind::Dropout) addReading(flight, s);
    spans.push_back(std::move(s));
  }
  return spans;
}

// Each checked channel's envelope, then each engine's derived cooling where
// the flight records none.
void addEnvelopes(const flight::Flight& flight, FlightDigest& d) {
  bool hasCld[3] = {false, false, false};
  const std::size_t buckets = bucketCount(flight);
  std::vector<std::size_t> bucketOfRow(flight.rows());
  for (std::size_t r = 0; r < flight.rows(); ++r) bucketOfRow[r] = EnvelopeBuilder::bucketOf(flight.seconds[r], buckets);
  std::vector<float> scratch;
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const flight::Channel& k = flight.channels[c];
    if (!checked(k.kind) && !context(k.kind)) continue;
    EnvelopeBuilder b(k.name, buckets, &scratch);
    b.setKind(k.kind, k.engine, k.cylinder);
    b.addColumn(flight.columns[c], flight.seconds, bucketOfRow);
    if (b.empty()) continue;
    if (k.kind == flight::ChannelKind::Cld) hasCld[static_cast<int>(k.engine)] = true;
    d.envelopes.push_back(b.take(false));
  }
  for (flight::Engine e : {flight::Engine::Only, flight::Engine::Left, flight::Engine::Right})
    if (!hasCld[static_cast<int>(e)]) addDerivedCooling(flight, e, d);
}

}  // namespace

std::vector<SensorFaultSpan> SensorFaultSpans(const flight::Flight& flight, const Limits& sensing) {
  return spansOf(flight, FindSensorFaults(flight, sensing));
}

FlightDigest StartDigest(const flight::Flight& flight) {
  FlightDigest d;
  d.engineUnit = EngineUnit(flight.facts);
  d.startOfDay = flight.startOfDay;
  d.recordedSeconds = flight.rows() ? flight.seconds.back() : 0;
  d.shutdownAt = d.recordedSeconds;
  return d;
}

void AddEnvelopesAndCruise(const flight::Flight& flight, FlightDigest& d) {
  addEnvelopes(flight, d);
  for (flight::Engine e : {flight::Engine::Only, flight::Engine::Left, flight::Engine::Right}) addCruise(flight, e, d);
}

void AddPhaseTimes(const FlightPhases& phases, FlightDigest& d) {
  d.phasesKnown = !phases.spans.empty();
  if (!d.phasesKnown) return;
  d.warmupEnd = d.recordedSeconds;
  bool off = false;
  for (const PhaseSpan& p : phases.spans) {
    if (p.phase == Phase::Takeoff || p.phase == Phase::Climb) {
      if (!d.climbs.empty() && d.climbs.back().end >= p.start)
        d.climbs.back().end = std::max(d.climbs.back().end, p.end);
      else
        d.climbs.push_back({p.start, p.end});
    }
    if (p.phase == Phase::Ground || p.phase == Phase::Runup) {
      if (!d.ground.empty() && d.ground.back().end >= p.start)
        d.ground.back().end = std::max(d.ground.back().end, p.end);
      else
        d.ground.push_back({p.start, p.end});
    } else if (!off) {
      d.warmupEnd = p.start;
      off = true;
    }
  }
  bool started = false;
  for (const FlightEvent& e : phases.events) {
    if (e.kind == FlightEventKind::EngineStart && !started) {
      d.engineStartAt = e.at;
      started = true;
    }
    if (e.kind == FlightEventKind::Shutdown) d.shutdownAt = e.at;
  }
  d.warmupEnd = std::max(d.warmupEnd, d.engineStartAt + kWarmupSeconds);
}

std::vector<PhaseSpan> ValveScreenSpans(const FlightPhases& phases, const FlightDigest& d) {
  std::vector<PhaseSpan> cruise = phases.of(Phase::Cruise);
  if (cruise.empty() && d.cruiseSteady) cruise.push_back({Phase::Cruise, d.cruiseStart, d.cruiseEnd});
  return cruise;
}

void AddScreens(const flight::Flight& flight, const std::vector<SensorFault>& faults, const ValveScreen& valves,
                FlightDigest& d) {
  d.sensorFaults = spansOf(flight, faults);
  // The findings judge the swings under the aircraft's limits.
  d.valveJudged = valves.judged;
  d.valveWhy = valves.why;
  for (const ValveCylinder& c : valves.cylinders) d.valveSwings.push_back({c.channel, c.amplitude, c.period, c.start, c.end, c.regular});
}

}  // namespace varnix::analysis
