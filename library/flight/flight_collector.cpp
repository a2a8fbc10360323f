// SPDX-License-Identifier: MIT
#include "flight/flight_collector.h"

#include "core/csv_writer.h"
#include "flight/native_channels.h"

#include <cmath>
#include <limits>
#include <string>

namespace varnix::flight {
namespace {

// The value as the CSV file shows it: some channels are kept in tenths.
float valueOf(const ValueSlot& slot, std::int32_t fuelUnit) {
  if (slot.notAvailable) return std::numeric_limits<float>::quiet_NaN();
  if (slot.presenceBit == kMarkPresenceBit) return slot.currentValue != 0 ? 1.0f : 0.0f;
  return ShownInTenths(slot, fuelUnit) ? static_cast<float>(slot.currentValue / 10.0)
                                       : static_cast<float>(slot.currentValue);
}

double secondsOfDay(const RunningClock& c) { return c.hours * 3600.0 + c.minutes * 60.0 + c.seconds; }

}  // namespace

bool FlightCollector::beginFlight(const FlightStart& start) {
  Flight f;
  f.facts.identification = std::string(start.identification);
  if (f.facts.identification.size() >= 2 && f.facts.identification.front() == '"')
    f.facts.identification = f.facts.identification.substr(1, f.facts.identification.size() - 2);
  f.facts.aircraft = std::string(start.userId);
  f.facts.flightNumber = start.flight.flightNumber;
  f.facts.engineUnit = start.engineUnit;
  f.facts.outsideAirUnit = start.outsideAirUnit;
  f.facts.interval = start.interval;
  // As the file's fifth line names it.
  static constexpr const char* kFuelUnits[] = {"GPH", "LPH", "PPH", "KPH"};
  if (start.fuelFlowPresent && start.fuelUnit >= 0 && start.fuelUnit < 4) f.facts.fuelUnit = kFuelUnits[start.fuelUnit];
  slots_.clear();
  std::vector<std::string> titles;
  for (int s = 1; s < kValueSlots; ++s) {
    const ValueSlot& slot = start.channels[static_cast<std::size_t>(s)];
    if (!slot.enabled) continue;
    slots_.push_back(s);
    titles.emplace_back(slot.name);
  }
  f.channels = NativeChannels(titles, f.facts);
  f.columns.reset(slots_.size(), 0);
  fuelUnit_ = start.fuelUnit;
  lastClock_ = -1;
  dayOffset_ = 0;
  flights.push_back(std::move(f));
  return true;
}

void FlightCollector::rows(const FlightRows& rows) {
  Flight& f = flights.back();
  RunningClock clock = rows.clock;
  for (int k = 0; k < rows.count; ++k) {
    double t = secondsOfDay(clock) + dayOffset_;
    if (lastClock_ >= 0 && t < lastClock_) {
      dayOffset_ += 86400;
      t += 86400;
    }
    if (f.seconds.empty()) f.startOfDay = t;
    lastClock_ = t;
    f.seconds.push_back(t - f.startOfDay);
    f.columns.makeRoom();
    for (std::size_t c = 0; c < slots_.size(); ++c)
      f.columns.next(c) = valueOf(rows.values[static_cast<std::size_t>(slots_[c])], fuelUnit_);
    f.columns.addRow();
    AdvanceClock(clock, rows.interval);
  }
}

void FlightCollector::endFlight(const FlightEnd& end) { flights.back().facts.durationHours = end.hours; }

}  // namespace varnix::flight
