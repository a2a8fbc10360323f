// SPDX-License-Identifier: MIT
#include "analysis/mag_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "analysis/median.h"

namespace varnix::analysis {

namespace {

constexpr double kDipRpm = 15;         // below the level: a dip (the SR22T's checks at 1700 RPM drop 20-45)
constexpr double kListRpm = 25;        // a dip that is no check is told from this deep (smaller ones are the RPM's wander)
constexpr double kBackRpm = 15;        // within this of the level: back on both
constexpr double kLevelSeconds = 3;    // the both-magneto level is taken from this long before a dip
constexpr double kMapHold = 1.0;       // in Hg; MAP rises a little on one magneto, more is the propeller or throttle
constexpr double kNearLowest = 20;     // RPM this close to a dip's lowest, or
constexpr double kNearShare = 0.25;    // this share of its depth, is at its bottom
constexpr double kMaxDipSeconds = 60;
constexpr double kFineRows = 1.5;      // seconds between rows at which one row is too short to be a check
constexpr double kSettleSeconds = 10;  // after the propeller cycled the governor hunts this long
constexpr double kSpanSlack = 10;      // a run-up phase found a little off still holds its checks
constexpr double kRunupLowRpm = 1450, kRunupHighRpm = 2150, kRunupHeldRpm = 1650, kTakeoffRpm = 2200;
constexpr double kRunupSeconds = 15;

struct EngineChannels {
  flight::Engine engine = flight::Engine::Only;
  int rpm = -1, map = -1;
  std::vector<int> egts;
};

EngineChannels channelsOf(const flight::Flight& flight, flight::Engine e) {
  EngineChannels c;
  c.engine = e;
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

std::string numberText(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// "45-70" or "45" when they are alike.
std::string rangeText(double lo, double hi) {
  const std::string a = numberText(lo), b = numberText(hi);
  return a == b ? a : a + "-" + b;
}

std::string namesText(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) text += (i ? ", " : "") + names[i];
  return text;
}

void addCaution(MagCheck* check, const std::string& text) {
  if (!check->caution.empty()) check->caution += "; ";
  check->caution += text;
}

// A dip: the level rows [l, r - 1] on both, the rows [r, q] below it.
struct Dip {
  std::size_t l = 0, r = 0, q = 0;
  double level = 0, mapLevel = NAN;
};

struct Cylinder {
  std::string channel;
  double rise = 0;        // the extreme over the check's rows and the row after
  bool erratic = false;   // up and down by the least rise on the magneto
};

// Each EGT against its last row on both, over the rows [from, q] and the
// row after them (`lag`, or q when there is none).
std::vector<Cylinder> egtAnswer(const flight::Flight& flight, const EngineChannels& eng, const Dip& d, std::size_t from,
                                std::size_t lag, double lo) {
  std::vector<Cylinder> out;
  for (int c : eng.egts) {
    const auto egt = flight.column(c);
    double level = NAN;
    for (std::size_t k = d.r; k-- > d.l && std::isnan(level);)
      if (std::isfinite(egt[k])) level = egt[k];
    if (std::isnan(level)) continue;
    double up = NAN, down = NAN;
    bool anyUp = false, anyDown = false;
    for (std::size_t k = from; k <= lag; ++k) {
      if (!std::isfinite(egt[k])) continue;
      const double x = egt[k] - level;
      up = std::isnan(up) ? x : std::max(up, x);
      down = std::isnan(down) ? x : std::min(down, x);
      if (k <= d.q) anyUp = anyUp || x >= lo, anyDown = anyDown || x <= -lo;
    }
    if (std::isnan(up)) continue;
    out.push_back({flight.channels[c].name, std::fabs(up) >= std::fabs(down) ? up : down, anyUp && anyDown});
  }
  return out;
}

// What the cylinders showed and the verdict it gives.
void judgeRises(const std::vector<Cylinder>& cyl, double lo, double hi, const std::string& degrees, MagCheck* check) {
  std::vector<double> rises;
  for (const Cylinder& c : cyl) rises.push_back(c.rise);
  const double m = Median(rises);
  std::vector<std::string> fell, flat, high, erratic;
  std::vector<double> othersRise;
  for (const Cylinder& c : cyl) {
    if (c.erratic) erratic.push_back(c.channel);
    else if (c.rise <= -lo) fell.push_back(c.channel + " fell " + numberText(-c.rise) + " " + degrees);
    else if (m >= lo && c.rise < lo / 2 && c.rise < m - lo) flat.push_back(c.channel + " rose only " + numberText(c.rise) + " " + degrees);
    else if (c.rise > hi) high.push_back(c.channel);
    else {
      othersRise.push_back(c.rise);
      continue;
    }
    check->atFault.push_back(c.channel);
  }
  const std::size_t wrong = fell.size() + flat.size() + high.size() + erratic.size();
  const auto [lowest, highest] = std::minmax_element(rises.begin(), rises.end());
  if (wrong == 0) {
    check->verdict = MagVerdict::Normal;
    check->evidence = "every EGT rose " + rangeText(*lowest, *highest) + " " + degrees;
    return;
  }
  check->verdict = wrong * 2 <= cyl.size() ? MagVerdict::Plug : MagVerdict::Magneto;
  std::vector<std::string> parts = fell;
  parts.insert(parts.end(), flat.begin(), flat.end());
  if (!high.empty()) {
    double lo2 = 1e9, hi2 = -1e9;
    for (const Cylinder& c : cyl)
      if (std::find(high.begin(), high.end(), c.channel) != high.end()) lo2 = std::min(lo2, c.rise), hi2 = std::max(hi2, c.rise);
    parts.push_back(namesText(high) + " rose " + rangeText(lo2, hi2) + " " + degrees + ", more than " + numberText(hi));
  }
  if (!erratic.empty()) parts.push_back(namesText(erratic) + " swung up and down by " + numberText(lo) + " " + degrees + " or more");
  check->evidence = namesText(parts);
  if (!othersRise.empty()) {
    const auto [a, b] = std::minmax_element(othersRise.begin(), othersRise.end());
    check->evidence += " while the others rose " + rangeText(*a, *b) + " " + degrees;
  } else if (wrong == cyl.size()) {
    check->evidence += ": every cylinder";
  }
}

// The dip judged: a check on one magneto, or another dip and what it was taken for.
void judgeDip(const flight::Flight& flight, const Limits& limits, const EngineChannels& eng, const Dip& d, std::size_t lag,
              std::vector<MagCheck>* checks, std::vector<RunupDip>* others) {
  const auto rpm = flight.column(eng.rpm);
  const int rows = static_cast<int>(d.q - d.r + 1);
  // The first row may have been taken as the switch turned.
  const std::size_t from = rows >= 3 ? d.r + 1 : d.r;
  // Without the switch's row and, from four rows, the return's (either may be caught half way).
  const std::size_t until = rows >= 4 ? d.q - 1 : d.q;
  const double drop = d.level - meanOf(rpm, from, until);
  const double fine = flight.seconds.size() > 1 ? (flight.seconds.back() - flight.seconds.front()) /
                                                      static_cast<double>(flight.seconds.size() - 1)
                                                : 1.0;
  RunupDip other{flight.seconds[d.r], flight.seconds[d.q], drop, "", "", eng.engine};
  // MAP: the most it moved either way over the dip.
  double mapUp = 0, mapDown = 0;
  if (eng.map >= 0 && std::isfinite(d.mapLevel)) {
    const auto map = flight.column(eng.map);
    for (std::size_t k = d.r; k <= d.q; ++k)
      if (std::isfinite(map[k])) mapUp = std::max(mapUp, map[k] - d.mapLevel), mapDown = std::max(mapDown, d.mapLevel - map[k]);
  }
  // On one magneto the RPM sits near its lowest for most of the dip (it may
  // take a second or two to get there and back); the propeller's and the
  // throttle's dips touch their lowest in passing.
  double lowRpm = INFINITY;
  for (std::size_t k = d.r; k <= d.q; ++k)
    if (std::isfinite(rpm[k])) lowRpm = std::min(lowRpm, static_cast<double>(rpm[k]));
  int near = 0;
  for (std::size_t k = d.r; k <= d.q; ++k)
    if (std::isfinite(rpm[k]) && rpm[k] <= lowRpm + std::max(kNearLowest, kNearShare * (d.level - lowRpm))) ++near;
  const bool steady = near * 2 >= rows;
  if (mapUp > kMapHold) {
    other.taken_for = "propeller";
    other.evidence = "MAP rose " + numberText(mapUp, 1) + " in Hg as RPM fell: the propeller cycled";
  } else if (mapDown > kMapHold) {
    other.taken_for = "throttle";
    other.evidence = "MAP fell " + numberText(mapDown, 1) + " in Hg: the throttle";
  } else if (!steady) {
    other.taken_for = "unsteady_rpm";
    other.evidence = "RPM passed " + numberText(lowRpm) + " on its way from and back to " + numberText(d.level) +
                     ", not held as on one magneto: the propeller or the throttle";
  } else if (!others->empty() && others->back().engine == eng.engine &&
             (others->back().taken_for == "propeller" || others->back().taken_for == "unsteady_rpm") &&
             other.start_s - others->back().end_s <= kSettleSeconds) {
    other.taken_for = "propeller";
    other.evidence = "the governor settling " + numberText(other.start_s - others->back().end_s) +
                     " s after the propeller cycled";
  }
  if (!other.taken_for.empty()) {
    if (drop >= kListRpm) others->push_back(other);
    return;
  }
  // One row: at fine rows too short to be a check, at coarse rows too coarse to judge.
  if (rows < 2 && fine <= kFineRows) return;

  const flight::Unit unit = eng.egts.empty() ? flight::Unit::DegreesF : flight.channels[eng.egts.front()].unit;
  const std::string degrees(flight::UnitText(unit));
  const double lo = FahrenheitSpanToUnit(limits.magRiseMin, unit), hi = FahrenheitSpanToUnit(limits.magRiseMax, unit);
  const std::vector<Cylinder> cyl = egtAnswer(flight, eng, d, from, lag, lo);
  if (cyl.empty()) return;
  std::vector<double> rises;
  for (const Cylinder& c : cyl) rises.push_back(c.rise);
  const double m = Median(rises);
  if (m < lo / 2) {
    other.taken_for = m <= -lo / 2 ? "egt_fell" : "no_egt_rise";
    other.evidence = m <= -lo / 2 ? "the EGTs fell (median " + numberText(-m) + " " + degrees +
                                        "): the return to both or the propeller, no magneto check"
                                  : "the EGTs did not rise (median " + numberText(m) + " " + degrees + "): no magneto check";
    if (drop >= kListRpm) others->push_back(other);
    return;
  }
  MagCheck check;
  check.start_s = flight.seconds[d.r];
  check.end_s = flight.seconds[d.q];
  check.rows = rows;
  check.rpm_drop = drop;
  check.level_rpm = d.level;
  check.engine = eng.engine;
  for (const Cylinder& c : cyl) check.rises.push_back({c.channel, c.rise});
  if (rows < 2) {
    check.verdict = MagVerdict::TooCoarse;
    check.evidence = "one row on the magneto: too coarse to judge";
  } else {
    judgeRises(cyl, lo, hi, degrees, &check);
    if (check.rpm_drop > limits.magDropMax)
      addCaution(&check, "RPM drop " + numberText(check.rpm_drop) + " is more than " + numberText(limits.magDropMax));
  }
  checks->push_back(std::move(check));
}

void checksIn(const flight::Flight& flight, const Limits& limits, const EngineChannels& eng, std::size_t a, std::size_t b,
              RunupReading* found) {
  const auto rpm = flight.column(eng.rpm);
  const std::span<const float> map = eng.map >= 0 ? flight.column(eng.map) : std::span<const float>();
  const auto& t = flight.seconds;
  auto valid = [&](std::size_t k) { return std::isfinite(rpm[k]); };
  const std::size_t firstFound = found->checks.size();
  std::size_t level = a;  // the first row the present both-magneto level may use
  std::size_t r = a;
  while (r <= b) {
    if (!valid(r)) {
      level = ++r;
      continue;
    }
    // The level's rows: those of the last few seconds within kBackRpm of their highest.
    std::size_t l = r;
    double top = -INFINITY;
    for (std::size_t k = r; k > level && (k == r || t[k - 1] >= t[r] - kLevelSeconds); --k)
      if (valid(k - 1)) l = k - 1, top = std::max(top, static_cast<double>(rpm[k - 1]));
    if (l == r || rpm[r] > top - kDipRpm) {
      ++r;
      continue;
    }
    double sum = 0, mapSum = 0;
    int n = 0, mapN = 0;
    std::size_t first = r;
    for (std::size_t k = l; k < r; ++k) {
      if (!valid(k) || rpm[k] < top - kBackRpm) continue;
      first = std::min(first, k);
      sum += rpm[k], ++n;
      if (!map.empty() && std::isfinite(map[k])) mapSum += map[k], ++mapN;
    }
    Dip d;
    d.l = first;
    d.r = r;
    d.level = sum / n;
    d.mapLevel = mapN ? mapSum / mapN : NAN;
    std::size_t q = r;
    while (q + 1 <= b && valid(q + 1) && rpm[q + 1] < d.level - kBackRpm && t[q + 1] - t[r] <= kMaxDipSeconds) ++q;
    d.q = q;
    const bool back = q + 1 < flight.rows() && valid(q + 1) && rpm[q + 1] >= d.level - kBackRpm;
    if (back) judgeDip(flight, limits, eng, d, q + 1, &found->checks, &found->others);
    level = q + 1;
    r = q + 1;
  }
  // The two magnetos: the first two checks of this run-up that could be judged.
  MagCheck* pair[2] = {};
  int n = 0;
  for (std::size_t k = firstFound; k < found->checks.size() && n < 2; ++k)
    if (found->checks[k].verdict != MagVerdict::TooCoarse) pair[n++] = &found->checks[k];
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

Json engineJson(flight::Engine e) {
  return e == flight::Engine::Left ? Json("left") : e == flight::Engine::Right ? Json("right") : Json(nullptr);
}

void sortByTime(RunupReading* found) {
  std::stable_sort(found->checks.begin(), found->checks.end(),
                   [](const MagCheck& x, const MagCheck& y) { return x.start_s < y.start_s; });
  std::stable_sort(found->others.begin(), found->others.end(),
                   [](const RunupDip& x, const RunupDip& y) { return x.start_s < y.start_s; });
}

// The checks of one engine within `span` and a few seconds either side; its
// other dips only within the span itself (before and after it the throttle
// moves, which tells nothing).
void readSpan(const flight::Flight& flight, const Limits& limits, const EngineChannels& eng, const PhaseSpan& span,
              RunupReading* found) {
  std::size_t a = 0, b = 0;
  if (!RowsWithin(flight, span.start - kSpanSlack, span.end + kSpanSlack, &a, &b)) return;
  RunupReading here;
  checksIn(flight, limits, eng, a, b, &here);
  for (MagCheck& c : here.checks) found->checks.push_back(std::move(c));
  for (RunupDip& d : here.others)
    if (d.start_s >= span.start && d.start_s <= span.end) found->others.push_back(std::move(d));
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

RunupReading ReadRunup(const flight::Flight& flight, const Limits& limits, std::span<const PhaseSpan> runups) {
  RunupReading found;
  for (flight::Engine e : enginesWithRpm(flight)) {
    const EngineChannels eng = channelsOf(flight, e);
    if (eng.egts.empty()) continue;
    for (const PhaseSpan& span : runups) readSpan(flight, limits, eng, span, &found);
  }
  sortByTime(&found);
  return found;
}

RunupReading ReadRunup(const flight::Flight& flight, const Limits& limits, const FlightPhases& known) {
  const std::vector<PhaseSpan> phases = known.of(Phase::Runup);
  if (!phases.empty()) return ReadRunup(flight, limits, phases);
  RunupReading found;
  for (flight::Engine e : enginesWithRpm(flight)) {
    const EngineChannels eng = channelsOf(flight, e);
    if (eng.egts.empty()) continue;
    for (const PhaseSpan& span : FindRunup(flight, e)) readSpan(flight, limits, eng, span, &found);
  }
  sortByTime(&found);
  return found;
}

std::vector<MagCheck> CheckMagnetos(const flight::Flight& flight, const Limits& limits, std::span<const PhaseSpan> runups) {
  return ReadRunup(flight, limits, runups).checks;
}

std::vector<MagCheck> CheckMagnetos(const flight::Flight& flight, const Limits& limits) {
  return ReadRunup(flight, limits, FindPhaseSpans(flight)).checks;
}

std::vector<MagCheck> CheckMagnetos(const flight::Flight& flight, const Limits& limits, const FlightPhases& known) {
  return ReadRunup(flight, limits, known).checks;
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

std::vector<RunupCheck> RunupChecksOf(const std::vector<MagCheck>& checks) {
  std::vector<RunupCheck> out;
  for (const MagCheck& m : checks)
    out.push_back({m.engine, m.start_s, m.end_s, std::string(MagVerdictName(m.verdict)), static_cast<float>(m.rpm_drop),
                   static_cast<float>(m.level_rpm), m.atFault, m.evidence});
  return out;
}

std::string MagCheckWord(const std::vector<RunupCheck>& checks) {
  // Worst first: what more than half the cylinders share, a plug, a check too coarse to judge.
  const auto rank = [](const std::string& v) { return v == "magneto" ? 3 : v == "plug" ? 2 : v == "too_coarse" ? 0 : 1; };
  std::string word;
  for (flight::Engine e : {flight::Engine::Only, flight::Engine::Left, flight::Engine::Right}) {
    const RunupCheck* worst = nullptr;
    for (const RunupCheck& c : checks)
      if (c.engine == e && (!worst || rank(c.verdict) > rank(worst->verdict))) worst = &c;
    if (!worst) continue;
    std::string said = worst->verdict == "too_coarse" ? "too coarse" : worst->verdict;
    if (worst->verdict == "plug") said += " " + namesText(worst->atFault);
    if (e != flight::Engine::Only) said = (e == flight::Engine::Left ? "L " : "R ") + said;
    word += (word.empty() ? "" : ", ") + said;
  }
  return word;
}

ResultSections MagCheckSections(const flight::Flight& f, const std::vector<MagCheck>& checks,
                                const std::vector<RunupDip>& others) {
  const std::string degrees(flight::UnitText(EngineUnit(f.facts)));
  ResultSection s;
  s.title = "Magneto check";
  auto engineText = [](flight::Engine e) {
    return e == flight::Engine::Left ? std::string("left engine, ") : e == flight::Engine::Right ? std::string("right engine, ") : std::string();
  };
  std::vector<ResultLine> dipLines;
  for (const RunupDip& d : others)
    dipLines.push_back({ResultCell::Text("RPM dip at "), ResultCell::Time(d.start_s),
                        ResultCell::Text(" (" + engineText(d.engine) + numberText(d.rpm_drop) + " RPM): " + d.evidence +
                                         "; not counted as a magneto check")});
  if (checks.empty()) {
    s.empty = "No magneto check in the run-up.";
    s.lines = std::move(dipLines);
    return {s};
  }
  std::vector<std::string> channels;  // one column per cylinder any check has, in cylinder order
  for (const MagCheck& m : checks)
    for (const MagRise& r : m.rises)
      if (std::find(channels.begin(), channels.end(), r.channel) == channels.end()) channels.push_back(r.channel);
  const bool anyCaution = std::any_of(checks.begin(), checks.end(), [](const MagCheck& m) { return !m.caution.empty(); });
  s.lines.push_back({ResultCell::Text("Each EGT's rise on one magneto, in " + degrees + ".")});
  for (const MagCheck& m : checks)
    if ((m.verdict == MagVerdict::Plug || m.verdict == MagVerdict::Magneto) && !m.evidence.empty())
      s.lines.push_back({ResultCell::Text("Check at "), ResultCell::Time(m.start_s),
                         ResultCell::Text(" (" + engineText(m.engine) + numberText(m.rpm_drop) + " RPM below " +
                                          numberText(m.level_rpm) + "): "),
                         ResultCell::Text(NameWords(MagVerdictName(m.verdict), true), true).toned(Tone::Warning),
                         ResultCell::Text(", " + m.evidence)});
  for (ResultLine& line : dipLines) s.lines.push_back(std::move(line));
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
                                 {"rows", m.rows},
                                 {"evidence", JsonTextOrNull(m.evidence)},
                                 {"level_rpm", JsonValue(m.level_rpm)},
                                 {"engine", engineJson(m.engine)}}));
  }
  return list;
}

Json RunupDipsJson(const std::vector<RunupDip>& dips) {
  Json list = Json::array();
  for (const RunupDip& d : dips)
    list.push_back(Json::object({{"start_s", JsonValue(d.start_s)},
                                 {"end_s", JsonValue(d.end_s)},
                                 {"rpm_drop", JsonValue(d.rpm_drop)},
                                 {"taken_for", JsonText(d.taken_for)},
                                 {"evidence", JsonText(d.evidence)},
                                 {"engine", engineJson(d.engine)}}));
  return list;
}

}  // namespace varnix::analysis
