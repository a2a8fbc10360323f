// SPDX-License-Identifier: MIT
#include "analysis/mag_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace varnix::analysis {

namespace {

constexpr double kDipRpm = 25;        // below the level: on one magneto (a row taken at the switch shows less)
constexpr double kBackRpm = 15;       // within this of the level: back on both
constexpr double kMapHold = 1.0;      // in Hg; MAP rises a little on one magneto and settles after the throttle, more is the throttle
constexpr double kLevelSeconds = 10;  // the both-magneto level is the mean of this long before
constexpr double kMaxDipSeconds = 60;
constexpr double kRunupLowRpm = 1450, kRunupHighRpm = 2150, kRunupHeldRpm = 1650, kTakeoffRpm = 2200;
constexpr double kRunupSeconds = 15;

struct EngineChannels {
  int rpm = -1, map = -1;
  std::vector<int> egts;
};

EngineChannels channelsOf(const flight::Flight& flight, flight::Engine e) {
  EngineChannels c;
  c.rpm = flight::FindChannel(flight.channels, flight::ChannelKind::Rpm, e);
  c.map = flight::FindChannel(flight.channels, flight::ChannelKind::Map, e);
  for (std::size_t i = 0; i < flight.channels.size(); ++i) {
    const flight::Channel& ch = flight.channels[i];
    if (ch.kind == flight::ChannelKind::Egt && ch.engine == e && ch.cylinder > 0) c.egts.push_back(static_cast<int>(i));
  }
  return c;
}

double meanOf(std::span<const float> v, std::size_t a, std::size_t b) {
  double sum = 0;
  int n = 0;
  for (std::size_t r = a; r <= b; ++r)
    if (std::isfinite(v[r])) sum += v[r], ++n;
  return n ? sum / n : NAN;
}

std::string numberText(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.0f", v);
  return buf;
}

void addCaution(MagCheck* check, const std::string& text) {
  if (!check->caution.empty()) check->caution += "; ";
  check->caution += text;
}

// The interval [r, q] on one magneto after the level rows [l, r - 1].
MagCheck judge(const flight::Flight& flight, const Limits& limits, const EngineChannels& eng, std::size_t l, std::size_t r,
               std::size_t q) {
  const auto rpm = flight.column(eng.rpm);
  MagCheck check;
  check.start_s = flight.seconds[r];
  check.end_s = flight.seconds[q];
  check.rows = static_cast<int>(q - r + 1);
  // The first row may have been taken as the switch turned.
  const std::size_t from = q - r + 1 >= 3 ? r + 1 : r;
  check.rpm_drop = meanOf(rpm, l, r - 1) - meanOf(rpm, from, q);
  int wrong = 0, judged = 0;
  for (int c : eng.egts) {
    const auto egt = flight.column(c);
    const double level = meanOf(egt, l, r - 1), on = meanOf(egt, from, q);
    if (!std::isfinite(level) || !std::isfinite(on)) continue;
    const flight::Unit unit = flight.channels[c].unit;
    const double lo = FahrenheitSpanToUnit(limits.magRiseMin, unit), hi = FahrenheitSpanToUnit(limits.magRiseMax, unit);
    bool up = false, down = false;
    for (std::size_t k = from; k <= q; ++k) {
      if (!std::isfinite(egt[k])) continue;
      up = up || egt[k] - level >= lo;
      down = down || egt[k] - level <= -lo;
    }
    const double rise = on - level;
    check.rises.push_back({flight.channels[c].name, rise});
    ++judged;
    if (rise < lo || rise > hi || (up && down)) ++wrong;
  }
  if (check.rows < 2 || judged == 0) check.verdict = MagVerdict::TooCoarse;
  else if (wrong == 0) check.verdict = MagVerdict::Normal;
  else if (wrong * 2 <= judged) check.verdict = MagVerdict::Plug;
  else check.verdict = MagVerdict::Magneto;
  if (check.verdict != MagVerdict::TooCoarse && check.rpm_drop > limits.magDropMax)
    addCaution(&check, "RPM drop " + numberText(check.rpm_drop) + " is more than " + numberText(limits.magDropMax));
  return check;
}

void checksIn(const flight::Flight& flight, const Limits& limits, const EngineChannels& eng, std::size_t a, std::size_t b,
              std::vector<MagCheck>* found) {
  const auto rpm = flight.column(eng.rpm);
  const std::span<const float> map = eng.map >= 0 ? flight.column(eng.map) : std::span<const float>();
  const auto& t = flight.seconds;
  auto valid = [&](std::size_t k) { return std::isfinite(rpm[k]) && (map.empty() || std::isfinite(map[k])); };
  const std::size_t firstFound = found->size();
  std::size_t level = a;  // first row of the present both-magneto level
  std::size_t r = a;
  while (r <= b) {
    if (!valid(r)) {
      level = ++r;
      continue;
    }
    if (r == level) {
      ++r;
      continue;
    }
    std::size_t l = r - 1;
    while (l > level && t[l - 1] >= t[r] - kLevelSeconds) --l;
    const double refRpm = meanOf(rpm, l, r - 1);
    const double refMap = map.empty() ? 0 : meanOf(map, l, r - 1);
    auto mapHeld = [&](std::size_t k) { return map.empty() || std::fabs(map[k] - refMap) <= kMapHold; };
    if (std::fabs(rpm[r] - refRpm) < kDipRpm) {
      ++r;
      continue;
    }
    if (rpm[r] > refRpm || !mapHeld(r)) {  // the throttle or the propeller: a new level
      level = r++;
      continue;
    }
    std::size_t q = r;
    while (q + 1 <= b && valid(q + 1) && mapHeld(q + 1) && rpm[q + 1] < refRpm - kBackRpm &&
           t[q + 1] - t[r] <= kMaxDipSeconds)
      ++q;
    const bool back = q + 1 <= b && valid(q + 1) && mapHeld(q + 1) && rpm[q + 1] >= refRpm - kBackRpm;
    if (back) found->push_back(judge(flight, limits, eng, l, r, q));
    level = q + 1;
    r = q + 1;
  }
  // The two magnetos: the first two intervals of this run-up that could be judged.
  MagCheck* pair[2] = {};
  int n = 0;
  for (std::size_t k = firstFound; k < found->size() && n < 2; ++k)
    if ((*found)[k].verdict != MagVerdict::TooCoarse) pair[n++] = &(*found)[k];
  if (n == 2) {
    const double difference = std::fabs(pair[0]->rpm_drop - pair[1]->rpm_drop);
    if (difference > limits.magDropDifference) {
      const std::string text = "the magnetos' drops differ by " + numberText(difference) + ", more than " +
                               numberText(limits.magDropDifference);
      addCaution(pair[0], text);
      addCaution(pair[1], text);
    }
  }
}

std::vector<flight::Engine> enginesWithRpm(const flight::Flight& flight) {
  std::vector<flight::Engine> engines;
  for (flight::Engine e : {flight::Engine::Only, flight::Engine::Left, flight::Engine::Right})
    if (flight::FindChannel(flight.channels, flight::ChannelKind::Rpm, e) >= 0) engines.push_back(e);
  return engines;
}

void sortByTime(std::vector<MagCheck>* found) {
  std::stable_sort(found->begin(), found->end(),
                   [](const MagCheck& x, const MagCheck& y) { return x.start_s < y.start_s; });
}

}  // namespace

std::string_view MagVerdictName(MagVerdict verdict) {
  switch (verdict) {
    case MagVerdict::Normal: return "normal";
    case MagVerdict::Plug: return "plug";
    case MagVerdict::Magneto: return "magneto";
    case MagVerdict::TooCoarse: return "too_coarse";
  }
  return "normal";
}

std::vector<MagCheck> CheckMagnetos(const flight::Flight& flight, const Limits& limits, std::span<const PhaseSpan> runups) {
  std::vector<MagCheck> found;
  for (flight::Engine e : enginesWithRpm(flight)) {
    const EngineChannels eng = channelsOf(flight, e);
    if (eng.egts.empty()) continue;
    for (const PhaseSpan& span : runups) {
      std::size_t a = 0, b = 0;
      if (RowsWithin(flight, span.start, span.end, &a, &b)) checksIn(flight, limits, eng, a, b, &found);
    }
  }
  sortByTime(&found);
  return found;
}

std::vector<MagCheck> CheckMagnetos(const flight::Flight& flight, const Limits& limits) {
  return CheckMagnetos(flight, limits, FindPhaseSpans(flight));
}

std::vector<MagCheck> CheckMagnetos(const flight::Flight& flight, const Limits& limits, const FlightPhases& known) {
  const std::vector<PhaseSpan> phases = known.of(Phase::Runup);
  if (!phases.empty()) return CheckMagnetos(flight, limits, phases);
  std::vector<MagCheck> found;
  for (flight::Engine e : enginesWithRpm(flight)) {
    const EngineChannels eng = channelsOf(flight, e);
    if (eng.egts.empty()) continue;
    for (const PhaseSpan& span : FindRunup(flight, e)) {
      std::size_t a = 0, b = 0;
      if (RowsWithin(flight, span.start, span.end, &a, &b)) checksIn(flight, limits, eng, a, b, &found);
    }
  }
  sortByTime(&found);
  return found;
}

std::vector<PhaseSpan> FindRunup(const flight::Flight& flight, flight::Engine engine) {
  const int rpmChannel = flight::FindChannel(flight.channels, flight::ChannelKind::Rpm, engine);
  if (rpmChannel < 0 || flight.rows() == 0) return {};
  const int flowChannel = flight::FindChannel(flight.channels, flight::ChannelKind::FuelFlow, engine);
  const auto rpm = flight.column(rpmChannel);
  const std::span<const float> flow = flowChannel >= 0 ? flight.column(flowChannel) : std::span<const float>();
  double highestFlow = 0;
  for (float f : flow)
    if (std::isfinite(f)) highestFlow = std::max(highestFlow, static_cast<double>(f));
  std::size_t takeoff = 0;
  while (takeoff < flight.rows() && !(rpm[takeoff] >= kTakeoffRpm)) ++takeoff;

  PhaseSpan best;
  bool any = false;
  std::size_t start = 0;
  bool in = false, held = false;
  for (std::size_t r = 0; r <= takeoff; ++r) {
    const bool ok = r < takeoff && rpm[r] >= kRunupLowRpm && rpm[r] <= kRunupHighRpm &&
                    (flow.empty() || !std::isfinite(flow[r]) || flow[r] <= highestFlow / 2);
    if (ok && !in) start = r, in = true, held = false;
    if (ok) held = held || rpm[r] >= kRunupHeldRpm;
    if (!ok && in) {
      in = false;
      const double from = flight.seconds[start], to = flight.seconds[r - 1];
      if (held && to - from >= kRunupSeconds && (!any || to - from > best.end - best.start)) {
        best = {Phase::Runup, from, to};
        any = true;
      }
    }
  }
  if (!any) return {};
  return {best};
}

ResultSections MagCheckSections(const flight::Flight& f, const std::vector<MagCheck>& checks) {
  const std::string degrees(flight::UnitText(EngineUnit(f.facts)));
  ResultSection s;
  s.title = "Magneto check";
  if (checks.empty()) {
    s.empty = "No magneto check in the run-up.";
    return {s};
  }
  std::vector<std::string> channels;  // one column per cylinder any check has, in cylinder order
  for (const MagCheck& m : checks)
    for (const MagRise& r : m.rises)
      if (std::find(channels.begin(), channels.end(), r.channel) == channels.end()) channels.push_back(r.channel);
  const bool anyCaution = std::any_of(checks.begin(), checks.end(), [](const MagCheck& m) { return !m.caution.empty(); });
  s.lines.push_back({ResultCell::Text("Each EGT's rise on one magneto, in " + degrees + ".")});
  s.columns = {{"Time", ""}, {"RPM drop", ""}, {"Verdict", ""}};
  for (const std::string& c : channels) s.columns.push_back({c, degrees});
  if (anyCaution) s.columns.push_back({"Caution", ""});
  for (const MagCheck& m : checks) {
    const Tone tone = m.verdict == MagVerdict::Normal                                    ? Tone::Good
                      : m.verdict == MagVerdict::Plug || m.verdict == MagVerdict::Magneto ? Tone::Warning
                                                                                           : Tone::Caution;
    ResultRow row{{ResultCell::Time(m.start_s), ResultCell::Value(m.rpm_drop, 0, "RPM"),
                   ResultCell::Text(NameWords(MagVerdictName(m.verdict), true)).toned(tone)},
                  m.start_s, m.end_s, m.start_s};
    for (const std::string& c : channels) {
      const auto rise = std::find_if(m.rises.begin(), m.rises.end(), [&](const MagRise& x) { return x.channel == c; });
      row.cells.push_back(rise == m.rises.end() ? ResultCell::Text("") : ResultCell::Value(rise->rise, 0, degrees));
    }
    if (anyCaution) row.cells.push_back(ResultCell::Text(m.caution));
    s.rows.push_back(std::move(row));
  }
  return {s};
}

Json MagChecksJson(const std::vector<MagCheck>& checks) {
  Json list = Json::array();
  for (const MagCheck& m : checks) {
    Json rises = Json::array();
    for (const MagRise& r : m.rises) rises.push_back(Json::object({{"channel", JsonText(r.channel)}, {"rise", JsonValue(r.rise)}}));
    list.push_back(Json::object({{"start_s", JsonValue(m.start_s)},
                                 {"end_s", JsonValue(m.end_s)},
                                 {"rpm_drop", JsonValue(m.rpm_drop)},
                                 {"verdict", MagVerdictName(m.verdict)},
                                 {"rises", std::move(rises)},
                                 {"caution", JsonTextOrNull(m.caution)},
                                 {"rows", m.rows}}));
  }
  return list;
}

}  // namespace varnix::analysis
