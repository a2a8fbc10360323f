// SPDX-License-Identifier: GPL-3.0-or-later
#include "make_maintenance.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace varnix::sim {

namespace {

// Oil is added every this many flights, fuel filled to full every this many.
constexpr int kOilEvery = 5;
constexpr int kFillEvery = 3;

int firstFlight(const SimulatedMaintenance::Injector& injector, int flights) {
  return injector.flight > 0 ? std::min(injector.flight, flights) : flights / 2 + 1;
}

std::string dateOf(const encode::FlightPlan& f) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", 2000 + f.header.year % 100, f.header.month % 100, f.header.day % 100);
  return buf;
}

std::string decimal(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

}  // namespace

std::string ParseInjector(const std::string& text, SimulatedMaintenance::Injector* injector) {
  const std::string wrong = "an injector is CYLINDER:DEGREES[:FLIGHT], e.g. 3:25:40 (cylinder 3's cruise CHT 25 F "
                            "cooler from the 40th flight on), not '" + text + "'";
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ':');) parts.push_back(item);
  if (parts.size() < 2 || parts.size() > 3) return wrong;
  SimulatedMaintenance::Injector j;
  try {
    std::size_t used = 0;
    j.cylinder = std::stoi(parts[0], &used);
    if (used != parts[0].size() || j.cylinder < 1 || j.cylinder > 9) return wrong;
    j.cooler = std::stod(parts[1], &used);
    if (used != parts[1].size() || !(j.cooler >= -100 && j.cooler <= 100)) return wrong;
    if (parts.size() == 3) {
      j.flight = std::stoi(parts[2], &used);
      if (used != parts[2].size() || j.flight < 1) return wrong;
    }
  } catch (const std::exception&) {
    return wrong;
  }
  if (injector) *injector = j;
  return "";
}

encode::ProfileEventOptions::SlowChange InjectorStep(const SimulatedMaintenance::Injector& injector, int flights) {
  encode::ProfileEventOptions::SlowChange c;
  c.kind = 'C';
  c.cylinder = injector.cylinder;
  c.perFlight = -injector.cooler;
  c.lastFlights = flights - firstFlight(injector, flights) + 1;
  c.step = true;
  return c;
}

std::string MaintenanceCsv(const SimulatedMaintenance& m, const encode::DumpPlan& plan,
                           const std::vector<encode::ProfileEvents>& truth, double minutes) {
  std::string out = "date,tach,kind,engine,cylinder,quantity,unit,text\n";
  const int flights = static_cast<int>(plan.flights.size());
  const double hours = minutes / 60;
  double oilHours = 0, fuelSince = 0;
  for (int i = 0; i < flights; ++i) {
    const std::string date = dateOf(plan.flights[static_cast<std::size_t>(i)]);
    // The day's work comes before the day's flight.
    if (m.oilRate) {
      if (i == 0) out += date + ",,oil_change,,,8,qt,changed with the filter\n";
      else if (i % kOilEvery == 0) {
        out += date + ",,oil_added,,," + decimal(*m.oilRate * oilHours) + ",qt,\n";
        oilHours = 0;
      }
    }
    if (m.fuelError && i % kFillEvery == 0) {
      // The monitor's fuel is the pumped fuel off by the error.
      const double pumped = i == 0 ? 40 : fuelSince / (1 + *m.fuelError / 100);
      out += date + ",,fuel_fill,,," + decimal(pumped) + ",gal,full\n";
      fuelSince = 0;
    }
    if (m.injector && i + 1 == firstFlight(*m.injector, flights))
      out += date + ",,injector,," + std::to_string(m.injector->cylinder) + ",,,cleaned\n";
    oilHours += hours;
    fuelSince += truth[static_cast<std::size_t>(i)].fuelUsed;
  }
  return out;
}

}  // namespace varnix::sim
