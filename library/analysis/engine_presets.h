// SPDX-License-Identifier: MIT
// The limits of the engine flown: a table of engine presets (a model or a
// maker's family) whose published figures replace the defaults, picked by
// the limits file's `engine = ...` key or else by the airframe a log names
// ("Cirrus SR22 Turbo" flies a TSIO-550). A limit the file sets to other
// than its default wins over the preset; where nothing is known the
// defaults stay.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "analysis/limits.h"

namespace varnix::analysis {

struct EnginePreset {
  std::string_view key;    // what the limits file's engine key names it by, e.g. "tsio-550"
  std::string_view name;   // "Continental TSIO-550"
  // The names that pick it, as word sequences: "tsio 550" matches
  // "TSIO-550-K" and "tsio550"; "sr 22 t" matches "SR22T" but not "SR22 TN".
  std::span<const std::string_view> names;
  // Its figures in °F; 0 leaves the default (no published figure for every
  // model of the row).
  double chtMax = 0, chtCaution = 0, titMax = 0, oilMax = 0;
};

// Every preset, models before the makers' families that hold them.
std::span<const EnginePreset> EnginePresets();

// The preset a name picks: the limits file's engine key, an engine model
// ("Lycoming IO-360-L2A") or an airframe ("Cirrus SR22 Turbo (3600 GW)");
// nothing for a name no row matches.
const EnginePreset* PresetOfName(std::string_view name);

// `limits` with the preset's figures where it has them.
Limits WithPreset(Limits limits, const EnginePreset& preset);

// The limits a flight is judged under, and the preset they come from.
struct FlightLimits {
  Limits limits;
  const EnginePreset* preset = nullptr;  // nothing: the file's limits over the defaults alone
  std::string_view pickedBy;             // "limits file" (its engine key) or "airframe"; "" without a preset
};

// The aircraft's limits file applied to a flight whose log names
// `airframe` ("" for our own monitor's files): the preset of the file's
// engine key, else of the airframe, then every limit the file sets to other
// than its default.
FlightLimits LimitsOfFlight(const LimitsFile& file, std::string_view airframe);

// "Continental TSIO-550 (from the airframe)", "" without a preset: how the
// logbook, the flight window and the terminal say which preset applies.
std::string PresetText(const FlightLimits& limits);

}  // namespace varnix::analysis
