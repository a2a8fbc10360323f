// SPDX-License-Identifier: MIT
// The exhaust-valve screen. A failing exhaust valve makes its cylinder's EGT
// swing about the others, slowly and regularly. In steady cruise, each
// cylinder's EGT minus the median of the other cylinders of its engine
// (three cylinders or more) is filtered to the band of 0.5 to 2 cycles a
// minute (a 15 s moving average less a 120 s one, which takes out the noise
// and the slow drift); in windows of ten minutes (every five) its period is
// the time between crossings of zero and its amplitude the RMS times √2,
// divided by the filter's gain at that period. A window whose crossings are
// regular, with a period of 30 to 120 s, shows an oscillation; the largest
// one of a cylinder between `valve_amplitude_min` (30 °F) and
// `valve_amplitude_max` (100 °F) is a `valve` caution, above it something
// else than a valve (`too_large`). The 30 to 100 °F, the band and the rows of
// 6 s or less come from the issue; the windows are ours (five cycles of the
// slowest swing). A flight with rows longer than 6 s, without a steady
// cruise of ten minutes or without three EGTs on an engine is not judged.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/cylinder_groups.h"
#include "analysis/findings.h"
#include "analysis/flight_phases.h"
#include "analysis/limits.h"
#include "analysis/result_json.h"
#include "analysis/result_sections.h"
#include "flight/flight.h"

namespace varnix::analysis {

enum class ValveVerdict { None, Valve, TooLarge };

// "none", "valve", "too_large".
std::string_view ValveVerdictName(ValveVerdict verdict);

// One cylinder's largest oscillation in the band (JSON `channel`,
// `amplitude`, `period_s`, `verdict`).
struct ValveCylinder {
  std::string channel;  // "E4", "LE2"
  double amplitude = 0;  // ± in the flight's unit
  double period = 0;     // seconds; 0 when no regular swing in the band was found
  ValveVerdict verdict = ValveVerdict::None;
  double start = 0, end = 0;  // the window it was found in, seconds from the first row
  bool regular = false;       // a regular swing of its own, not the echo of another cylinder's
};

struct ValveScreen {
  bool judged = false;
  std::string why;                    // when not judged
  std::vector<ValveCylinder> cylinders;  // every cylinder screened, in channel order
};

inline constexpr double kValveMaxInterval = 6;       // seconds between rows
inline constexpr double kValveShortestPeriod = 30;   // s: 2 cycles a minute
inline constexpr double kValveLongestPeriod = 120;   // s: 0.5 cycles a minute
inline constexpr double kValveWindowSeconds = 600;

// The screen over the given spans (those of phase cruise are used).
ValveScreen ScreenValves(const flight::Flight& flight, std::span<const PhaseSpan> spans, const Limits& limits);
// The same with the EGT groups' neighbours found already (NeighboursOf the
// flight's EGT CylinderGroups), which the sensor faults share.
ValveScreen ScreenValves(const flight::Flight& flight, std::span<const PhaseSpan> spans, const Limits& limits,
                         std::span<const GroupNeighbours> egts);
// The same over the flight's cruise phases; while the phases find none, over
// the steady cruise of the findings' digest (from its first to its last
// steady row), and not judged when the digest has no steady cruise.
ValveScreen ScreenValves(const flight::Flight& flight, const Limits& limits);
// The same with the flight's digest already made (the findings make one).
ValveScreen ScreenValves(const flight::Flight& flight, const FlightDigest& digest, const Limits& limits);

// The screen the digest keeps (DigestFlight screens the cruise once), judged
// under `limits`.
ValveScreen ValveScreenOf(const FlightDigest& digest, const Limits& limits);
// A cylinder's verdict under `limits`, its amplitude in `unit`.
ValveVerdict JudgeValve(const ValveCylinder& cylinder, const Limits& limits, flight::Unit unit);

// The caution's sentence: "E4 swings ±40 °F about once a minute in cruise, a
// pattern seen with a failing exhaust valve — a borescope look is worth it".
std::string ValveFindingText(const ValveCylinder& cylinder, flight::Unit unit);

// The swinging cylinders in cruise, as a line beside power and mixture.
ResultSections ValveScreenSections(const flight::Flight& f, const ValveScreen& screen);

// `valve_screen` of analyze --json: [{channel, amplitude, period_s, verdict}] (the period null
// when none was found), or {"judged": false, "why": ...}.
Json ValveScreenJson(const ValveScreen& screen);

}  // namespace varnix::analysis
