// SPDX-License-Identifier: MIT
#include "analysis/power_mixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>

#include "analysis/smoothing.h"
#include "flight/clock_text.h"

namespace varnix::analysis {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kRatedMap = 29.0;    // inHg: full throttle at sea level
constexpr double kRatedRpm = 2700.0;
constexpr double kSmooth = 20;            // seconds EGT and fuel flow are smoothed over
constexpr double kStepSeconds = 30;       // a fuel-flow change is looked at over this time
constexpr double kFlowChange = 0.02;      // of the fuel flow, and at least 0.2 GPH
constexpr double kFlowChangeGph = 0.2;
constexpr double kFlowChangeMax = 0.15;   // a bigger change may jump over the peak: it tells nothing
constexpr double kSteady = 0.02;          // RPM and MAP move less than this meanwhile
constexpr double kSteadyBefore = 30;      // seconds before the change they were steady too (the EGT lags)
constexpr double kEgtAnswer = 5;          // °F the EGT must move to count
constexpr double kLeaningLead = 120;      // a leaning just before the cruise counts for it
constexpr double kSettledSpan = 120;      // s of cruise after a sweep that say where the mixture settled
constexpr double kLeaningSpan = 300;      // ... as does one in its first five minutes
constexpr double kPeakRise = 10;          // °F the EGT rose to its peak
constexpr double kPeakFall = 10;          // °F it fell beyond it
constexpr double kLopShare = 0.65;        // of the takeoff's fuel flow per percent: lean of peak
constexpr double kTakeoffPercent = 90;    // recorded power of the takeoff's rows, full rich
constexpr double kCruiseLeast = 40;       // percent: rows under it are no cruise power
constexpr int kLeastRows = 10;

int channelOf(const flight::Flight& flight, flight::ChannelKind kind, flight::Engine engine) {
  for (std::size_t c = 0; c < flight.channels.size(); ++c)
    if (flight.channels[c].kind == kind && flight.channels[c].engine == engine) return static_cast<int>(c);
  return -1;
}

double at(const flight::Flight& flight, int channel, std::size_t row) {
  return channel < 0 ? kNaN : static_cast<double>(flight.columns[static_cast<std::size_t>(channel)][row]);
}

// Gallons per hour in one of the flow's units (avgas 6 lb and 2.72 kg a gallon).
double gallonsPerUnit(flight::Unit flow) {
  switch (flow) {
    case flight::Unit::LitresPerHour: return 1 / 3.785;
    case flight::Unit::PoundsPerHour: return 1 / 6.0;
    case flight::Unit::KilogramsPerHour: return 1 / 2.72;
    default: return 1;
  }
}


std::string number(double v, int decimals = 0) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// A moment of the flight in its evidence, as the times beside it read: its clock time.
std::string momentText(const flight::Flight& flight, double seconds) {
  return flight::ClockText(flight.startOfDay + seconds);
}

// The power channels a fuel-flow change was held steady on: only those the
// flight has (a missing one was never judged).
std::string steadyPowerText(bool rpm, bool map) {
  if (rpm && map) return " at steady RPM and MAP";
  if (rpm) return " at steady RPM";
  if (map) return " at steady MAP";
  return {};
}

// The share `q` (0.5: the median) of `v`; NaN when empty.
double quantileOf(std::vector<double> v, double q) {
  if (v.empty()) return kNaN;
  const auto k = static_cast<std::ptrdiff_t>(q * static_cast<double>(v.size() - 1));
  std::nth_element(v.begin(), v.begin() + k, v.end());
  return v[static_cast<std::size_t>(k)];
}

// The share `q` of the fuel flow per percent of recorded power over rows
// [a, b] whose power is at least `least` percent; NaN for too few rows.
double flowPerPercent(const flight::Flight& flight, int flow, int power, std::size_t a, std::size_t b, double least,
                      double q) {
  std::vector<double> v;
  for (std::size_t r = a; r <= b && r < flight.rows(); ++r) {
    const double f = at(flight, flow, r), p = at(flight, power, r);
    if (std::isfinite(f) && std::isfinite(p) && p >= least && f > 0) v.push_back(f / p);
  }
  return static_cast<int>(v.size()) >= kLeastRows ? quantileOf(std::move(v), q) : kNaN;
}

}  // namespace

std::string_view MixtureStateName(MixtureState state) {
  switch (state) {
    case MixtureState::RichOfPeak: return "rich_of_peak";
    case MixtureState::LeanOfPeak: return "lean_of_peak";
    case MixtureState::Unknown: return "unknown";
  }
  return "unknown";
}

RowPower PercentPower(const flight::Flight& flight, const Limits& limits, bool leanOfPeak) {
  RowPower out;
  const std::size_t n = flight.rows();
  const flight::Engine engine = PhaseEngine(flight);
  if (const int recorded = channelOf(flight, flight::ChannelKind::PowerPercent, engine); recorded >= 0) {
    const std::span<const float> v = flight.column(static_cast<std::size_t>(recorded));
    out.percent.assign(v.begin(), v.end());
    out.method = "recorded";
    return out;
  }
  if (leanOfPeak) {
    const int flow = channelOf(flight, flight::ChannelKind::FuelFlow, engine);
    if (flow < 0) out.why = "no fuel flow";
    else if (!(limits.ratedHp > 0)) out.why = "rated_hp unknown";
    else if (!(limits.compressionRatio > 0)) out.why = "compression_ratio unknown";
    if (!out.why.empty()) return out;
    // Lean of peak every drop of fuel burns: power follows fuel flow alone.
    const double hpPerGph = 1.1604 * limits.compressionRatio + 5.03;
    const double toGph = gallonsPerUnit(flight.channels[static_cast<std::size_t>(flow)].unit);
    out.percent.resize(n);
    for (std::size_t r = 0; r < n; ++r)
      out.percent[r] = static_cast<float>(100 * at(flight, flow, r) * toGph * hpPerGph / limits.ratedHp);
    out.method = "fuel_flow_lop";
    return out;
  }
  const int rpm = channelOf(flight, flight::ChannelKind::Rpm, engine), map = channelOf(flight, flight::ChannelKind::Map, engine);
  if (rpm < 0 || map < 0) {
    out.why = "no RPM and MAP";
    return out;
  }
  out.percent.resize(n);
  for (std::size_t r = 0; r < n; ++r)
    out.percent[r] = static_cast<float>(100 * at(flight, map, r) / kRatedMap * at(flight, rpm, r) / kRatedRpm);
  out.method = "rpm_map_rop";
  return out;
}

PowerMixture AnalysePowerMixture(const flight::Flight& flight, const Limits& limits, std::span<const PhaseSpan> phases) {
  PowerMixture out;
  const std::size_t n = flight.rows();
  if (n == 0) {
    out.power.why = "no rows";
    return out;
  }
  const flight::Engine engine = PhaseEngine(flight);
  const int flow = channelOf(flight, flight::ChannelKind::FuelFlow, engine), rpm = channelOf(flight, flight::ChannelKind::Rpm, engine),
            map = channelOf(flight, flight::ChannelKind::Map, engine);
  std::vector<int> egts;
  for (std::size_t c = 0; c < flight.channels.size(); ++c)
    if (flight.channels[c].kind == flight::ChannelKind::Egt && flight.channels[c].engine == engine)
      egts.push_back(static_cast<int>(c));
  const flight::Unit egtUnit = egts.empty() ? flight::Unit::DegreesF : flight.channels[static_cast<std::size_t>(egts[0])].unit;
  const std::string egtText(flight::UnitText(egtUnit));
  const std::string flowText(flow < 0 ? "" : flight::UnitText(flight.channels[static_cast<std::size_t>(flow)].unit));
  const double toGph = flow < 0 ? 1 : gallonsPerUnit(flight.channels[static_cast<std::size_t>(flow)].unit);

  std::vector<float> egt, ff;
  if (flow >= 0 && !egts.empty()) {
    egt.assign(n, static_cast<float>(kNaN));
    for (std::size_t r = 0; r < n; ++r) {
      double sum = 0;
      int count = 0;
      for (int c : egts)
        if (const double v = at(flight, c, r); !std::isnan(v)) sum += v, ++count;
      if (count) egt[r] = static_cast<float>(sum / count);
    }
    egt = Smoothed(egt, flight.seconds, kSmooth);
    ff = Smoothed(flight.column(static_cast<std::size_t>(flow)), flight.seconds, kSmooth);
  }
  // How far a channel's unsmoothed values range over rows [a, b], against their mean.
  auto spread = [&](int channel, std::size_t a, std::size_t b) {
    if (channel < 0) return 0.0;
    double lo = kNaN, hi = kNaN, sum = 0;
    long count = 0;
    for (std::size_t r = a; r <= b; ++r)
      if (const double v = at(flight, channel, r); !std::isnan(v)) {
        lo = count ? std::min(lo, v) : v;
        hi = count ? std::max(hi, v) : v;
        sum += v, ++count;
      }
    return count ? (hi - lo) / std::max(std::fabs(sum / static_cast<double>(count)), 1.0) : 0.0;
  };
  auto flowStep = [&](double base) { return std::max(kFlowChange * base, kFlowChangeGph / toGph); };

  for (const PhaseSpan& s : phases) {
    if (s.phase != Phase::Cruise) continue;
    MixtureSegment seg;
    seg.start_s = s.start;
    seg.end_s = s.end;
    if (ff.empty()) {
      seg.evidence = flow < 0 ? "no fuel flow" : "no EGT";
      out.mixture.push_back(seg);
      continue;
    }
    const std::size_t first = flight.rowAt(s.start), last = std::min(flight.rowAt(s.end), n - 1);
    // A leaning through the peak: fuel flow falling all along, the EGT
    // rising to a peak and falling beyond it.
    const std::size_t from = flight.rowAt(s.start - kLeaningLead),
                      to = std::min(last, flight.rowAt(s.start + kLeaningSpan));
    std::size_t peak = from;
    for (std::size_t r = from; r <= to; ++r)
      if (egt[r] > egt[peak] || std::isnan(egt[peak])) peak = r;
    if (!std::isnan(egt[peak]) && !std::isnan(egt[from]) && !std::isnan(egt[to]) &&
        egt[peak] - egt[from] >= FahrenheitSpanToUnit(kPeakRise, egtUnit) &&
        egt[peak] - egt[to] >= FahrenheitSpanToUnit(kPeakFall, egtUnit) &&
        ff[from] - ff[peak] >= flowStep(ff[peak]) && ff[peak] - ff[to] >= flowStep(ff[peak])) {
      const std::string crossed = "leaning crossed the EGT peak of " + number(egt[peak]) + " " + egtText + " at " +
                                  number(ff[peak], 1) + " " + flowText + " (" + momentText(flight, flight.seconds[peak]) + ")";
      // A sweep is often a test: the cruise is flown at the setting the
      // pilot went back to, rich of the peak when it burns more than it.
      std::vector<float> after;
      for (std::size_t r = to + 1; r <= last; ++r)
        if (!std::isnan(ff[r])) after.push_back(ff[r]);
      const bool settles = !after.empty() && flight.seconds[last] - flight.seconds[to] >= kSettledSpan;
      double settled = kNaN;
      if (settles) {
        std::nth_element(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(after.size() / 2), after.end());
        settled = after[after.size() / 2];
      }
      if (settles && settled - ff[peak] >= flowStep(ff[peak])) {
        seg.state = MixtureState::RichOfPeak;
        seg.evidence = crossed + ", then the mixture went back to " + number(settled, 1) + " " + flowText +
                       ", richer than the peak";
      } else {
        seg.state = MixtureState::LeanOfPeak;
        seg.evidence = crossed + "; " + number(egt[peak] - egt[to]) + " " + egtText + " lean of it at " +
                       number(ff[to], 1) + " " + flowText;
      }
      out.mixture.push_back(seg);
      continue;
    }
    // The last quick pull before or in the cruise: the side of the peak it ended on.
    const std::vector<QuickPull> pulls = FindQuickPulls(flight, engine, from, last);
    if (!pulls.empty() && pulls.back().side != PullSide::Unclear) {
      seg.state = pulls.back().side == PullSide::LeanOfPeak ? MixtureState::LeanOfPeak : MixtureState::RichOfPeak;
      seg.pulled = true;
      seg.pull = pulls.back();
      seg.evidence = "the quick pull at " + momentText(flight, seg.pull.start_s) + ": " + seg.pull.seen;
      out.mixture.push_back(seg);
      continue;
    }
    // The EGT's answer to each fuel-flow change at steady RPM and MAP.
    int lean = 0, rich = 0;
    double biggest = 0;
    std::string biggestText;
    std::size_t a0 = flight.rowAt(flight.seconds[first] - kSteadyBefore), b1 = first;
    for (std::size_t a = first; a < last;) {
      std::size_t b = a;
      while (b < last && flight.seconds[b] - flight.seconds[a] < kStepSeconds) ++b;
      // The whole of a change the window caught the start of.
      while (b + 1 < last && flight.seconds[b + 1] - flight.seconds[a] <= 2 * kStepSeconds &&
             std::fabs(ff[b + 1] - ff[a]) > std::fabs(ff[b] - ff[a]))
        ++b;
      const double dFlow = ff[b] - ff[a], dEgt = egt[b] - egt[a];
      // RPM and MAP steady from before the change to past what the smoothing saw of it.
      while (flight.seconds[a0] < flight.seconds[a] - kSteadyBefore) ++a0;
      if (b1 < b) b1 = b;
      while (b1 + 1 < n && flight.seconds[b1 + 1] <= flight.seconds[b] + kSmooth / 2) ++b1;
      if (!(std::fabs(dFlow) >= flowStep(ff[a])) || !(std::fabs(dEgt) >= FahrenheitSpanToUnit(kEgtAnswer, egtUnit)) ||
          spread(rpm, a0, b1) > kSteady || spread(map, a0, b1) > kSteady || spread(flow, a0, b1) > kFlowChangeMax) {
        ++a;
        continue;
      }
      const bool same = (dFlow > 0) == (dEgt > 0);
      ++(same ? lean : rich);
      if (std::fabs(dFlow) > biggest) {
        biggest = std::fabs(dFlow);
        biggestText = std::string("EGT ") + (dEgt > 0 ? "rose " : "fell ") + number(std::fabs(dEgt)) + " " + egtText +
                      " as fuel flow " + (dFlow > 0 ? "rose " : "fell ") + number(std::fabs(dFlow), 1) + " " +
                      flowText + steadyPowerText(rpm >= 0, map >= 0) + " (" + momentText(flight, flight.seconds[a]) + ")";
      }
      a = b;
    }
    if (lean + rich == 0 && !pulls.empty()) {
      seg.pulled = true;
      seg.pull = pulls.back();
      seg.evidence = "the quick pull at " + momentText(flight, seg.pull.start_s) + " did not show the side of the peak: " + seg.pull.seen;
    } else if (lean + rich == 0) {
      seg.evidence = "no leaning through the peak and no fuel-flow change at steady power";
    } else if (lean == rich) {
      seg.evidence = "as many fuel-flow changes moved the EGT with them as against them";
    } else {
      seg.state = lean > rich ? MixtureState::LeanOfPeak : MixtureState::RichOfPeak;
      seg.evidence = biggestText + "; " + std::to_string(std::max(lean, rich)) + " of " + std::to_string(lean + rich) +
                     " changes so";
    }
    out.mixture.push_back(seg);
  }

  // The second line of evidence: fuel flow per percent of recorded power,
  // the cruise's against the takeoff's.
  if (const int power = channelOf(flight, flight::ChannelKind::PowerPercent, engine); power >= 0 && flow >= 0) {
    // The takeoff's richest quarter: the climb that follows may already be leaned.
    const double takeoff = flowPerPercent(flight, flow, power, 0, n - 1, kTakeoffPercent, 0.75);
    for (MixtureSegment& m : out.mixture) {
      const double cruise = flowPerPercent(flight, flow, power, flight.rowAt(m.start_s), flight.rowAt(m.end_s), kCruiseLeast, 0.5);
      if (!std::isfinite(takeoff) || !std::isfinite(cruise)) continue;
      m.flowShare = cruise / takeoff;
      if (m.flowShare > kLopShare) continue;
      m.powerEvidence = number(cruise, 3) + " " + flowText + " per percent of power in cruise, " + number(m.flowShare, 2) +
                        " of the takeoff's " + number(takeoff, 3) + ": a fuel flow only lean of peak gives";
      if (m.state == MixtureState::Unknown) {
        m.state = MixtureState::LeanOfPeak;
      } else if (m.state == MixtureState::RichOfPeak) {
        m.state = MixtureState::Unknown;
        m.powerEvidence += ", against the rich of peak the EGTs showed";
      }
    }
  }

  // The cruise's power: lean of peak from fuel flow when every judged
  // cruise was lean of peak, else from RPM and MAP.
  bool anyLean = false, allLean = true;
  for (const MixtureSegment& m : out.mixture) {
    if (m.state == MixtureState::LeanOfPeak) anyLean = true;
    if (m.state == MixtureState::RichOfPeak) allLean = false;
  }
  const RowPower rows = PercentPower(flight, limits, anyLean && allLean);
  out.power.method = rows.method;
  if (rows.method.empty()) {
    out.power.why = rows.why;
    return out;
  }
  double sum = 0;
  long count = 0;
  for (const PhaseSpan& s : phases) {
    if (s.phase != Phase::Cruise) continue;
    for (std::size_t r = flight.rowAt(s.start); r < n && flight.seconds[r] < s.end; ++r)
      if (!std::isnan(rows.percent[r])) sum += rows.percent[r], ++count;
  }
  if (count == 0) {
    out.power.why = out.mixture.empty() ? "no cruise" : "no power values in the cruise";
    return out;
  }
  out.power.judged = true;
  out.power.cruise_percent = sum / static_cast<double>(count);
  return out;
}

PowerMixture AnalysePowerMixture(const flight::Flight& flight, const Limits& limits) {
  const FlightPhases phases = FindPhaseSpans(flight);
  return AnalysePowerMixture(flight, limits, phases.spans);
}

ResultSections PowerMixtureSections(const PowerMixture& pm) {
  ResultSection s;
  s.title = kEngineLinesTitle;
  const CruisePower& p = pm.power;
  if (p.judged)
    s.lines.push_back({ResultCell::Text("Power in cruise: "), ResultCell::Value(p.cruise_percent, 0, "%", true),
                       ResultCell::Text(" (" + NameWords(p.method) + ")")});
  else
    s.lines.push_back({ResultCell::Text("Power in cruise: not judged (" + p.why + ")")});
  for (const MixtureSegment& m : pm.mixture) {
    s.lines.push_back({ResultCell::Text("Cruise from "), ResultCell::Time(m.start_s), ResultCell::Text(": "),
                       ResultCell::Text(NameWords(MixtureStateName(m.state)), true),
                       ResultCell::Text(" — " + m.evidence)});
    if (!m.powerEvidence.empty()) s.lines.push_back({ResultCell::Text("  and " + m.powerEvidence)});
  }
  if (pm.mixture.empty()) s.lines.push_back({ResultCell::Text("Mixture: no cruise to judge.")});
  return {s};
}

Json PowerJson(const CruisePower& p) {
  return Json::object({{"cruise_percent", p.judged ? JsonValue(p.cruise_percent) : Json(nullptr)},
                       {"method", JsonTextOrNull(p.method)},
                       {"why", p.judged ? Json(nullptr) : JsonText(p.why)}});
}

namespace {

Json pullJson(const QuickPull& p) {
  const char* side = p.side == PullSide::LeanOfPeak ? "lean_of_peak" : p.side == PullSide::RichOfPeak ? "rich_of_peak" : "unclear";
  return Json::object({{"start_s", JsonValue(p.start_s)},
                       {"end_s", JsonValue(p.end_s)},
                       {"flow_from", JsonValue(p.flowFrom)},
                       {"flow_to", JsonValue(p.flowTo)},
                       {"side", side},
                       {"seen", JsonText(p.seen)}});
}

}  // namespace

Json MixtureJson(const std::vector<MixtureSegment>& segments) {
  Json list = Json::array();
  for (const MixtureSegment& m : segments)
    list.push_back(Json::object({{"start_s", JsonValue(m.start_s)},
                                 {"end_s", JsonValue(m.end_s)},
                                 {"state", MixtureStateName(m.state)},
                                 {"evidence", JsonText(m.evidence)},
                                 {"pull", m.pulled ? pullJson(m.pull) : Json(nullptr)},
                                 {"flow_share", JsonValue(m.flowShare)},
                                 {"power_evidence", JsonTextOrNull(m.powerEvidence)}}));
  return list;
}

}  // namespace varnix::analysis
