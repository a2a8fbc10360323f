// SPDX-License-Identifier: MIT
// The airborne phases of a flight from what the aircraft did, where the file
// records it (avionics logs): lift-off and touchdown from the indicated
// airspeed, climb and descent from a lasting vertical speed (or altitude
// change), cruise from level flight lasting a few minutes. The engine's phases
// keep the ground, the run-up and the engine's start and shutdown.
#pragma once

#include "analysis/flight_phases.h"
#include "flight/flight.h"

namespace varnix::analysis {

// Replaces the airborne part of `engine` (the engine-only phases of `flight`)
// with the phases the air data gives, and its basis with "airspeed" (lift-off
// and touchdown from the airspeed) or "altitude" (from the engine, climb,
// cruise and descent from the altitude or vertical speed). False, and
// `engine` left as it was, where the flight has no usable air data.
bool ApplyAirData(const flight::Flight& flight, FlightPhases& engine);

}  // namespace varnix::analysis
