// SPDX-License-Identifier: MIT
#include "analysis/valve_screen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <numbers>
#include <nlohmann/json.hpp>

#include "analysis/cylinder_groups.h"
#include "analysis/findings.h"

namespace varnix::analysis {

std::string_view ValveVerdictName(ValveVerdict verdict) {
  switch (verdict) {
    case ValveVerdict::None: return "none";
    case ValveVerdict::Valve: return "valve";
    case ValveVerdict::TooLarge: return "too_large";
  }
  return "none";
}

namespace {

constexpr double kShortAverage = 15;   // s: takes out what is faster than the band
constexpr double kLongAverage = 120;   // s: takes out what is slower
// "About" the band: a swing of 2 minutes measured at 125 s is still one.
constexpr double kLowestPeriod = 25, kHighestPeriod = 150;
constexpr int kMinimumCrossings = 6;    // two and a half cycles in a window
constexpr double kRegularity = 0.35;    // half periods' deviation over their mean
constexpr double kHysteresis = 0.3;     // of the swing, so that noise does not cross
constexpr double kEchoRatio = 2;

std::size_t oddRows(double seconds, double interval) {
  return static_cast<std::size_t>(std::max(1L, std::lround(seconds / interval))) | 1u;
}

// The gain of a centred moving average of `rows` rows for a sine of `period`.
double averageGain(std::size_t rows, double interval, double period) {
  if (rows <= 1) return 1;
  const double x = std::numbers::pi * interval / period;
  return std::sin(static_cast<double>(rows) * x) / (static_cast<double>(rows) * std::sin(x));
}

double rowInterval(const flight::Flight& flight) {
  if (flight.facts.interval > 0) return flight.facts.interval;
  if (flight.rows() < 2) return 0;
  return (flight.seconds.back() - flight.seconds.front()) / static_cast<double>(flight.rows() - 1);
}

std::string secondsText(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", s);
  return buf;
}

// One span's rows of one group, filtered; the buffers are reused.
struct Buffers {
  std::vector<float> deviation, band;
  std::vector<double> sum;
};

struct WindowResult {
  double amplitude = 0, period = 0;
  bool regular = false;
};

WindowResult judgeWindow(std::span<const float> band, std::span<const double> seconds, std::size_t shortRows,
                         std::size_t longRows, double interval) {
  WindowResult w;
  double squares = 0;
  for (const float b : band) squares += static_cast<double>(b) * b;
  const double swing = std::sqrt(2 * squares / static_cast<double>(band.size()));
  w.amplitude = swing;
  const double h = kHysteresis * swing;
  int state = 0, crossings = 0;
  double first = 0, last = 0, halves = 0, halvesSquared = 0;
  for (std::size_t i = 0; i < band.size(); ++i) {
    // Without branches: a noisy band near the hysteresis defeats prediction.
    const int up = band[i] > h, down = band[i] < -h;
    const int now = up - down + (1 - (up | down)) * state;
    if (now != state && state != 0) {
      const double t = seconds[i];
      if (crossings == 0) {
        first = t;
      } else {
        halves += t - last;
        halvesSquared += (t - last) * (t - last);
      }
      last = t;
      ++crossings;
    }
    state = now;
  }
  if (crossings < kMinimumCrossings || swing <= 0) return w;
  const double n = crossings - 1;
  const double mean = halves / n;
  const double spread = std::sqrt(std::max(0.0, halvesSquared / n - mean * mean));
  const double period = 2 * (last - first) / n;
  if (spread > kRegularity * mean || period < kLowestPeriod || period > kHighestPeriod) return w;
  const double gain = averageGain(shortRows, interval, period) - averageGain(longRows, interval, period);
  if (std::fabs(gain) < 0.2) return w;
  w.amplitude = swing / std::fabs(gain);
  w.period = period;
  w.regular = true;
  return w;
}

void screenSpan(const flight::Flight& flight, const GroupNeighbours& neighbours, std::size_t from, std::size_t to,
                double interval, Buffers& buf, std::span<ValveCylinder> out, std::span<bool> regular) {
  const CylinderGroup& group = neighbours.group;
  const std::size_t n = to - from + 1, count = group.channels.size();
  const std::size_t shortRows = oddRows(kShortAverage, interval), longRows = oddRows(kLongAverage, interval);
  const auto window = static_cast<std::size_t>(std::lround(kValveWindowSeconds / interval));
  if (n < longRows + window) return;
  buf.deviation.resize(n * count);
  buf.band.resize(n);
  buf.sum.resize(n + 1);
  std::array<bool, kMaxCylinders> any{};
  std::array<const float*, kMaxCylinders> columns{};
  for (std::size_t i = 0; i < count; ++i) columns[i] = flight.column(static_cast<std::size_t>(group.channels[i])).data() + from;
  const std::span<const double> seconds(flight.seconds.data() + from, n);
  // Each cylinder's deviation from the others' median, row by row; a row
  // without one holds the one before (the first rows, the first found).
  // Cylinder by cylinder: each one's deviations are one contiguous run.
  for (std::size_t i = 0; i < count; ++i) {
    float* deviation = buf.deviation.data() + i * n;
    const float* column = columns[i];
    const float* median = neighbours.median.data() + from * count + i;
    const std::uint8_t* values = neighbours.values.data() + from;
    float hold = 0;
    std::size_t r = 0;
    // Until the first deviation, which the rows before take.
    for (; r < n && !any[i]; ++r) {
      const float v = column[r];
      const float m = values[r] > 2 ? median[r * count] : std::numeric_limits<float>::quiet_NaN();
      if (!std::isnan(m) && !std::isnan(v) && v != 0) {
        hold = v - m;
        std::fill(deviation, deviation + r, hold);
        any[i] = true;
      }
      deviation[r] = hold;
    }
    for (; r < n; ++r) {
      const float v = column[r];
      const float m = median[r * count];
      const bool found = values[r] > 2 && !std::isnan(m) && !std::isnan(v) && v != 0;
      hold = found ? v - m : hold;
      deviation[r] = hold;
    }
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (!any[i]) continue;
    const float* deviation = buf.deviation.data() + i * n;
    buf.sum[0] = 0;
    for (std::size_t r = 0; r < n; ++r) buf.sum[r + 1] = buf.sum[r] + deviation[r];
    auto average = [&](std::size_t r, std::size_t rows) {
      return (buf.sum[r + rows / 2 + 1] - buf.sum[r - rows / 2]) / static_cast<double>(rows);
    };
    const std::size_t lo = longRows / 2, hi = n - 1 - longRows / 2;
    for (std::size_t r = lo; r <= hi; ++r)
      buf.band[r] = static_cast<float>(average(r, shortRows) - average(r, longRows));
    for (std::size_t w0 = lo; w0 + window - 1 <= hi; w0 += window / 2) {
      const WindowResult w = judgeWindow(std::span<const float>(buf.band.data() + w0, window), seconds.subspan(w0, window),
                                         shortRows, longRows, interval);
      ValveCylinder& best = out[i];
      // A regular swing wins over any irregular one; then the larger.
      if ((w.regular && !regular[i]) || (w.regular == regular[i] && w.amplitude > best.amplitude)) {
        best.amplitude = w.amplitude;
        best.period = w.period;
        best.start = seconds[w0];
        best.end = seconds[w0 + window - 1];
        regular[i] = w.regular;
      }
    }
  }
}

// A cylinder that swings at the period of a cylinder swinging twice as much
// or more only echoes it: that one moves the median of the others.
bool echo(std::span<const ValveCylinder> found, std::span<const bool> regular, std::size_t i) {
  for (std::size_t j = 0; j < found.size(); ++j)
    if (j != i && regular[j] && found[j].amplitude >= kEchoRatio * found[i].amplitude &&
        std::fabs(found[j].period - found[i].period) <= 0.2 * found[j].period)
      return true;
  return false;
}

// With `shared`, the EGT groups' neighbours found already; else found here.
ValveScreen screenValves(const flight::Flight& flight, std::span<const PhaseSpan> spans, const Limits& limits,
                         const std::span<const GroupNeighbours>* shared) {
  ValveScreen screen;
  const double interval = rowInterval(flight);
  if (interval <= 0) {
    screen.why = "the flight has too few rows";
    return screen;
  }
  if (interval > kValveMaxInterval) {
    screen.why = "rows of " + secondsText(interval) + " s: the valve screen needs rows of 6 s or less";
    return screen;
  }
  std::vector<CylinderGroup> groups;
  if (shared) {
    for (const GroupNeighbours& g : *shared) groups.push_back(g.group);
  } else {
    groups = CylinderGroups(flight, flight::ChannelKind::Egt);
  }
  std::erase_if(groups, [](const CylinderGroup& g) { return g.channels.size() < 3; });
  if (groups.empty()) {
    screen.why = "no engine with three EGT channels or more";
    return screen;
  }
  std::vector<PhaseSpan> cruise;
  for (const PhaseSpan& s : spans)
    if (s.phase == Phase::Cruise && s.end - s.start >= kValveWindowSeconds) cruise.push_back(s);
  if (cruise.empty()) {
    screen.why = "no steady cruise of ten minutes or more";
    return screen;
  }
  screen.judged = true;
  std::vector<GroupNeighbours> own;
  std::vector<const GroupNeighbours*> screened;
  if (shared) {
    for (const GroupNeighbours& g : *shared)
      if (g.count() >= 3) screened.push_back(&g);
  } else {
    own = NeighboursOf(flight, groups);
    for (const GroupNeighbours& g : own) screened.push_back(&g);
  }
  Buffers buf;
  const flight::Unit unit = flight.channels[static_cast<std::size_t>(groups[0].channels[0])].unit;
  for (const GroupNeighbours* nb : screened) {
    const CylinderGroup& g = nb->group;
    std::vector<ValveCylinder> found(g.channels.size());
    std::array<bool, kMaxCylinders> regular{};
    for (std::size_t i = 0; i < g.channels.size(); ++i)
      found[i].channel = flight.channels[static_cast<std::size_t>(g.channels[i])].name;
    for (const PhaseSpan& s : cruise) {
      std::size_t from = flight.rowAt(s.start);
      if (flight.seconds[from] < s.start) ++from;
      const std::size_t to = flight.rowAt(s.end);
      if (from < to) screenSpan(flight, *nb, from, to, interval, buf, found, std::span(regular.data(), found.size()));
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
      ValveCylinder& c = found[i];
      c.regular = regular[i] && !echo(found, std::span(regular.data(), found.size()), i);
      c.verdict = JudgeValve(c, limits, unit);
    }
    for (ValveCylinder& c : found) screen.cylinders.push_back(std::move(c));
  }
  return screen;
}

}  // namespace

ValveScreen ScreenValves(const flight::Flight& flight, std::span<const PhaseSpan> spans, const Limits& limits) {
  return screenValves(flight, spans, limits, nullptr);
}

ValveScreen ScreenValves(const flight::Flight& flight, std::span<const PhaseSpan> spans, const Limits& limits,
                         std::span<const GroupNeighbours> egts) {
  return screenValves(flight, spans, limits, &egts);
}

namespace {

ValveScreen screenCruise(const flight::Flight& flight, const FlightDigest* digest, const Limits& limits) {
  std::vector<PhaseSpan> cruise = FindPhases(flight).of(Phase::Cruise);
  if (cruise.empty()) {
    // Until the phases are found, the steady cruise the findings use.
    const FlightDigest made = digest ? FlightDigest{} : DigestFlight(flight);
    const FlightDigest& d = digest ? *digest : made;
    if (d.cruiseSteady) cruise.push_back({Phase::Cruise, d.cruiseStart, d.cruiseEnd});
  }
  return ScreenValves(flight, cruise, limits);
}

}  // namespace

ValveScreen ScreenValves(const flight::Flight& flight, const Limits& limits) { return screenCruise(flight, nullptr, limits); }

ValveScreen ScreenValves(const flight::Flight& flight, const FlightDigest& digest, const Limits& limits) {
  return screenCruise(flight, &digest, limits);
}

ValveVerdict JudgeValve(const ValveCylinder& c, const Limits& limits, flight::Unit unit) {
  if (!c.regular || c.amplitude < FahrenheitSpanToUnit(limits.valveAmplitudeMin, unit)) return ValveVerdict::None;
  return c.amplitude <= FahrenheitSpanToUnit(limits.valveAmplitudeMax, unit) ? ValveVerdict::Valve
                                                                             : ValveVerdict::TooLarge;
}

ValveScreen ValveScreenOf(const FlightDigest& d, const Limits& limits) {
  ValveScreen screen;
  screen.judged = d.valveJudged;
  screen.why = d.valveWhy;
  for (const ValveSwing& v : d.valveSwings) {
    ValveCylinder c{v.channel, v.amplitude, v.period, ValveVerdict::None, v.start, v.end, v.regular};
    c.verdict = JudgeValve(c, limits, d.engineUnit);
    screen.cylinders.push_back(std::move(c));
  }
  return screen;
}

std::string ValveFindingText(const ValveCylinder& cylinder, flight::Unit unit) {
  const double p = cylinder.period;
  std::string often;
  if (std::fabs(p - 60) <= 15) {
    often = "about once a minute";
  } else if (std::fabs(p - 30) <= 6) {
    often = "about twice a minute";
  } else if (std::fabs(p - 120) <= 20) {
    often = "about every two minutes";
  } else {
    often = "about every " + std::to_string(std::lround(p / 5) * 5) + " seconds";
  }
  return cylinder.channel + " swings ±" + std::to_string(std::lround(cylinder.amplitude)) + " " +
         std::string(flight::UnitText(unit)) + " " + often +
         " in cruise, a pattern seen with a failing exhaust valve — a borescope look is worth it";
}

ResultSections ValveScreenSections(const flight::Flight& f, const ValveScreen& v) {
  ResultSection s;
  s.title = kEngineLinesTitle;
  if (!v.judged) {
    s.lines.push_back({ResultCell::Text("Valve screen: not judged (" + v.why + ")")});
    return {s};
  }
  const std::string degrees(flight::UnitText(EngineUnit(f.facts)));
  ResultLine line{ResultCell::Text("Valve screen: ")};
  for (const ValveCylinder& c : v.cylinders) {
    if (c.verdict == ValveVerdict::None) continue;
    if (line.size() > 1) line.push_back(ResultCell::Text(", ", true));
    line.push_back(ResultCell::Text(c.channel + " ±", true));
    line.push_back(ResultCell::Value(c.amplitude, 0, degrees, true));
    line.push_back(ResultCell::Text(" every ", true));
    line.push_back(ResultCell::Value(c.period, 0, "s", true));
    line.push_back(ResultCell::Text(" (" + NameWords(ValveVerdictName(c.verdict)) + ")", true));
  }
  if (line.size() == 1) line = {ResultCell::Text("Valve screen: no cylinder swings in cruise")};
  s.lines.push_back(std::move(line));
  return {s};
}

Json ValveScreenJson(const ValveScreen& v) {
  if (!v.judged) return Json::object({{"judged", false}, {"why", JsonText(v.why)}});
  Json list = Json::array();
  for (const ValveCylinder& c : v.cylinders)
    list.push_back(Json::object({{"channel", JsonText(c.channel)},
                                 {"amplitude", JsonValue(c.amplitude)},
                                 {"period_s", c.period > 0 ? JsonValue(c.period) : Json(nullptr)},
                                 {"verdict", ValveVerdictName(c.verdict)}}));
  return list;
}

}  // namespace varnix::analysis
