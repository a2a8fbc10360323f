// SPDX-License-Identifier: GPL-3.0-or-later
// Flights with the shape of real ones: start and taxi, a rich climb, a
// leaned cruise, a descent in which the heads cool, landing and taxi. One
// cylinder runs hotter than the others. Deterministic for a given seed.
#pragma once

#include <cstdint>

#include "encoder/dump_encoder.h"

namespace varnix::encode {

enum class ProfileLayout { Single, Extended, Twin };

struct ProfileOptions {
  ProfileLayout layout = ProfileLayout::Single;
  int cylinders = 6;         // 1-9 (Single, Extended), 1-6 (Twin)
  bool allChannels = false;  // every channel the layout has (Single, Extended), nine cylinders
  double minutes = 60;       // flight time; the rows are minutes x 60 / interval
  int interval = 6;          // seconds between records
  unsigned seed = 1;
  std::uint16_t flightNumber = 1;
  int day = 3, month = 6, year = 24;
  int hours = 9, minutes0 = 12, seconds0 = 0;  // start time
  int fuelUnit = 0;          // 0 GPH, 1 LPH, 2 PPH, 3 KPH
};

// One flight's header and records.
FlightPlan ProfileFlight(const ProfileOptions& options);

// A dump of `flights` flights, one after the other on successive days.
DumpPlan ProfileDump(const ProfileOptions& first, int flights, const std::string& userId = "N123AB");

}  // namespace varnix::encode
