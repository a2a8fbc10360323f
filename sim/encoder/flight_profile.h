// SPDX-License-Identifier: GPL-3.0-or-later
// Flights with the shape of real ones: start and taxi, a rich climb, a
// leaned cruise, a descent in which the heads cool, landing and taxi. One
// cylinder runs hotter than the others. Deterministic for a given seed.
// Asked for, it adds engine events with known answers (a run-up with mag
// checks, a leaning sweep, an oscillating EGT, a probe that opens, a hot
// cruise, a per-flight drift) and says where it put them (ProfileEvents), so
// that tests can hold the analyses to them. Without events the bytes are those
// of the plain profile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "encoder/dump_encoder.h"

namespace varnix::sim::encode {

enum class ProfileLayout { Single, Extended, Twin };

// The flight flown: the plain one (a rich climb, a leaned cruise, a descent);
// a 75 % rich-of-peak cruise after a takeoff at full power and a climb at full
// rich; five touch-and-goes in an hour of pattern work (a takeoff at full
// power, a climb, the downwind, the descent, a few seconds at idle on the
// runway); or the plain flight with a descent flown at cruise RPM with MAP and
// fuel flow falling in two steps.
enum class ProfileShape { Standard, Cruise75, Circuits, PoweredDescent };

// The engine events to put into a flight; each acts on the left (or only)
// engine, but the hot day, which heats both. Cylinders are numbered from 1.
struct ProfileEventOptions {
  // A run-up of ~80 s at 1800 rpm before takeoff with a left and a right mag
  // check; on the right mag `magDeadCylinder`'s EGT does not rise (it falls).
  bool mag = false;
  int magDeadCylinder = 3;
  // A quick run-up as pilots fly it on 1-s rows (`quickMag`, instead of
  // `mag`): at 1800 rpm, 12 s after it starts, 3 s on the left mag, 5 s on
  // both, 3 s on the right mag, then both; the RPM follows the switch within
  // a second (100 and 120 lower), every EGT rises towards 50 °F higher.
  bool quickMag = false;
  // A leaning sweep early in the cruise: the fuel flow falls steadily from
  // rich to lean, each cylinder's EGT peaks at its own fuel flow, then the
  // mixture goes back to the cruise setting (rich of peak). The peaks are
  // `leanPeaks` (GPH, one per cylinder) when given, else spread evenly over
  // `leanSpread` GPH around 11.5 GPH (7.8 for four cylinders), cylinder 1 the
  // highest.
  bool lean = false;
  std::vector<double> leanPeaks;
  double leanSpread = 0.6;
  // A sticking valve: the cylinder's EGT swings +-amplitude °F with the
  // period for the whole cruise (but during a leaning sweep).
  bool valve = false;
  int valveCylinder = 4;
  double valveAmplitude = 40, valvePeriod = 60;
  // A loose probe: the channel ('C' for CHT, 'E' for EGT, of `probeCylinder`)
  // reads no value from `probeMinute` (negative: half the flight), flapping
  // between no value and its reading for `probeFlapSeconds`, then no value
  // to the end.
  bool probe = false;
  char probeKind = 'C';
  int probeCylinder = 3;
  double probeMinute = -1;
  double probeFlapSeconds = 120;
  // A hot day: the heads climb at ~425 °F and sit at 430-445 °F in the cruise
  // (30 minutes and more of it when the flight lasts 55 minutes or more).
  bool hot = false;
  // `drift` °F added per flight (the flight's `flightIndex` times) to the
  // cruise CHT and EGT of `driftCylinder` (0: none). The cylinders' own
  // offsets then come from `engineSeed`, the same in every flight of a dump,
  // as one engine's cylinders are.
  int driftCylinder = 0;
  double drift = 0;
  // Slow changes of one probe's cruise reading over a dump's last flights:
  // `perFlight` °F more in each flight of the last `lastFlights` (0: every
  // flight), the first of them by one step. The cylinders' offsets are then
  // the engine's, as under a drift.
  struct SlowChange {
    char kind = 'C';  // 'C' the CHT, 'E' the EGT
    int cylinder = 3;
    double perFlight = 1;
    int lastFlights = 0;
    bool step = false;  // `perFlight` once, from the first of the last flights on (work done on the cylinder)
    bool operator==(const SlowChange&) const = default;
  };
  std::vector<SlowChange> changes;

  bool any() const { return mag || quickMag || lean || valve || probe || hot || driftCylinder > 0 || !changes.empty(); }
};

// An aircraft's history: the flights spread evenly over `days` from the first
// flight's date, each at its own hour of the day, around the season's level
// (outside air, and with it the heads and EGTs, warmest in late July), with
// variations drawn at random for each flight (from the dump's seed) instead of
// from successive seeds, and one engine's cylinders throughout.
struct ProfileHistory {
  int days = 0;  // 0: no history, a flight a day
};

struct ProfileOptions {
  ProfileLayout layout = ProfileLayout::Single;
  ProfileShape shape = ProfileShape::Standard;
  int cylinders = 6;         // 1-9 (Single, Extended), 1-6 (Twin)
  bool allChannels = false;  // every channel the layout has (Single, Extended), nine cylinders
  double minutes = 60;       // flight time; the rows are minutes x 60 / interval
  int interval = 6;          // seconds between records
  unsigned seed = 1;
  std::uint16_t flightNumber = 1;
  int day = 3, month = 6, year = 24;
  int hours = 9, minutes0 = 12, seconds0 = 0;  // start time
  int fuelUnit = 0;          // 0 GPH, 1 LPH, 2 PPH, 3 KPH
  ProfileEventOptions events;
  int flightIndex = 0;       // which flight of a dump (ProfileDump counts it), for the drift
  int flightCount = 1;       // the flights of the dump (ProfileDump sets it), for the slow changes
  unsigned engineSeed = 1;   // the cylinders' offsets under a drift (ProfileDump: the first flight's seed)
  ProfileHistory history;
};

// Where a flight's events are, in seconds from its first row (row n is at n x
// interval); temperatures in °F, fuel flows in GPH. An event not asked for has
// `present` false. An event holds from its start up to (not including) its end.
struct ProfileEvents {
  double runUpStart = 0, runUpEnd = 0;      // the run-up phase
  double cruiseStart = 0, cruiseEnd = 0;    // the cruise phase (of circuits: the first downwind)
  std::vector<double> takeoffs;             // where each takeoff's power comes in (the plain climb's start)
  double descentStart = 0, descentEnd = 0;  // the (first) descent, up to the landing or the touch-and-go
  struct Mag {
    bool present = false;
    double leftStart = 0, leftEnd = 0;      // on the left mag alone
    double rightStart = 0, rightEnd = 0;    // on the right mag alone
    double leftRpmDrop = 0, rightRpmDrop = 0;
    double egtRise = 0;                     // of every cylinder but the dead one
    int deadCylinder = 0;                   // its EGT falls `deadFall` on the right mag
    double deadFall = 0;
    bool quick = false;                     // checks of seconds, the RPM following the switch within a second
  } mag;
  struct Lean {
    bool present = false;
    double richStart = 0;                   // the mixture goes full rich
    double sweepStart = 0, sweepEnd = 0;    // the fuel flow falls steadily
    double end = 0;                         // back at the cruise setting
    double richFuelFlow = 0, leanFuelFlow = 0, afterFuelFlow = 0;
    std::vector<double> peakFuelFlow;       // per cylinder (index 0 is cylinder 1)
    std::vector<double> peakAt;             // when the fuel flow passes each peak
  } lean;
  struct Valve {
    bool present = false;
    int cylinder = 0;
    double amplitude = 0, period = 0, start = 0, end = 0;
  } valve;
  struct Probe {
    bool present = false;
    char kind = 'C';                        // 'C' CHT, 'E' EGT
    int cylinder = 0;
    double opensAt = 0, flapsUntil = 0;     // no value at opensAt, and for good from flapsUntil
  } probe;
  struct Hot {
    bool present = false;
    double start = 0, end = 0;              // every head between 430 and 445 °F, as recorded
    int lowest = 0, highest = 0;            // the recorded head temperatures in that span
  } hot;
  struct Drift {
    bool present = false;
    int cylinder = 0;
    double added = 0;                       // °F added to its cruise CHT and EGT in this flight
  } drift;
  struct Change {
    char kind = 'C';
    int cylinder = 0;
    double added = 0;                       // °F added to the probe's cruise reading in this flight
  };
  std::vector<Change> changes;              // one per slow change asked for
  double seasonOatF = 0;                    // a history's seasonal outside air on the ground (°F); 0 without
  double fuelUsed = 0;                      // gallons the fuel flow adds up to over the flight, all engines
};

// One flight's header and records; `truth`, when given, says where its events are.
FlightPlan ProfileFlight(const ProfileOptions& options, ProfileEvents* truth = nullptr);

// A dump of `flights` flights, one after the other on successive days (the
// calendar's, across months and years), or spread over a history's days;
// `truth` gets one ProfileEvents per flight.
DumpPlan ProfileDump(const ProfileOptions& first, int flights, const std::string& userId = "N123AB",
                     std::vector<ProfileEvents>* truth = nullptr);

}  // namespace varnix::sim::encode
