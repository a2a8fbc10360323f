// SPDX-License-Identifier: MIT
// Sensor faults: an EGT or CHT probe whose readings cannot be the engine's.
// While the engine runs (RPM above 500, else fuel flow above zero, else the
// EGTs' median above 600 °F) and after its first minute, a channel is faulty
// where it jumps between two rows by more than `sensor_step` (200 °F at rows
// of 6 s or less, scaled with longer rows) beyond what the median of the
// other cylinders of its kind and engine did (a probe coming loose; without
// other cylinders, its own change), where it reads zero or no value
// (dropout), where it stays at one value for `sensor_stuck_minutes` (5) while
// the others' median moves by more than `sensor_stuck_move` (50 °F), and
// where it stands more than `cht_divergence` (100 °F) or `egt_divergence`
// (400 °F) from the others' median for 30 s or more (needs two others). The
// 100 °F and 400 °F come from the issue; the step, the stuck time and the
// move are ours: a thermocouple lags seconds behind the gas, heads minutes,
// so a few hundred degrees in one row beyond the other cylinders is the
// wiring, not the engine. Faults of one kind on one channel less than two
// minutes apart are one span, so a flapping probe is one fault. A column
// without a single value is an unused channel and never faulty.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/cylinder_groups.h"
#include "analysis/limits.h"
#include "analysis/result_json.h"
#include "analysis/result_sections.h"
#include "flight/flight.h"

namespace varnix::analysis {

enum class SensorFaultKind { Step, Dropout, Stuck, Divergent };

// "step", "dropout", "stuck", "divergent".
std::string_view SensorFaultKindName(SensorFaultKind kind);

// One fault span: `start`, `end` (JSON `start_s`, `end_s`) are seconds from
// the flight's first row, the first and last faulty row (a step: the rows
// before and after it).
struct SensorFault {
  std::string channel;  // "C3", "LE2", "E1 CHT3"
  SensorFaultKind kind = SensorFaultKind::Step;
  double start = 0, end = 0;
  bool operator==(const SensorFault&) const = default;
};

inline constexpr double kRunningRpm = 500;            // RPM
inline constexpr double kRunningEgtF = 600;           // °F, without RPM and fuel flow
inline constexpr double kSettleSeconds = 60;          // after the engine starts
inline constexpr double kDivergentSeconds = 30;       // a divergence must last
inline constexpr double kFaultMergeSeconds = 120;     // faults closer than this are one span

// Every fault of the flight's EGT and CHT channels, by start time.
std::vector<SensorFault> FindSensorFaults(const flight::Flight& flight, const Limits& limits);
// The same with the EGT groups' neighbours found already (NeighboursOf the
// flight's EGT CylinderGroups), which the valve screen shares; a group
// without rows found (only its `group`) is found here.
std::vector<SensorFault> FindSensorFaults(const flight::Flight& flight, const Limits& limits,
                                          std::span<const GroupNeighbours> egts);

// Whether FindSensorFaults finds the same under both: their sensing thresholds are equal.
bool SameSensing(const Limits& a, const Limits& b);

// Whether `channel` is faulty at `seconds` (from the first row): within one
// of its fault spans, ends included. Limit findings on it there are held back.
bool FaultAt(std::span<const SensorFault> faults, std::string_view channel, double seconds);

// The finding's sentence: "C3 reads like a loose probe from 10:42 to 10:58";
// `startOfDay` is the clock of the flight's first row.
std::string SensorFaultText(const SensorFault& fault, double startOfDay);

// The probes that read like faults, as a line beside power and mixture.
ResultSections SensorFaultSections(const std::vector<SensorFault>& faults);

// `sensor_faults` of analyze --json: [{channel, kind, start_s, end_s}].
Json SensorFaultsJson(const std::vector<SensorFault>& faults);

}  // namespace varnix::analysis
