// SPDX-License-Identifier: MIT
#include "store/trend_series.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <tuple>

#include "analysis/median.h"
#include "flight/civil_date.h"
#include "store/maintenance_figures.h"

namespace varnix::store {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool digits(std::string_view s, std::size_t at, std::size_t n, long& out) {
  if (s.size() < at + n) return false;
  out = 0;
  for (std::size_t i = at; i < at + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

int quantityOrder(TrendQuantity q) { return static_cast<int>(q); }

std::string oneDecimal(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

char engineLetter(flight::Engine engine) {
  return engine == flight::Engine::Left ? 'L' : engine == flight::Engine::Right ? 'R' : 0;
}

// The oil consumption of `engine`, one value per interval that gives a rate,
// at the date of the oil added that closes it.
TrendSeries oilConsumption(const AircraftLog& log, const std::vector<MaintenanceEntry>& maintenance,
                           flight::Engine engine) {
  TrendSeries s;
  s.quantity = TrendQuantity::OilConsumption;
  s.engine = engine;
  s.channel = "OIL";
  std::vector<MaintenanceEntry> entries;
  for (const MaintenanceEntry& e : maintenance)
    if (engine == flight::Engine::Only || e.engine == engineLetter(engine)) entries.push_back(e);
  // The owner may have written them in any order; the intervals run in time.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const MaintenanceEntry& a, const MaintenanceEntry& b) { return a.date < b.date; });
  std::vector<FlownFlight> flights;
  for (const LogbookFlight& f : log.flights)
    flights.push_back({f.entry.start.substr(0, 10), f.entry.recordedSeconds / 3600.0, std::nullopt, "gal"});
  for (const OilInterval& i : OilConsumption(entries, flights)) {
    const double when = TrendSeconds(i.to);
    if (!i.rate || !std::isfinite(when)) continue;
    TrendValue v;
    v.flight = kNoFlight;
    v.when = when;
    v.date = i.to;
    v.channel = s.channel;
    v.value = *i.rate;
    v.note = oneDecimal(i.quarts) + " qt over " + oneDecimal(i.hours) + " h since " + i.from;
    s.values.push_back(std::move(v));
  }
  return s;
}

}  // namespace

double TrendSeconds(std::string_view iso) {
  long y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (!digits(iso, 0, 4, y) || iso[4] != '-' || !digits(iso, 5, 2, mo) || iso[7] != '-' || !digits(iso, 8, 2, d) ||
      mo < 1 || mo > 12 || d < 1 || d > 31)
    return kNaN;
  // The clock is optional: a date alone is its midnight.
  if (iso.size() >= 19 && (iso[10] == 'T' || iso[10] == ' ') &&
      !(digits(iso, 11, 2, h) && digits(iso, 14, 2, mi) && digits(iso, 17, 2, s)))
    return kNaN;
  return static_cast<double>(flight::DaysFromCivil(y, static_cast<int>(mo), static_cast<int>(d))) * 86400.0 +
         static_cast<double>(h * 3600 + mi * 60 + s);
}

std::vector<std::pair<std::size_t, std::size_t>> TrendSegments(const std::vector<TrendValue>& values) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  std::size_t first = 0;
  for (std::size_t i = 1; i <= values.size(); ++i)
    if (i == values.size() || values[i].when - values[i - 1].when > kTrendGapDays * 86400.0) {
      if (i > first) out.emplace_back(first, i);
      first = i;
    }
  return out;
}

std::vector<std::vector<MedianPoint>> RollingMedian(const std::vector<TrendValue>& values) {
  std::vector<std::vector<MedianPoint>> lines;
  for (const auto& [first, last] : TrendSegments(values)) {
    std::vector<MedianPoint> line;
    std::vector<double> window;
    for (std::size_t i = first; i < last; ++i) {
      if (!values[i].comparable) continue;
      window.push_back(values[i].value);
      if (window.size() > kTrendMedianFlights) window.erase(window.begin());
      line.push_back({values[i].when, analysis::Median(window)});
    }
    if (!line.empty()) lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<const TrendSeries*> AircraftTrends::of(TrendQuantity quantity, flight::Engine engine) const {
  std::vector<const TrendSeries*> out;
  for (const TrendSeries& s : series)
    if (s.quantity == quantity && s.engine == engine) out.push_back(&s);
  return out;
}

AircraftTrends BuildTrendSeries(const AircraftLog& log, const std::vector<MaintenanceEntry>& maintenance) {
  AircraftTrends out;
  if (log.flights.empty()) return out;
  const CatalogEntry& newest = log.flights.front().entry;
  const analysis::TrendPoint newestPoint = newest.trendPoint();
  const flight::Unit unit = newest.engineUnit;
  using Key = std::tuple<int, int, int>;  // engine, quantity, cylinder (0: the engine's or the aircraft's)
  std::map<Key, TrendSeries> byKey;
  auto add = [&](TrendQuantity q, flight::Engine engine, int cylinder, const std::string& channel, flight::Unit u, double value,
                 const TrendValue& base) {
    if (!std::isfinite(value)) return;
    TrendSeries& s = byKey[{static_cast<int>(engine), quantityOrder(q), cylinder}];
    // One value a flight: a file with two channels of one quantity (two oil
    // probes) gives its first.
    if (!s.values.empty() && s.values.back().flight == base.flight) return;
    s.quantity = q;
    s.engine = engine;
    s.cylinder = cylinder;
    s.channel = channel;  // flights come oldest first: the newest names it
    s.unit = u;
    TrendValue v = base;
    v.channel = channel;
    v.value = value;
    s.values.push_back(std::move(v));
  };
  for (std::size_t i = log.flights.size(); i-- > 0;) {
    const CatalogEntry& e = log.flights[i].entry;
    TrendValue base;
    base.flight = i;
    base.when = TrendSeconds(e.start);
    if (!std::isfinite(base.when)) continue;
    base.date = e.start.substr(0, 10);
    base.label = e.flightLabel;
    const bool comparable = analysis::ComparableCruise(e.trendPoint(), newestPoint, log.limits);
    auto degrees = [&](float v) { return analysis::FahrenheitToUnit(analysis::UnitToFahrenheit(v, e.engineUnit), unit); };
    // The cruise means list each engine's cylinders, then that engine's oil.
    flight::Engine engine = flight::Engine::Only;
    for (const analysis::CruiseMean& m : e.digest.cruiseMeans) {
      if (m.kind == flight::ChannelKind::Cht) {
        int cylinder = 0;
        for (const analysis::Figure& f : e.maxCht)
          if (f.channel == m.channel) {
            engine = f.engine;
            cylinder = f.cylinder;
          }
        if (cylinder == 0) continue;
        TrendValue b = base;
        b.comparable = comparable;
        add(TrendQuantity::CruiseCht, engine, cylinder, m.channel, unit, degrees(m.mean), b);
      } else if (m.kind == flight::ChannelKind::Egt) {
        for (const analysis::CruiseEgt& c : e.digest.cruise)
          if (c.channel == m.channel) engine = c.engine;
      } else if (m.kind == flight::ChannelKind::OilTemperature) {
        add(TrendQuantity::OilTemperature, engine, 0, m.channel, unit, degrees(m.mean), base);
      } else if (m.kind == flight::ChannelKind::OilPressure) {
        add(TrendQuantity::OilPressure, engine, 0, m.channel, flight::Unit::Psi, m.mean, base);
      }
    }
    // The EGT as the baselines take it: each cylinder's mean in the steady cruise.
    for (const analysis::CruiseEgt& c : e.digest.cruise) {
      TrendValue b = base;
      b.comparable = comparable;
      add(TrendQuantity::CruiseEgt, c.engine, c.cylinder, c.channel, unit, degrees(c.mean), b);
    }
    add(TrendQuantity::Battery, flight::Engine::Only, 0, "BAT", flight::Unit::Volts, e.digest.cruiseBattery, base);
  }
  for (auto& [key, s] : byKey) {
    s.median = RollingMedian(s.values);
    if (std::find(out.engines.begin(), out.engines.end(), s.engine) == out.engines.end() &&
        s.quantity != TrendQuantity::Battery)
      out.engines.push_back(s.engine);
    out.series.push_back(std::move(s));
  }
  if (out.engines.empty() && !out.series.empty()) out.engines.push_back(flight::Engine::Only);
  // The trend findings on their series: a change at the first flight after
  // its step, the others (about the newest flights) at the newest value.
  for (const analysis::Finding& f : log.trends)
    for (TrendSeries& s : out.series) {
      if (s.values.empty() || std::none_of(s.values.begin(), s.values.end(),
                                           [&](const TrendValue& v) { return v.channel == f.channel; }))
        continue;
      if (f.kind == analysis::FindingKind::TrendEgt && s.quantity != TrendQuantity::CruiseEgt) continue;
      if (f.kind == analysis::FindingKind::TrendCht && s.quantity != TrendQuantity::CruiseCht) continue;
      std::size_t at = s.values.size() - 1;
      if (f.kind == analysis::FindingKind::Change)
        for (std::size_t i = s.values.size(); i-- > 0;)
          if (s.values[i].date == f.date) at = i;
      s.marks.push_back({at, f.kind, f.text});
    }
  // After the findings are placed: no finding is about the oil the engine uses.
  for (flight::Engine engine : out.engines)
    if (TrendSeries oil = oilConsumption(log, maintenance, engine); !oil.values.empty()) out.series.push_back(std::move(oil));
  return out;
}

}  // namespace varnix::store
