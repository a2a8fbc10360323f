// SPDX-License-Identifier: MIT
#include "analysis/engine_presets.h"

#include <vector>

namespace varnix::analysis {

namespace {

// The figures and the documents they come from are listed in the README
// ("Engine presets"); a figure left 0 keeps the default.
constexpr std::string_view kTsio550[] = {"tsio 550", "sr 22 t", "sr 22 turbo"};
constexpr std::string_view kIo550[] = {"io 550", "sr 22"};
constexpr std::string_view kTio540[] = {"tio 540"};
constexpr std::string_view kIo540[] = {"io 540", "o 540"};
constexpr std::string_view kIo360[] = {"io 360", "o 360"};
constexpr std::string_view kContinental[] = {"continental", "tcm"};
constexpr std::string_view kLycoming[] = {"lycoming"};

// Models first: "Lycoming IO-360" is the IO-360, not the family; the
// turbocharged models before the names their own contain.
constexpr EnginePreset kPresets[] = {
    {.key = "tsio-550", .name = "Continental TSIO-550", .names = kTsio550,
     .chtMax = 460, .chtCaution = 420, .titMax = 1750, .oilMax = 240},
    {.key = "io-550", .name = "Continental IO-550", .names = kIo550,
     .chtMax = 460, .chtCaution = 420, .oilMax = 240},
    {.key = "tio-540", .name = "Lycoming TIO-540", .names = kTio540,
     .chtMax = 500, .chtCaution = 435, .oilMax = 245},
    {.key = "io-540", .name = "Lycoming O-540 / IO-540", .names = kIo540,
     .chtMax = 500, .chtCaution = 435, .oilMax = 245},
    {.key = "io-360", .name = "Lycoming O-360 / IO-360", .names = kIo360,
     .chtMax = 500, .chtCaution = 435, .oilMax = 245},
    {.key = "continental", .name = "Continental", .names = kContinental, .chtMax = 460, .chtCaution = 420},
    {.key = "lycoming", .name = "Lycoming", .names = kLycoming, .chtMax = 500, .chtCaution = 435},
};

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A name's words, in lower case: split at anything but letters and digits
// and where letters and digits meet ("TSIO-550-K" is tsio 550 k, "SR22T"
// sr 22 t).
std::vector<std::string> wordsOf(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  auto flush = [&] {
    if (!word.empty()) words.push_back(std::move(word));
    word.clear();
  };
  for (const char c : text) {
    if (!isLetter(c) && !isDigit(c)) {
      flush();
      continue;
    }
    if (!word.empty() && isDigit(word.back()) != isDigit(c)) flush();
    word += lowered(c);
  }
  flush();
  return words;
}

// Whether `pattern`'s words stand one after another in `words`.
bool holds(const std::vector<std::string>& words, std::string_view pattern) {
  const std::vector<std::string> wanted = wordsOf(pattern);
  if (wanted.empty() || wanted.size() > words.size()) return false;
  for (std::size_t at = 0; at + wanted.size() <= words.size(); ++at) {
    std::size_t i = 0;
    while (i < wanted.size() && words[at + i] == wanted[i]) ++i;
    if (i == wanted.size()) return true;
  }
  return false;
}

}  // namespace

std::span<const EnginePreset> EnginePresets() { return kPresets; }

const EnginePreset* PresetOfName(std::string_view name) {
  const std::vector<std::string> words = wordsOf(name);
  for (const EnginePreset& p : kPresets) {
    if (holds(words, p.key)) return &p;
    for (const std::string_view n : p.names)
      if (holds(words, n)) return &p;
  }
  return nullptr;
}

Limits WithPreset(Limits limits, const EnginePreset& preset) {
  for (const auto& [figure, field] : {std::pair{preset.chtMax, &Limits::chtMax}, std::pair{preset.chtCaution, &Limits::chtCaution},
                                      std::pair{preset.titMax, &Limits::titMax}, std::pair{preset.oilMax, &Limits::oilMax}})
    if (figure > 0) limits.*field = figure;
  return limits;
}

FlightLimits LimitsOfFlight(const LimitsFile& file, std::string_view airframe) {
  FlightLimits out;
  out.limits = file.limits;
  if (!file.engine.empty()) {
    out.preset = PresetOfName(file.engine);
    out.pickedBy = "limits file";
  } else if (!airframe.empty()) {
    out.preset = PresetOfName(airframe);
    out.pickedBy = "airframe";
  }
  if (!out.preset) {
    out.pickedBy = {};
    return out;
  }
  // The file's limits win where they differ from the defaults: the Limits
  // editor writes every key, most of them at their defaults.
  const Limits defaults;
  const Limits preset = WithPreset(defaults, *out.preset);
  for (const LimitField& k : LimitFields())
    if (file.limits.*k.field == defaults.*k.field) out.limits.*k.field = preset.*k.field;
  return out;
}

std::string PresetText(const FlightLimits& limits) {
  if (!limits.preset) return {};
  return std::string(limits.preset->name) + " (from the " + std::string(limits.pickedBy) + ")";
}

}  // namespace varnix::analysis
