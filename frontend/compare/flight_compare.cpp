// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/compare/flight_compare.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace varnix::frontend {

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

bool sameMeasure(const flight::Channel& a, const flight::Channel& b) {
  if (a.kind != b.kind || a.engine != b.engine || a.cylinder != b.cylinder || a.sensor != b.sensor ||
      a.unit != b.unit)
    return false;
  return a.kind != flight::ChannelKind::Other || a.name == b.name;
}

// The rows' spacing: the interval the header gives, else the first two rows'.
double intervalOf(const flight::Flight& f) {
  if (f.facts.interval > 0) return f.facts.interval;
  if (f.rows() > 1) return std::max(1.0, f.seconds[1] - f.seconds[0]);
  return 1;
}

float valueAt(const flight::Flight& f, int channel, std::size_t row) {
  if (channel < 0 || row >= f.rows()) return kNoValue;
  return f.columns[static_cast<std::size_t>(channel)][row];
}

}  // namespace

std::string_view AlignByName(AlignBy by) {
  switch (by) {
    case AlignBy::Takeoff: return "takeoff";
    case AlignBy::EngineStart: return "engine start";
    case AlignBy::Clock: return "clock time";
  }
  return "takeoff";
}

std::optional<AlignBy> AlignByOption(std::string_view word) {
  if (word == "takeoff") return AlignBy::Takeoff;
  if (word == "start") return AlignBy::EngineStart;
  if (word == "clock") return AlignBy::Clock;
  return std::nullopt;
}

FlightMoments MomentsOf(const analysis::FlightPhases& phases) {
  FlightMoments m;
  for (const analysis::PhaseSpan& s : phases.spans)
    if (s.phase == analysis::Phase::Takeoff) {
      m.takeoff = s.start;
      break;
    }
  for (const analysis::FlightEvent& e : phases.events)
    if (e.kind == analysis::FlightEventKind::EngineStart) {
      m.engineStart = e.at;
      break;
    }
  return m;
}

Alignment AlignFlights(const flight::Flight& a, const FlightMoments& ma, const flight::Flight& b, const FlightMoments& mb,
                       AlignBy wanted) {
  Alignment out;
  out.by = wanted;
  if (wanted == AlignBy::Clock) {
    out.offset = b.startOfDay - a.startOfDay;
    return out;
  }
  // "Flight B has no takeoff", "Neither flight has an engine start".
  auto lacking = [](const std::optional<double>& inA, const std::optional<double>& inB, const char* what,
                    const char* article) {
    if (!inA && !inB) return std::string("Neither flight has ") + article + what;
    return std::string(!inA ? "Flight A" : "Flight B") + " has no " + what;
  };
  if (wanted == AlignBy::Takeoff) {
    if (ma.takeoff && mb.takeoff) {
      out.offset = *ma.takeoff - *mb.takeoff;
      return out;
    }
    out.note = lacking(ma.takeoff, mb.takeoff, "takeoff", "a ");
    out.by = AlignBy::EngineStart;
  }
  if (ma.engineStart && mb.engineStart) {
    out.offset = *ma.engineStart - *mb.engineStart;
    if (!out.note.empty()) out.note += ": aligned by engine start";
    return out;
  }
  out.note += (out.note.empty() ? "" : "; ") + lacking(ma.engineStart, mb.engineStart, "engine start", "an ") +
              ": aligned by their first rows";
  out.offset = 0;
  return out;
}

std::vector<int> MatchChannels(const std::vector<flight::Channel>& a, const std::vector<flight::Channel>& b) {
  std::vector<int> match(a.size(), -1);
  std::vector<bool> taken(b.size(), false);
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t j = 0; j < b.size(); ++j)
      if (!taken[j] && sameMeasure(a[i], b[j])) {
        match[i] = static_cast<int>(j);
        taken[j] = true;
        break;
      }
  return match;
}

float ValueNear(const flight::Flight& f, int channel, double seconds) {
  if (channel < 0 || static_cast<std::size_t>(channel) >= f.channels.size() || f.rows() == 0) return kNoValue;
  const std::size_t row = f.nearestRow(seconds);
  if (std::abs(f.seconds[row] - seconds) > intervalOf(f)) return kNoValue;
  return valueAt(f, channel, row);
}

std::vector<ComparedValue> CompareAt(const flight::Flight& a, std::size_t row, const flight::Flight& b,
                                     const std::vector<int>& match, const Alignment& alignment) {
  std::vector<ComparedValue> out(a.channels.size(), ComparedValue{kNoValue, kNoValue, kNoValue});
  if (row >= a.rows()) return out;
  const double atB = a.seconds[row] - alignment.offset;
  for (std::size_t c = 0; c < a.channels.size(); ++c) {
    ComparedValue& v = out[c];
    v.a = valueAt(a, static_cast<int>(c), row);
    v.b = c < match.size() ? ValueNear(b, match[c], atB) : kNoValue;
    v.difference = v.a - v.b;  // NaN when either is
  }
  return out;
}

RulerFigures RulerFiguresOf(const flight::Flight& f, std::size_t first, std::size_t last) {
  RulerFigures r;
  if (f.rows() == 0) return r;
  first = std::min(first, f.rows() - 1);
  last = std::min(last, f.rows() - 1);
  if (first > last) std::swap(first, last);
  r.first = first;
  r.last = last;
  r.seconds = f.seconds[last] - f.seconds[first];
  r.channels.reserve(f.channels.size());
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const float change = valueAt(f, static_cast<int>(c), last) - valueAt(f, static_cast<int>(c), first);
    r.channels.push_back({change, r.seconds > 0 ? change / (r.seconds / 60.0) : std::nan("")});
  }
  // Per engine: the used-fuel channel's change where it has both ends, else
  // the fuel flow added up (a row's flow lasts until the next row).
  for (const flight::Engine engine : {flight::Engine::Only, flight::Engine::Left, flight::Engine::Right}) {
    const int used = flight::FindChannel(f.channels, flight::ChannelKind::FuelUsed, engine);
    const int flow = flight::FindChannel(f.channels, flight::ChannelKind::FuelFlow, engine);
    if (used < 0 && flow < 0) continue;
    FuelBurnt burnt{engine, 0, false};
    if (const float u = valueAt(f, used, last) - valueAt(f, used, first); !std::isnan(u)) {
      burnt.amount = u;
      burnt.fromUsed = true;
    } else if (flow >= 0) {
      for (std::size_t row = first; row < last; ++row)
        if (const float ff = valueAt(f, flow, row); !std::isnan(ff) && ff > 0)
          burnt.amount += ff * (f.seconds[row + 1] - f.seconds[row]) / 3600.0;
    } else {
      continue;
    }
    r.fuel.push_back(burnt);
  }
  return r;
}

}  // namespace varnix::frontend
