// SPDX-License-Identifier: MIT
#include "store/maintenance_figures.h"

#include <cmath>
#include <cstdio>

namespace varnix::store {

namespace {

constexpr double kQuartsPerLitre = 1.0 / 0.946352946;
constexpr double kLitresPerGallon = 3.785411784;

double quarts(const MaintenanceEntry& e) { return e.unit == "L" ? *e.quantity * kQuartsPerLitre : *e.quantity; }
double gallons(double amount, const std::string& unit) { return unit == "L" ? amount / kLitresPerGallon : amount; }

// The flights from the day of `from` to the day before `to`.
template <typename Each>
void flightsBetween(const std::vector<FlownFlight>& flights, const std::string& from, const std::string& to, Each each) {
  for (const FlownFlight& f : flights)
    if (f.date >= from && f.date < to) each(f);
}

std::string fixed(double v, const char* format) {
  char buf[48];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

}  // namespace

std::vector<OilInterval> OilConsumption(const std::vector<MaintenanceEntry>& entries,
                                        const std::vector<FlownFlight>& flights) {
  std::vector<OilInterval> out;
  const MaintenanceEntry* last = nullptr;  // the oil change or addition before
  for (const MaintenanceEntry& e : entries) {
    if (e.kind == MaintenanceKind::OilChange) {
      last = &e;
      continue;
    }
    if (e.kind != MaintenanceKind::OilAdded || !e.quantity) continue;
    if (last && last->date <= e.date) {
      OilInterval i;
      i.from = last->date;
      i.to = e.date;
      i.quarts = quarts(e);
      if (last->tach && e.tach && *e.tach >= *last->tach) {
        i.hours = *e.tach - *last->tach;
      } else {
        flightsBetween(flights, i.from, i.to, [&](const FlownFlight& f) { i.hours += f.hours; });
      }
      if (i.hours < kOilIntervalHoursLeast)
        i.why = fixed(i.hours, "%.1f") + " h flown between them, fewer than " + fixed(kOilIntervalHoursLeast, "%.0f");
      else
        i.rate = i.quarts / i.hours;
      out.push_back(std::move(i));
    }
    last = &e;
  }
  return out;
}

FuelCalibration FuelFlowCalibration(const std::vector<MaintenanceEntry>& entries,
                                    const std::vector<FlownFlight>& flights, double factor) {
  FuelCalibration c;
  const MaintenanceEntry* full = nullptr;  // the last fill to full tanks
  double pumped = 0;                       // since it
  for (const MaintenanceEntry& e : entries) {
    if (e.kind != MaintenanceKind::FuelFill || !e.quantity) continue;
    const double g = gallons(*e.quantity, e.unit);
    if (!IsFullFill(e)) {
      pumped += g;
      continue;
    }
    if (full && full->date <= e.date) {
      FuelInterval i;
      i.from = full->date;
      i.to = e.date;
      i.pumped = pumped + g;
      bool known = true;
      std::size_t count = 0;
      flightsBetween(flights, i.from, i.to, [&](const FlownFlight& f) {
        ++count;
        if (f.fuel) i.monitor += gallons(*f.fuel, f.fuelUnit);
        else known = false;
      });
      if (count == 0) i.why = "no flight between the fills";
      else if (!known) i.why = "a flight between the fills has no fuel figure";
      else i.errorPercent = (i.monitor - i.pumped) / i.pumped * 100;
      c.intervals.push_back(std::move(i));
    }
    full = &e;
    pumped = 0;
  }
  std::vector<const FuelInterval*> judged;
  for (const FuelInterval& i : c.intervals)
    if (i.errorPercent) judged.push_back(&i);
  if (judged.size() < kFuelIntervalsLeast) {
    c.why = std::to_string(judged.size()) + " interval(s) between full fills with the fuel of every flight; " +
            std::to_string(kFuelIntervalsLeast) + " are needed";
    return c;
  }
  double sum = 0, monitor = 0, pumpedAll = 0;
  for (const FuelInterval* i : judged) {
    sum += *i->errorPercent;
    monitor += i->monitor;
    pumpedAll += i->pumped;
  }
  const double mean = sum / static_cast<double>(judged.size());
  double squares = 0;
  for (const FuelInterval* i : judged) squares += (*i->errorPercent - mean) * (*i->errorPercent - mean);
  const double spread = std::sqrt(squares / static_cast<double>(judged.size() - 1));
  if (spread > kFuelSpreadMost) {
    c.why = "the intervals disagree: their errors spread by " + fixed(spread, "%.1f") + " points (at most " +
            fixed(kFuelSpreadMost, "%.0f") + ")";
    return c;
  }
  c.meanErrorPercent = mean;
  c.spreadPercent = spread;
  c.correctedFactor = factor * monitor / pumpedAll;
  return c;
}

std::string OilIntervalText(const OilInterval& i) {
  if (!i.rate) return "";
  return "Oil used " + fixed(*i.rate, "%.2f") + " qt/h: " + fixed(i.quarts, "%.1f") + " qt added on " + i.to + " after " +
         fixed(i.hours, "%.1f") + " h since " + i.from;
}

std::string FuelFlowText(const FuelCalibration& c) {
  if (c.intervals.empty()) return "";
  if (!c.meanErrorPercent || !c.spreadPercent || !c.correctedFactor)
    return "The fuel flow against the fuel pumped: " + c.why;
  return "The fuel flow reads " + fixed(*c.meanErrorPercent, "%+.1f") + " % (spread " + fixed(*c.spreadPercent, "%.1f") +
         " points over " + std::to_string(c.intervals.size()) + " fills to full): a transducer factor of " +
         fixed(*c.correctedFactor, "%.3f") + " times today's would correct it";
}

}  // namespace varnix::store
