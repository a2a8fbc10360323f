// SPDX-License-Identifier: MIT
#include "analysis/findings.h"
#include "analysis/cruise_baselines.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <span>

#include "analysis/cylinder_groups.h"
#include "analysis/cylinder_hints.h"
#include "analysis/flight_phases.h"
#include "analysis/sensor_faults.h"
#include "analysis/valve_screen.h"
#include "flight/channels.h"
#include "flight/clock_text.h"

namespace varnix::flight {

namespace {

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
constexpr double kStartSeconds = 60;      // the battery is not judged in the minute after the engine start
constexpr double kShutdownSeconds = 60;   // nor cooling in the minute before the shutdown
constexpr double kEgtStepF = 100;         // a row-to-row EGT step this large is a jump
constexpr double kChtStepF = 40;          // a row-to-row CHT step this large is a jump
constexpr double k28VoltMedian = 20;   // a battery whose median is above this is a 28-volt system

bool available(float v) { return !std::isnan(v); }

// Minutes of a flight's span beyond its rows' count that get a bucket of
// their own: a day. A damaged file may claim a span of years in a few rows;
// its envelopes follow the rows, and the rows past the last bucket share it.
constexpr std::size_t kSpareBuckets = 1440;

std::size_t bucketCount(const Flight& flight) {
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
  void setKind(ChannelKind kind, Engine engine, int cylinder = 0) {
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
void addDerivedCooling(const Flight& flight, Engine engine, FlightDigest& digest) {
  std::vector<std::size_t> chts;
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const Channel& k = flight.channels[c];
    if (k.kind == ChannelKind::Cht && k.engine == engine) chts.push_back(c);
  }
  if (chts.empty()) return;
  EnvelopeBuilder b(std::string(EnginePrefix(engine)) + "CLD", bucketCount(flight));
  b.setKind(ChannelKind::Cld, engine);
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
std::vector<unsigned char> cruiseRows(const Flight& flight, Engine engine, bool& steady) {
  int rpm = FindChannel(flight.channels, ChannelKind::Rpm, engine);
  if (rpm < 0) rpm = FindChannel(flight.channels, ChannelKind::Rpm);
  int map = FindChannel(flight.channels, ChannelKind::Map, engine);
  if (map < 0) map = FindChannel(flight.channels, ChannelKind::Map);
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

// Each cylinder's place among the others (EGT and CHT in cruise, CHT after
// the start, jumps) and the cruise figures, in a few passes over the rows.
void addCylinders(const Flight& flight, Engine engine, const std::vector<unsigned char>& cruise, FlightDigest& digest) {
  const Unit u = digest.engineUnit;
  std::vector<ChannelSums> egts, chts, figures, oils;
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const Channel& k = flight.channels[c];
    if (k.engine != engine || k.cylinder <= 0) continue;
    if (k.kind == ChannelKind::Egt) egts.push_back({.column = c, .step = FahrenheitSpanToUnit(kEgtStepF, u)});
    if (k.kind == ChannelKind::Cht) chts.push_back({.column = c, .step = FahrenheitSpanToUnit(kChtStepF, u)});
  }
  if (egts.empty() && chts.empty()) return;
  // This engine's oil in the same cruise, for the logbook's trends.
  for (const ChannelKind kind : {ChannelKind::OilTemperature, ChannelKind::OilPressure})
    if (const int c = FindChannel(flight.channels, kind, engine); c >= 0)
      oils.push_back({.column = static_cast<std::size_t>(c)});
  // The first engine's cruise gives the flight's power, OAT and battery.
  float* const targets[] = {&digest.cruisePower, &digest.cruiseOat, &digest.cruiseBattery};
  const ChannelKind kinds[] = {ChannelKind::PowerPercent, ChannelKind::Oat, ChannelKind::Battery};
  int columns[3] = {-1, -1, -1};
  for (int i = 0; i < 3; ++i) {
    if (available(*targets[i])) continue;
    columns[i] = FindChannel(flight.channels, kinds[i], engine);
    if (columns[i] < 0) columns[i] = FindChannel(flight.channels, kinds[i]);
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
  // The jumps, channel by channel.
  for (ChannelSums* c : all) {
    if (!(c->step > 0)) continue;
    const float* column = flight.columns[c->column].data();
    // The least float not below the step: a float change reaches one when
    // it reaches the other, and floats compare four at a time.
    float step = static_cast<float>(c->step);
    if (static_cast<double>(step) < c->step) step = std::nextafter(step, std::numeric_limits<float>::infinity());
    std::uint32_t jumps = 0;
    for (std::size_t r = 1; r < n; ++r) {
      const float v = column[r], last = column[r - 1];
      // NaN on either side compares false: no jump.
      jumps += std::fabs(v - last) >= step;
    }
    c->jumps = jumps;
  }
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
    if (kinds[i] == ChannelKind::Oat && flight.channels[static_cast<std::size_t>(columns[i])].unit == Unit::DegreesF &&
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

void addCruise(const Flight& flight, Engine engine, FlightDigest& digest) {
  std::vector<std::size_t> egts;
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const Channel& k = flight.channels[c];
    if (k.kind == ChannelKind::Egt && k.engine == engine) egts.push_back(c);
  }
  bool any = !egts.empty();
  for (const Channel& k : flight.channels) any = any || (k.kind == ChannelKind::Cht && k.engine == engine);
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

std::string degrees(Unit unit) { return std::string(UnitText(unit)); }

std::string number(double v, int decimals = 0) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string clock(const FlightDigest& d, double at) { return flight::ClockMinutesText(d.startOfDay + at); }

// A limit as one flight's envelope is judged against it, in the flight's units.
struct Threshold {
  double limit;
  double margin;  // an excess this large is a warning
};

// What a sentence about a span beyond a limit says.
struct Span {
  const std::string& channel;
  const std::string& unit;     // "°F", "°C"
  double peak, limit;
  const std::string& at;       // " at 9:41"
  const std::string& lasting;  // " (3 min)", or ""
  bool derived;                // a cooling from the CHT slope
};

// When in a flight a rule judges.
enum class Judged {
  Always,
  AfterWarmup,    // from the first phase off the ground (no phases: after ten minutes)
  EngineRunning,  // a minute after the engine start until the shutdown
  Airborne,       // off the ground spans and before the minute of the shutdown
};

// One row per finding kind: its name, and for the kinds judged from a
// channel's envelope the channel, the side, the limit, when it judges and
// the sentence. Adding a finding kind is adding a row.
struct KindRule {
  FindingKind kind;
  std::string_view name;                     // KindName
  ChannelKind channel = ChannelKind::Other;  // the envelope judged; Other: judged elsewhere
  bool above = true;                         // the value must stay below the limit; else above it
  Threshold (*threshold)(const Limits&, const Envelope&, Unit) = nullptr;
  Judged judged = Judged::Always;
  std::string (*sentence)(const Span&) = nullptr;
  bool trend = false;                        // across flights: no times of its own
  bool information = false;                  // always a caution, however far beyond
};

double temperature(double f, Unit u) { return FahrenheitToUnit(f, u); }
double span(double f, Unit u) { return FahrenheitSpanToUnit(f, u); }

// The battery's limits follow its system: a median above 20 V is a 28-volt one.
bool system28(const Envelope& env) { return env.median > k28VoltMedian; }

std::string reachedAbove(const char* what, const Span& s) {
  return what + s.channel + " reached " + number(s.peak) + " " + s.unit + s.at + ", above the " + number(s.limit) +
         " " + s.unit + " limit" + s.lasting;
}

constexpr KindRule kKindRules[] = {
    {.kind = FindingKind::Cht,
     .name = "cht",
     .channel = ChannelKind::Cht,
     .above = true,
     .threshold = [](const Limits& l, const Envelope&, Unit u) {
       return Threshold{temperature(l.chtMax, u), span(25, u)};
     },
     .sentence = [](const Span& s) { return reachedAbove("CHT ", s); }},
    {.kind = FindingKind::ChtCaution,
     .name = "cht_caution",
     .channel = ChannelKind::Cht,
     .above = true,
     .threshold = [](const Limits& l, const Envelope&, Unit u) {
       return Threshold{temperature(l.chtCaution, u), 0};
     },
     .sentence = [](const Span& s) {
       return "CHT " + s.channel + " stood above the " + number(s.limit) + " " + s.unit + " caution level" +
              s.lasting + ", up to " + number(s.peak) + " " + s.unit + s.at;
     },
     .information = true},
    {.kind = FindingKind::Tit,
     .name = "tit",
     .channel = ChannelKind::Tit,
     .above = true,
     .threshold = [](const Limits& l, const Envelope&, Unit u) {
       return Threshold{temperature(l.titMax, u), span(25, u)};
     },
     .sentence = [](const Span& s) { return reachedAbove("TIT ", s); }},
    {.kind = FindingKind::Dif,
     .name = "dif",
     .channel = ChannelKind::Dif,
     .above = true,
     .threshold = [](const Limits& l, const Envelope&, Unit u) {
       return Threshold{span(l.difMax, u), span(100, u)};
     },
     .sentence = [](const Span& s) {
       return "The EGT spread (" + s.channel + ") opened to " + number(s.peak) + " " + s.unit + s.at +
              ", above the " + number(s.limit) + " " + s.unit + " limit" + s.lasting;
     }},
    {.kind = FindingKind::Cooling,
     .name = "cooling",
     .channel = ChannelKind::Cld,
     .above = false,
     .threshold = [](const Limits& l, const Envelope&, Unit u) {
       return Threshold{-span(l.coolingMax, u), span(20, u)};
     },
     .judged = Judged::Airborne,
     .sentence = [](const Span& s) {
       // Cooling is negative: the sentence says how fast.
       return "The heads cooled " + number(-s.peak) + " " + s.unit + " per minute" + s.at + ", faster than the " +
              number(-s.limit) + " " + s.unit + " limit" + (s.derived ? " (from the CHT slope)" : "");
     },
     .information = true},
    {.kind = FindingKind::OilHigh,
     .name = "oil_high",
     .channel = ChannelKind::OilTemperature,
     .above = true,
     .threshold = [](const Limits& l, const Envelope&, Unit u) {
       return Threshold{temperature(l.oilMax, u), span(15, u)};
     },
     .judged = Judged::AfterWarmup,
     .sentence = [](const Span& s) {
       return "Oil (" + s.channel + ") reached " + number(s.peak) + " " + s.unit + s.at + ", above the " +
              number(s.limit) + " " + s.unit + " limit" + s.lasting;
     }},
    {.kind = FindingKind::OilLow,
     .name = "oil_low",
     .channel = ChannelKind::OilTemperature,
     .above = false,
     .threshold = [](const Limits& l, const Envelope&, Unit u) {
       return Threshold{temperature(l.oilMin, u), span(15, u)};
     },
     .judged = Judged::AfterWarmup,
     .sentence = [](const Span& s) {
       return "Oil (" + s.channel + ") was down to " + number(s.peak) + " " + s.unit + s.at + ", below the " +
              number(s.limit) + " " + s.unit + " limit" + s.lasting;
     }},
    {.kind = FindingKind::BatteryLow,
     .name = "battery_low",
     .channel = ChannelKind::Battery,
     .above = false,
     .threshold = [](const Limits& l, const Envelope& env, Unit) {
       return system28(env) ? Threshold{l.battery28Min, 1.0} : Threshold{l.batteryMin, 0.5};
     },
     .judged = Judged::EngineRunning,
     .sentence = [](const Span& s) {
       return "The battery (" + s.channel + ") was down to " + number(s.peak, 1) + " V" + s.at + ", below the " +
              number(s.limit, 1) + " V limit" + s.lasting;
     }},
    {.kind = FindingKind::BatteryHigh,
     .name = "battery_high",
     .channel = ChannelKind::Battery,
     .above = true,
     .threshold = [](const Limits& l, const Envelope& env, Unit) {
       return system28(env) ? Threshold{l.battery28Max, 1.0} : Threshold{l.batteryMax, 0.5};
     },
     .judged = Judged::EngineRunning,
     .sentence = [](const Span& s) {
       return "The battery (" + s.channel + ") reached " + number(s.peak, 1) + " V" + s.at + ", above the " +
              number(s.limit, 1) + " V limit" + s.lasting;
     }},
    {.kind = FindingKind::EgtCruise, .name = "egt_cruise"},  // judged from the digest's cruise
    {.kind = FindingKind::TrendCht, .name = "trend_cht", .trend = true},
    {.kind = FindingKind::TrendEgt, .name = "trend_egt", .trend = true},
    {.kind = FindingKind::Baseline, .name = "baseline", .trend = true},
    {.kind = FindingKind::Change, .name = "change", .trend = true},
    {.kind = FindingKind::HottestCylinder, .name = "hottest_cylinder", .trend = true},
    {.kind = FindingKind::Sensor, .name = "sensor"},  // the digest's sensor faults
    {.kind = FindingKind::Valve, .name = "valve"},    // the digest's valve screen
};

const KindRule& ruleOf(FindingKind kind) {
  for (const KindRule& r : kKindRules)
    if (r.kind == kind) return r;
  return kKindRules[0];
}

// The channels whose envelopes the findings judge.
bool checked(ChannelKind k) {
  for (const KindRule& r : kKindRules)
    if (r.threshold && r.channel == k) return true;
  return false;
}

bool judgedAt(const FlightDigest& d, Judged judged, double t) {
  switch (judged) {
    case Judged::Always: return true;
    case Judged::AfterWarmup: return t >= d.warmupEnd;
    case Judged::EngineRunning: return t >= d.engineStartAt + kStartSeconds && t <= d.shutdownAt;
    case Judged::Airborne:
      for (const TimeSpan& g : d.ground)
        if (g.holds(t)) return false;
      return t < d.shutdownAt - kShutdownSeconds;
  }
  return true;
}

bool faulty(const FlightDigest& d, const std::string& channel, double t) {
  for (const SensorFaultSpan& f : d.sensorFaults)
    if (f.channel == channel && t >= f.start && t <= f.end) return true;
  return false;
}

// Spans of minutes beyond the limit, each a finding. A minute is judged at
// its extreme's time; neighbouring minutes beyond make one span (a minute
// with no row beyond between two puts them more than 30 s apart). The time
// above is estimated from each minute's extremes: a whole minute when both
// are beyond, else the share of the minute's range beyond the limit.
void check(const Envelope& env, const KindRule& rule, const Threshold& threshold, const FlightDigest& d,
           std::vector<Finding>& out) {
  const std::vector<float>& values = rule.above ? env.max : env.min;
  const std::vector<float>& times = rule.above ? env.maxAt : env.minAt;
  const std::vector<float>& others = rule.above ? env.min : env.max;
  const double side = rule.above ? 1 : -1;
  auto beyond = [&](std::size_t b) {
    return available(values[b]) && side * (values[b] - threshold.limit) > 0 &&
           judgedAt(d, rule.judged, times[b]) && !faulty(d, env.channel, times[b]);
  };
  auto secondsBeyond = [&](std::size_t b) {
    const double from = static_cast<double>(b) * FlightDigest::kBucketSeconds;
    const double covered = std::clamp(d.recordedSeconds - from, 0.0, FlightDigest::kBucketSeconds);
    const double far = side * (values[b] - threshold.limit);
    const double near = available(others[b]) ? side * (others[b] - threshold.limit) : far;
    if (near > 0 || far <= near) return covered;
    return covered * far / (far - near);
  };
  std::size_t b = 0;
  while (b < values.size()) {
    if (!beyond(b)) {
      ++b;
      continue;
    }
    const std::size_t first = b;
    std::size_t last = b, minutes = 0;
    double peak = values[b], peakAt = times[b], above = 0;
    for (; b < values.size() && beyond(b); ++b) {
      last = b;
      ++minutes;
      above += secondsBeyond(b);
      if (side * (values[b] - peak) > 0) {
        peak = values[b];
        peakAt = times[b];
      }
    }
    Finding f;
    f.kind = rule.kind;
    f.channel = env.channel;
    f.cylinder = env.cylinder;
    f.engine = env.engine;
    f.excess = std::fabs(peak - threshold.limit);
    f.severity = !rule.information && f.excess >= threshold.margin ? Severity::Warning : Severity::Caution;
    f.start = static_cast<double>(first) * FlightDigest::kBucketSeconds;
    f.end = std::min(static_cast<double>(last + 1) * FlightDigest::kBucketSeconds, d.recordedSeconds);
    f.peak = peak;
    f.peakAt = peakAt;
    f.timeAbove = above;
    const std::string unit = degrees(d.engineUnit);
    const std::string at = " at " + clock(d, peakAt);
    const std::string lasting = minutes > 1 ? " (" + std::to_string(minutes) + " min)" : "";
    f.text = rule.sentence({env.channel, unit, peak, threshold.limit, at, lasting, env.derived});
    out.push_back(std::move(f));
  }
}

std::string cylinderWord(std::string_view channel) { return std::string(channel); }

}  // namespace

const Envelope* FlightDigest::envelope(std::string_view channel) const {
  for (const Envelope& e : envelopes)
    if (e.channel == channel) return &e;
  return nullptr;
}

const CylinderState* FlightDigest::cylinder(Engine engine, int number) const {
  for (const CylinderState& c : cylinders)
    if (c.engine == engine && c.cylinder == number) return &c;
  return nullptr;
}

namespace {

std::vector<SensorFaultSpan> spansOf(const std::vector<SensorFault>& faults) {
  std::vector<SensorFaultSpan> spans;
  spans.reserve(faults.size());
  for (const SensorFault& f : faults) spans.push_back({f.channel, f.start, f.end, f.kind});
  return spans;
}

// Each checked channel's envelope, then each engine's derived cooling where
// the flight records none.
void addEnvelopes(const Flight& flight, FlightDigest& d) {
  bool hasCld[3] = {false, false, false};
  const std::size_t buckets = bucketCount(flight);
  std::vector<std::size_t> bucketOfRow(flight.rows());
  for (std::size_t r = 0; r < flight.rows(); ++r) bucketOfRow[r] = EnvelopeBuilder::bucketOf(flight.seconds[r], buckets);
  std::vector<float> scratch;
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const Channel& k = flight.channels[c];
    if (!checked(k.kind)) continue;
    EnvelopeBuilder b(k.name, buckets, &scratch);
    b.setKind(k.kind, k.engine, k.cylinder);
    b.addColumn(flight.columns[c], flight.seconds, bucketOfRow);
    if (b.empty()) continue;
    if (k.kind == ChannelKind::Cld) hasCld[static_cast<int>(k.engine)] = true;
    d.envelopes.push_back(b.take(false));
  }
  for (Engine e : {Engine::Only, Engine::Left, Engine::Right})
    if (!hasCld[static_cast<int>(e)]) addDerivedCooling(flight, e, d);
}

}  // namespace

std::vector<SensorFaultSpan> SensorFaultSpans(const Flight& flight, const Limits& sensing) {
  return spansOf(FindSensorFaults(flight, sensing));
}

FlightDigest StartDigest(const Flight& flight) {
  FlightDigest d;
  d.engineUnit = EngineUnit(flight.facts);
  d.startOfDay = flight.startOfDay;
  d.recordedSeconds = flight.rows() ? flight.seconds.back() : 0;
  d.shutdownAt = d.recordedSeconds;
  return d;
}

void AddEnvelopesAndCruise(const Flight& flight, FlightDigest& d) {
  addEnvelopes(flight, d);
  for (Engine e : {Engine::Only, Engine::Left, Engine::Right}) addCruise(flight, e, d);
}

void AddPhaseTimes(const FlightPhases& phases, FlightDigest& d) {
  d.phasesKnown = !phases.spans.empty();
  if (!d.phasesKnown) return;
  d.warmupEnd = d.recordedSeconds;
  bool off = false;
  for (const PhaseSpan& p : phases.spans) {
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

void AddScreens(const std::vector<SensorFault>& faults, const ValveScreen& valves, FlightDigest& d) {
  d.sensorFaults = spansOf(faults);
  // The findings judge the swings under the aircraft's limits.
  d.valveJudged = valves.judged;
  d.valveWhy = valves.why;
  for (const ValveCylinder& c : valves.cylinders) d.valveSwings.push_back({c.channel, c.amplitude, c.period, c.start, c.end, c.regular});
}

std::string_view KindName(FindingKind kind) { return ruleOf(kind).name; }

std::optional<FindingKind> KindOfName(std::string_view name) {
  for (const KindRule& r : kKindRules)
    if (r.name == name) return r.kind;
  return std::nullopt;
}

bool IsTrendKind(FindingKind kind) { return ruleOf(kind).trend; }

std::string_view SeverityName(Severity severity) { return severity == Severity::Warning ? "warning" : "caution"; }

std::vector<Finding> EvaluateFindings(const FlightDigest& d, const Limits& limits) {
  const Unit u = d.engineUnit;
  std::vector<Finding> out;
  for (const Envelope& env : d.envelopes)
    for (const KindRule& rule : kKindRules)
      if (rule.threshold && rule.channel == env.kind) check(env, rule, rule.threshold(limits, env, u), d, out);
  const double deviation = span(limits.egtDeviation, u);
  for (const CruiseEgt& e : d.cruise) {
    if (std::fabs(e.deviation) <= deviation || faulty(d, e.channel, e.peakAt)) continue;
    Finding f;
    f.kind = FindingKind::EgtCruise;
    f.channel = e.channel;
    f.severity = std::fabs(e.deviation) - deviation >= span(50, u) ? Severity::Warning : Severity::Caution;
    f.start = d.cruiseStart;
    f.end = d.cruiseEnd;
    f.peak = e.deviation;
    f.peakAt = e.peakAt;
    f.excess = std::fabs(e.deviation) - deviation;
    f.cylinder = e.cylinder;
    f.engine = e.engine;
    f.text = cylinderWord(e.channel) + " runs " + number(std::fabs(e.deviation)) + " " + degrees(u) +
             (e.deviation < 0 ? " below" : " above") + " the others in cruise" +
             (d.cruiseSteady ? "" : " (the middle of the flight: no RPM or MAP)");
    out.push_back(std::move(f));
  }
  for (const SensorFaultSpan& s : d.sensorFaults) {
    Finding f;
    f.kind = FindingKind::Sensor;
    f.channel = s.channel;
    f.start = s.start;
    f.end = s.end;
    f.peakAt = s.start;
    f.text = SensorFaultText({s.channel, s.kind, s.start, s.end}, d.startOfDay);
    f.hint = "look at the probe or its wiring";
    out.push_back(std::move(f));
  }
  for (const ValveCylinder& c : ValveScreenOf(d, limits).cylinders) {
    if (c.verdict != ValveVerdict::Valve || faulty(d, c.channel, c.start)) continue;
    Finding f;
    f.kind = FindingKind::Valve;
    f.channel = c.channel;
    f.start = c.start;
    f.end = c.end;
    f.peak = c.amplitude;
    f.peakAt = c.start;
    f.text = ValveFindingText(c, u);
    out.push_back(std::move(f));
  }
  // A span above the caution level that reaches the limit is the limit's finding alone.
  std::erase_if(out, [&](const Finding& c) {
    if (c.kind != FindingKind::ChtCaution) return false;
    for (const Finding& f : out)
      if (f.kind == FindingKind::Cht && f.channel == c.channel && f.start < c.end && c.start < f.end) return true;
    return false;
  });
  for (Finding& f : out)
    if (f.cylinder > 0)
      if (const CylinderState* c = d.cylinder(f.engine, f.cylinder)) f.hint = CylinderHint(*c, limits, u);
  std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) { return a.start < b.start; });
  return out;
}

namespace {

bool near(float a, float b, double band) { return !available(a) || !available(b) || std::fabs(a - b) <= band; }

std::string confidenceOf(std::size_t comparableFlights) {
  return comparableFlights < 10 ? "low" : comparableFlights < 30 ? "moderate" : "high";
}

// A channel's value in one flight, in °F; NaN without it.
double valueOf(const std::vector<std::pair<std::string, float>>& list, const std::string& channel, Unit unit) {
  for (const auto& [name, value] : list)
    if (name == channel && available(value)) return UnitToFahrenheit(value, unit);
  return std::numeric_limits<double>::quiet_NaN();
}

double median(std::vector<double> v) {
  auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  double m = *mid;
  if (v.size() % 2 == 0) m = (m + *std::max_element(v.begin(), mid)) / 2;
  return m;
}

using Series = std::vector<std::pair<std::string, float>> TrendPoint::*;

void drifts(const std::vector<TrendPoint>& flights, const Limits& limits, std::size_t comparableFlights,
            FindingKind kind, Series member, const char* what, std::vector<Finding>& out) {
  const std::size_t first = flights.size() > kTrendFlights ? flights.size() - kTrendFlights : 0;
  const Unit unit = flights.back().engineUnit;
  // Channels of the newest flight, followed back through the others.
  for (const auto& [channel, ignored] : flights.back().*member) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
    double n = 0;
    for (std::size_t i = first; i < flights.size(); ++i) {
      const double y = valueOf(flights[i].*member, channel, flights[i].engineUnit);
      if (!available(static_cast<float>(y))) continue;
      const double x = static_cast<double>(i - first);
      sx += x;
      sy += y;
      sxx += x * x;
      sxy += x * y;
      syy += y * y;
      n += 1;
    }
    if (n < static_cast<double>(kTrendMinimumFlights)) continue;
    const double denominator = n * sxx - sx * sx;
    const double spread = n * syy - sy * sy;
    if (denominator <= 0 || spread <= 0) continue;
    const double slope = (n * sxy - sx * sy) / denominator;  // °F per flight
    const double drift = slope * static_cast<double>(flights.size() - 1 - first);
    const double r2 = (n * sxy - sx * sy) * (n * sxy - sx * sy) / (denominator * spread);
    if (std::fabs(drift) <= limits.trendDrift || r2 < limits.trendFit) continue;
    Finding f;
    f.kind = kind;
    f.channel = channel;
    f.severity = std::fabs(drift) >= 2 * limits.trendDrift ? Severity::Warning : Severity::Caution;
    f.peak = FahrenheitSpanToUnit(drift, unit);
    f.excess = FahrenheitSpanToUnit(std::fabs(drift) - limits.trendDrift, unit);
    f.confidence = confidenceOf(comparableFlights);
    f.text = channel + std::string("'s ") + what + (drift > 0 ? " rose " : " fell ") + number(std::fabs(f.peak)) +
             " " + degrees(unit) + " over the last " + std::to_string(flights.size() - first) + " flights";
    out.push_back(std::move(f));
  }
}

// The values of `channel` the flights `which` have, in °F.
std::vector<double> valuesOf(const std::vector<TrendPoint>& flights, const std::vector<std::size_t>& which,
                             Series member, const std::string& channel) {
  std::vector<double> out;
  for (std::size_t i : which) {
    const double v = valueOf(flights[i].*member, channel, flights[i].engineUnit);
    if (available(static_cast<float>(v))) out.push_back(v);
  }
  return out;
}

void baselines(const std::vector<TrendPoint>& flights, const std::vector<std::size_t>& comparableOnes,
               const Limits& limits, Series member, const char* what, std::vector<Finding>& out) {
  const TrendPoint& newest = flights.back();
  const Unit unit = newest.engineUnit;
  for (const auto& [channel, ignored] : newest.*member) {
    const double now = valueOf(newest.*member, channel, unit);
    const std::vector<double> before = valuesOf(flights, comparableOnes, member, channel);
    if (before.size() < kBaselineMinimumFlights || !available(static_cast<float>(now))) continue;
    const double middle = median(before);
    std::vector<double> distance;
    for (double v : before) distance.push_back(std::fabs(v - middle));
    const double deviation = std::max(1.4826 * median(distance), 5.0);
    const double off = now - middle;
    if (std::fabs(off) <= limits.baselineDeviations * deviation) continue;
    Finding f;
    f.kind = FindingKind::Baseline;
    f.channel = channel;
    f.severity = Severity::Caution;
    f.peak = FahrenheitSpanToUnit(off, unit);
    f.excess = FahrenheitSpanToUnit(std::fabs(off) - limits.baselineDeviations * deviation, unit);
    f.confidence = confidenceOf(before.size());
    f.text = channel + "'s cruise " + what + " was " + number(std::fabs(f.peak)) + " " + degrees(unit) +
             (off > 0 ? " above" : " below") + " its baseline of " + std::to_string(before.size()) +
             " comparable flights";
    out.push_back(std::move(f));
  }
}

// Pettitt's change point of `v`: the index of the first value after it and
// whether it is significant (p < 0.05).
std::pair<std::size_t, bool> pettitt(const std::vector<double>& v) {
  const std::size_t n = v.size();
  double best = 0;
  std::size_t at = 0;
  double u = 0;
  for (std::size_t t = 0; t + 1 < n; ++t) {
    // U(t) = U(t-1) + sum over j of sign(v[t] - v[j])
    for (std::size_t j = 0; j < n; ++j) u += (v[t] > v[j]) - (v[t] < v[j]);
    if (std::fabs(u) > best) {
      best = std::fabs(u);
      at = t + 1;
    }
  }
  const double nn = static_cast<double>(n);
  const double p = 2 * std::exp(-6 * best * best / (nn * nn * nn + nn * nn));
  return {at, p < 0.05};
}

void changes(const std::vector<TrendPoint>& flights, const std::string& channel, const char* what, double step,
             bool volts, double (*get)(const TrendPoint&, const std::string&), std::vector<Finding>& out) {
  const std::size_t first = flights.size() > kBaselineFlights ? flights.size() - kBaselineFlights : 0;
  std::vector<double> v;
  std::vector<std::size_t> index;
  for (std::size_t i = first; i < flights.size(); ++i)
    if (const double x = get(flights[i], channel); available(static_cast<float>(x))) {
      v.push_back(x);
      index.push_back(i);
    }
  if (v.size() < kTrendMinimumFlights) return;
  const auto [at, significant] = pettitt(v);
  constexpr std::size_t kLasting = 3;  // flights on either side of the step
  if (!significant || at < kLasting || v.size() - at < kLasting) return;
  double before = 0, after = 0;
  for (std::size_t i = 0; i < v.size(); ++i) (i < at ? before : after) += v[i];
  before /= static_cast<double>(at);
  after /= static_cast<double>(v.size() - at);
  const double size = after - before;
  if (std::fabs(size) < step) return;
  const Unit unit = flights.back().engineUnit;
  Finding f;
  f.kind = FindingKind::Change;
  f.channel = channel;
  f.severity = Severity::Caution;
  f.peak = volts ? size : FahrenheitSpanToUnit(size, unit);
  f.excess = volts ? std::fabs(size) - step : FahrenheitSpanToUnit(std::fabs(size) - step, unit);
  f.date = flights[index[at]].date.substr(0, 10);
  f.text = channel + "'s " + what + (size > 0 ? " rose " : " fell ") +
           (volts ? number(std::fabs(size), 1) + " V" : number(std::fabs(f.peak)) + " " + degrees(unit)) +
           " from the flight of " + f.date + " on";
  out.push_back(std::move(f));
}

void hottestChange(const std::vector<TrendPoint>& flights, const Limits& limits, std::vector<Finding>& out) {
  if (flights.size() < 3) return;
  auto hottest = [](const TrendPoint& p) {
    const std::pair<std::string, float>* top = nullptr;
    for (const auto& c : p.maxCht)
      if (available(c.second) && (!top || c.second > top->second)) top = &c;
    return top;
  };
  const std::size_t n = flights.size();
  const auto* usual = hottest(flights[n - 3]);
  const auto* a = hottest(flights[n - 2]);
  const auto* b = hottest(flights[n - 1]);
  if (!usual || !a || !b || a->first != b->first || a->first == usual->first) return;
  for (std::size_t i : {n - 2, n - 1}) {
    const double lead = valueOf(flights[i].maxCht, a->first, flights[i].engineUnit) -
                        valueOf(flights[i].maxCht, usual->first, flights[i].engineUnit);
    if (!(lead >= limits.hottestChange)) return;
  }
  Finding f;
  f.kind = FindingKind::HottestCylinder;
  f.channel = a->first;
  f.severity = Severity::Caution;
  f.peak = b->second;
  f.text = a->first + " has been the hottest cylinder for two flights, by " + number(limits.hottestChange) +
           " °F or more over " + usual->first + ", hottest before";
  out.push_back(std::move(f));
}

}  // namespace

bool ComparableCruise(const TrendPoint& a, const TrendPoint& b, const Limits& l) {
  return near(a.cruisePower, b.cruisePower, l.baselinePower) && near(a.cruiseOat, b.cruiseOat, l.baselineOat);
}

namespace {

// The flights comparable with the newest, newest first, at most kBaselineFlights.
std::vector<std::size_t> comparableToNewest(const std::vector<TrendPoint>& flights, const Limits& limits) {
  std::vector<std::size_t> out;
  for (std::size_t i = flights.size() - 1; i-- > 0 && out.size() < kBaselineFlights;)
    if (ComparableCruise(flights[i], flights.back(), limits)) out.push_back(i);
  return out;
}

}  // namespace

std::vector<Finding> TrendFindings(const std::vector<TrendPoint>& flights, const Limits& limits) {
  std::vector<Finding> out;
  if (flights.empty()) return out;
  const std::vector<std::size_t> comparableOnes = comparableToNewest(flights, limits);
  if (flights.size() >= kTrendMinimumFlights) {
    drifts(flights, limits, comparableOnes.size() + 1, FindingKind::TrendCht, &TrendPoint::maxCht, "max CHT", out);
    drifts(flights, limits, comparableOnes.size() + 1, FindingKind::TrendEgt, &TrendPoint::cruiseEgt, "cruise EGT",
           out);
  }
  baselines(flights, comparableOnes, limits, &TrendPoint::cruiseCht, "CHT", out);
  baselines(flights, comparableOnes, limits, &TrendPoint::cruiseEgt, "EGT", out);
  for (const auto& [channel, ignored] : flights.back().cruiseCht)
    changes(flights, channel, "cruise CHT", limits.trendDrift, false,
            [](const TrendPoint& p, const std::string& c) { return valueOf(p.cruiseCht, c, p.engineUnit); }, out);
  changes(flights, "BAT", "battery in cruise", 0.5, true,
          [](const TrendPoint& p, const std::string&) { return static_cast<double>(p.cruiseBattery); }, out);
  hottestChange(flights, limits, out);
  return out;
}

std::vector<CruiseBaseline> CruiseBaselines(const std::vector<TrendPoint>& flights, const Limits& limits) {
  std::vector<CruiseBaseline> out;
  if (flights.empty()) return out;
  const std::vector<std::size_t> comparableOnes = comparableToNewest(flights, limits);
  const TrendPoint& newest = flights.back();
  const Unit unit = newest.engineUnit;
  const std::pair<Series, ChannelKind> series[] = {{&TrendPoint::cruiseCht, ChannelKind::Cht},
                                                   {&TrendPoint::cruiseEgt, ChannelKind::Egt}};
  for (const auto& [member, kind] : series)
    for (const auto& [channel, ignored] : newest.*member) {
      const double now = valueOf(newest.*member, channel, unit);
      const std::vector<double> before = valuesOf(flights, comparableOnes, member, channel);
      if (before.size() < kBaselineMinimumFlights || !available(static_cast<float>(now))) continue;
      out.push_back({channel, kind, FahrenheitToUnit(now, unit), FahrenheitToUnit(median(before), unit),
                     before.size()});
    }
  return out;
}

}  // namespace varnix::flight
