// SPDX-License-Identifier: MIT
#include "analysis/sensor_faults.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>

#include "analysis/cylinder_groups.h"
#include "flight/clock_text.h"

namespace varnix::analysis {

std::string_view SensorFaultKindName(SensorFaultKind kind) {
  switch (kind) {
    case SensorFaultKind::Step: return "step";
    case SensorFaultKind::Dropout: return "dropout";
    case SensorFaultKind::Stuck: return "stuck";
    case SensorFaultKind::Divergent: return "divergent";
  }
  return "step";
}

namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

bool hasValues(std::span<const float> column) {
  return std::any_of(column.begin(), column.end(), [](float v) { return !std::isnan(v); });
}

// The column of `kind` for `engine` (else any engine's) with values; empty when none.
std::span<const float> sourceColumn(const flight::Flight& flight, flight::ChannelKind kind, flight::Engine engine) {
  for (const bool any : {false, true}) {
    const int c = flight::FindChannel(flight.channels, kind, engine, 0, any);
    if (c >= 0 && hasValues(flight.column(static_cast<std::size_t>(c)))) return flight.column(static_cast<std::size_t>(c));
  }
  return {};
}

// Per row, whether the engine runs: RPM where the row has it, else fuel
// flow, else the EGTs' median.
std::vector<char> engineRunning(const flight::Flight& flight, flight::Engine engine, const CylinderGroup* egts) {
  const std::span<const float> rpm = sourceColumn(flight, flight::ChannelKind::Rpm, engine);
  const std::span<const float> fuel = sourceColumn(flight, flight::ChannelKind::FuelFlow, engine);
  std::vector<char> running(flight.rows(), 0);
  std::array<float, kMaxCylinders> row{};
  RowNeighbours egt;
  const float hot =
      egts ? static_cast<float>(FahrenheitToUnit(kRunningEgtF, flight.channels[static_cast<std::size_t>(egts->channels[0])].unit))
           : 0;
  for (std::size_t r = 0; r < flight.rows(); ++r) {
    if (!rpm.empty() && !std::isnan(rpm[r])) {
      running[r] = rpm[r] > kRunningRpm;
    } else if (!fuel.empty() && !std::isnan(fuel[r])) {
      running[r] = fuel[r] > 0;
    } else if (egts) {
      for (std::size_t i = 0; i < egts->channels.size(); ++i)
        row[i] = flight.column(static_cast<std::size_t>(egts->channels[i]))[r];
      egt.set(std::span(row.data(), egts->channels.size()), true);
      const float median = egt.medianWithout(kNan, 1);
      running[r] = !std::isnan(median) && median > hot;
    }
  }
  return running;
}

// The fault spans of one channel as they are found, row after row.
class Spans {
 public:
  Spans(std::string channel, std::vector<SensorFault>& out) : channel_(std::move(channel)), out_(out) {}
  void mark(SensorFaultKind kind, double from, double to) {
    Open& o = open_[static_cast<std::size_t>(kind)];
    if (o.open && from - o.end <= kFaultMergeSeconds) {
      o.end = std::max(o.end, to);
      return;
    }
    flush(kind);
    o = {true, from, to};
  }
  void flushAll() {
    for (const SensorFaultKind k :
         {SensorFaultKind::Step, SensorFaultKind::Dropout, SensorFaultKind::Stuck, SensorFaultKind::Divergent})
      flush(k);
  }

 private:
  struct Open {
    bool open = false;
    double start = 0, end = 0;
  };
  void flush(SensorFaultKind kind) {
    Open& o = open_[static_cast<std::size_t>(kind)];
    if (o.open) out_.push_back({channel_, kind, o.start, o.end});
    o.open = false;
  }
  std::string channel_;
  std::vector<SensorFault>& out_;
  std::array<Open, 4> open_{};
};

// What one channel carries from row to row.
struct ChannelState {
  bool previous = false;  // the row before had a value, judged
  float previousDeviation = 0;
  bool previousReferenced = false;
  bool run = false;  // a run of one value is open
  float runValue = 0;
  double runStart = 0, runEnd = 0;
  float refMin = 0, refMax = 0;
  double divergentSince = -1;
};

struct Thresholds {
  float step, stuckMove, divergence;
  double stuckSeconds;
};

// With `table`, the group's neighbours found already; else found here, on
// the rows judged only.
// Per row, what every group of one engine shares: whether the row is judged
// (the engine has run kSettleSeconds), and how much the step threshold grows
// with the time since the row before.
struct EngineRows {
  std::vector<char> judged;
  std::vector<float> stepScale;
};

EngineRows engineRows(const flight::Flight& flight, std::span<const char> running) {
  EngineRows rows;
  rows.judged.resize(flight.rows());
  rows.stepScale.resize(flight.rows());
  double runningSince = -1;
  for (std::size_t r = 0; r < flight.rows(); ++r) {
    const double t = flight.seconds[r];
    if (!running[r]) {
      runningSince = -1;
    } else if (runningSince < 0) {
      runningSince = t;
    }
    rows.judged[r] = !(runningSince < 0 || t - runningSince < kSettleSeconds);
    const double dt = r ? t - flight.seconds[r - 1] : 0;
    rows.stepScale[r] = static_cast<float>(std::max(1.0, dt / 6));
  }
  return rows;
}

void scanGroup(const flight::Flight& flight, const CylinderGroup& group, const GroupNeighbours* table,
               const EngineRows& rows, const Limits& limits, std::vector<SensorFault>& out) {
  RowNeighbours neighbours;
  const std::size_t n = group.channels.size();
  const flight::Unit unit = flight.channels[static_cast<std::size_t>(group.channels[0])].unit;
  const Thresholds th{static_cast<float>(FahrenheitSpanToUnit(limits.sensorStep, unit)),
                      static_cast<float>(FahrenheitSpanToUnit(limits.sensorStuckMove, unit)),
                      static_cast<float>(FahrenheitSpanToUnit(
                          group.kind == flight::ChannelKind::Cht ? limits.chtDivergence : limits.egtDivergence, unit)),
                      limits.sensorStuckMinutes * 60};
  std::vector<Spans> spans;
  spans.reserve(n);
  for (const int c : group.channels) spans.emplace_back(flight.channels[static_cast<std::size_t>(c)].name, out);
  std::array<ChannelState, kMaxCylinders> state{};
  std::array<float, kMaxCylinders> row{};
  std::array<const float*, kMaxCylinders> columns{};
  for (std::size_t i = 0; i < n; ++i) columns[i] = flight.column(static_cast<std::size_t>(group.channels[i])).data();

  auto closeRun = [&](std::size_t i) {
    ChannelState& s = state[i];
    if (s.run && s.runEnd - s.runStart >= th.stuckSeconds && s.refMax - s.refMin > th.stuckMove)
      spans[i].mark(SensorFaultKind::Stuck, s.runStart, s.runEnd);
    s.run = false;
  };

  for (std::size_t r = 0; r < flight.rows(); ++r) {
    const double t = flight.seconds[r];
    if (!rows.judged[r]) {
      for (std::size_t i = 0; i < n; ++i) {
        closeRun(i);
        state[i].previous = false;
        state[i].divergentSince = -1;
      }
      continue;
    }
    const float step = th.step * rows.stepScale[r];
    for (std::size_t i = 0; i < n; ++i) row[i] = columns[i][r];
    if (!table) neighbours.set(std::span(row.data(), n), true);
    for (std::size_t i = 0; i < n; ++i) {
      ChannelState& s = state[i];
      const float v = row[i];
      if (std::isnan(v) || v == 0) {
        spans[i].mark(SensorFaultKind::Dropout, t, t);
        closeRun(i);
        s.previous = false;
        s.divergentSince = -1;
        continue;
      }
      const float ref = table ? table->medianAt(r, i, 1) : neighbours.medianWithout(v, 1);
      const bool referenced = !std::isnan(ref);
      // Step: the change beyond what the others did, with the same reference both rows.
      const float deviation = referenced ? v - ref : v;
      if (s.previous && s.previousReferenced == referenced && std::fabs(deviation - s.previousDeviation) > step)
        spans[i].mark(SensorFaultKind::Step, flight.seconds[r - 1], t);
      s.previous = true;
      s.previousDeviation = deviation;
      s.previousReferenced = referenced;
      // Stuck: one value while the others' median moves.
      if (s.run && std::fabs(v - s.runValue) < 0.5f) {
        s.runEnd = t;
      } else {
        closeRun(i);
        s.run = true;
        s.runValue = v;
        s.runStart = s.runEnd = t;
        s.refMin = std::numeric_limits<float>::infinity();
        s.refMax = -std::numeric_limits<float>::infinity();
      }
      if (referenced) {
        s.refMin = std::min(s.refMin, ref);
        s.refMax = std::max(s.refMax, ref);
      }
      // Divergent: far from the median of two others or more, for a while.
      if (referenced && (table ? table->othersAt(r) : neighbours.others(v)) >= 2 && std::fabs(v - ref) > th.divergence) {
        if (s.divergentSince < 0) s.divergentSince = t;
        if (t - s.divergentSince >= kDivergentSeconds) spans[i].mark(SensorFaultKind::Divergent, s.divergentSince, t);
      } else {
        s.divergentSince = -1;
      }
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    closeRun(i);
    spans[i].flushAll();
  }
}

}  // namespace

std::vector<SensorFault> FindSensorFaults(const flight::Flight& flight, const Limits& limits) {
  // Alone, the groups without their neighbours: the scan finds them on the rows it judges.
  std::vector<GroupNeighbours> egts;
  for (CylinderGroup& g : CylinderGroups(flight, flight::ChannelKind::Egt)) egts.push_back({std::move(g), {}, {}});
  return FindSensorFaults(flight, limits, egts);
}

std::vector<SensorFault> FindSensorFaults(const flight::Flight& flight, const Limits& limits,
                                          std::span<const GroupNeighbours> egts) {
  std::vector<SensorFault> faults;
  // The running engine is worked out once per engine.
  std::array<EngineRows, 3> rows;
  std::array<bool, 3> known{};
  auto scan = [&](const CylinderGroup& g, const GroupNeighbours* table) {
    const auto e = static_cast<std::size_t>(g.engine);
    if (!known[e]) {
      const CylinderGroup* egt = nullptr;
      for (const GroupNeighbours& x : egts)
        if (x.group.engine == g.engine) egt = &x.group;
      rows[e] = engineRows(flight, engineRunning(flight, g.engine, egt));
      known[e] = true;
    }
    scanGroup(flight, g, table, rows[e], limits, faults);
  };
  for (const GroupNeighbours& g : egts) scan(g.group, g.values.empty() ? nullptr : &g);
  // Only the sensor faults judge the CHTs against their neighbours.
  for (const CylinderGroup& g : CylinderGroups(flight, flight::ChannelKind::Cht)) scan(g, nullptr);
  std::stable_sort(faults.begin(), faults.end(),
                   [](const SensorFault& a, const SensorFault& b) { return a.start < b.start; });
  return faults;
}

bool SameSensing(const Limits& a, const Limits& b) {
  return a.sensorStep == b.sensorStep && a.sensorStuckMove == b.sensorStuckMove && a.chtDivergence == b.chtDivergence &&
         a.egtDivergence == b.egtDivergence && a.sensorStuckMinutes == b.sensorStuckMinutes;
}

bool FaultAt(std::span<const SensorFault> faults, std::string_view channel, double seconds) {
  return std::any_of(faults.begin(), faults.end(), [&](const SensorFault& f) {
    return f.channel == channel && f.start <= seconds && seconds <= f.end;
  });
}

std::string SensorFaultText(const SensorFault& fault, double startOfDay) {
  const char* what = "reads like a loose probe";
  switch (fault.kind) {
    case SensorFaultKind::Step: break;
    case SensorFaultKind::Dropout: what = "drops out with the engine running, like a loose probe"; break;
    case SensorFaultKind::Stuck: what = "is stuck at one value while the other cylinders move"; break;
    case SensorFaultKind::Divergent: what = "reads far from the other cylinders, like a failing probe"; break;
  }
  const std::string from = flight::ClockMinutesText(startOfDay + fault.start), to = flight::ClockMinutesText(startOfDay + fault.end);
  return fault.channel + " " + what + " from " + from + (to == from ? "" : " to " + to);
}

ResultSections SensorFaultSections(const std::vector<SensorFault>& faults) {
  ResultSection s;
  s.title = kEngineLinesTitle;
  ResultLine line{ResultCell::Text("Sensors: ")};
  for (const SensorFault& x : faults) {
    if (line.size() > 1) line.push_back(ResultCell::Text(", ", true));
    line.push_back(ResultCell::Text(x.channel + " " + NameWords(SensorFaultKindName(x.kind)) + " from ", true));
    line.push_back(ResultCell::Time(x.start));
    line.back().strong = true;
  }
  if (line.size() == 1) line = {ResultCell::Text("Sensors: no probe reads like a fault")};
  s.lines.push_back(std::move(line));
  return {s};
}

Json SensorFaultsJson(const std::vector<SensorFault>& faults) {
  Json list = Json::array();
  for (const SensorFault& f : faults)
    list.push_back(Json::object({{"channel", JsonText(f.channel)},
                                 {"kind", SensorFaultKindName(f.kind)},
                                 {"start_s", JsonValue(f.start)},
                                 {"end_s", JsonValue(f.end)}}));
  return list;
}

}  // namespace varnix::analysis
