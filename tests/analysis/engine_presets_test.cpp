// SPDX-License-Identifier: GPL-3.0-or-later
// The limits of the engine flown: which name picks which preset, the limits
// file's engine key, the file's own values over the preset, and the shared
// SR22 Turbo logs judged under their engine's TIT limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/engine_analysis.h"
#include "analysis/engine_presets.h"
#include "analysis/findings.h"
#include "analysis/limits.h"
#include "flight/open_flight.h"
#include "shared_logs.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

std::string keyOf(const analysis::EnginePreset* p) { return p ? std::string(p->key) : "none"; }

TEST(EnginePresets, ANamePicksThePresetOfItsEngine) {
  struct Case {
    const char* name;
    const char* key;
  };
  const Case cases[] = {
      {"Cirrus SR22 Turbo", "tsio-550"},            // the G1000 logs' airframe_name
      {"Cirrus SR22 Turbo (3600 GW)", "tsio-550"},
      {"SR22T", "tsio-550"},
      {"Continental TSIO-550-K", "tsio-550"},
      {"tsio550", "tsio-550"},
      {"Cirrus SR22", "io-550"},
      {"SR22 TN", "io-550"},                        // turbonormalised: an IO-550, no TSIO limit
      {"IO-550-N", "io-550"},
      {"Lycoming IO-360-L2A", "io-360"},            // the model, not the family
      {"O-360-A4M", "io-360"},
      {"Lycoming TIO-540-AE2A", "tio-540"},         // not the IO-540 inside its name
      {"io-540", "io-540"},
      {"LYCOMING", "lycoming"},
      {"Teledyne Continental", "continental"},
      {"GDU 460", "none"},                          // the G3X Touch's display, no engine
      {"N662EZ", "none"},
      {"Model 830 Firmware 288", "none"},           // our monitor's identification
      {"Rotax 912", "none"},
      {"", "none"},
  };
  for (const Case& c : cases) EXPECT_EQ(keyOf(analysis::PresetOfName(c.name)), c.key) << c.name;
  // Every row is picked by its own key: no row before it hides it.
  for (const analysis::EnginePreset& p : analysis::EnginePresets())
    EXPECT_EQ(analysis::PresetOfName(p.key), &p) << p.key;
}

TEST(EnginePresets, TheLimitsFileNamesTheEngineAndItsOwnValuesWin) {
  struct Case {
    const char* what;
    const char* file;
    const char* airframe;
    const char* pickedBy;
    double chtMax, chtCaution, titMax, oilMax;
    std::size_t problems = 0;
  };
  const Case cases[] = {
      {"nothing known: the defaults", "", "", "", 450, 420, 1650, 230},
      {"the airframe of an SR22 Turbo log", "", "Cirrus SR22 Turbo", "airframe", 460, 420, 1750, 240},
      {"the file's engine key, for any file", "engine = io-360\n", "", "limits file", 500, 435, 1650, 245},
      {"the engine key before the airframe", "engine = lycoming\n", "Cirrus SR22 Turbo", "limits file", 500, 435,
       1650, 230},
      {"a value of the file wins over the preset", "tit_max = 1700\ncht_max = 440\n", "Cirrus SR22 Turbo",
       "airframe", 440, 420, 1700, 240},
      {"a value at its default leaves the preset's", "tit_max = 1650\noil_max = 230\n", "Cirrus SR22 Turbo",
       "airframe", 460, 420, 1750, 240},
      {"an engine no preset knows is a problem", "ENGINE = rotary\n", "", "", 450, 420, 1650, 230, 1},
      {"an unknown engine leaves the airframe's", "engine = rotary\n", "SR22T", "airframe", 460, 420, 1750, 240, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const analysis::LimitsFile file = analysis::ParseLimits(c.file);
    EXPECT_EQ(file.problems.size(), c.problems);
    const analysis::FlightLimits got = analysis::LimitsOfFlight(file, c.airframe);
    EXPECT_EQ(got.pickedBy, c.pickedBy);
    EXPECT_EQ(got.limits.chtMax, c.chtMax);
    EXPECT_EQ(got.limits.chtCaution, c.chtCaution);
    EXPECT_EQ(got.limits.titMax, c.titMax);
    EXPECT_EQ(got.limits.oilMax, c.oilMax);
    // What the writer makes of the file reads back the same, engine line and all.
    const analysis::LimitsFile again = analysis::ParseLimits(analysis::FormatLimits(file.limits, file.engine));
    EXPECT_TRUE(again.problems.empty()) << again.problems.front().text;
    EXPECT_EQ(again.engine, file.engine);
    EXPECT_EQ(analysis::LimitsOfFlight(again, c.airframe).limits, got.limits);
  }
}

// The cells of a G1000 log's TIT columns raised so that its hottest TIT is
// `peak`: the shared SR22 Turbo logs peak at 1569-1641 °F, an SR22 Turbo
// flown a little hotter reads 1653-1657 °F.
std::string withTitPeak(const std::string& text, double peak) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  auto cells = [](const std::string& line) {
    std::vector<std::string> out;
    for (std::size_t at = 0;; ) {
      const std::size_t comma = line.find(',', at);
      out.push_back(line.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
      if (comma == std::string::npos) return out;
      at = comma + 1;
    }
  };
  std::vector<std::size_t> tit;
  const std::vector<std::string> titles = cells(lines.at(2));
  for (std::size_t i = 0; i < titles.size(); ++i)
    if (titles[i].find("TIT") != std::string::npos) tit.push_back(i);
  const auto number = [](const std::string& cell, double& v) {
    char* end = nullptr;
    v = std::strtod(cell.c_str(), &end);
    return end != cell.c_str();
  };
  double hottest = 0;
  for (std::size_t l = 3; l < lines.size(); ++l) {
    const std::vector<std::string> row = cells(lines[l]);
    for (const std::size_t i : tit)
      if (double v = 0; i < row.size() && number(row[i], v)) hottest = std::max(hottest, v);
  }
  std::string out;
  for (std::size_t l = 0; l < lines.size(); ++l) {
    std::vector<std::string> row = cells(lines[l]);
    for (const std::size_t i : tit)
      if (double v = 0; l >= 3 && i < row.size() && number(row[i], v)) row[i] = std::to_string(v + peak - hottest);
    for (std::size_t i = 0; i < row.size(); ++i) out += (i ? "," : "") + row[i];
    if (l + 1 < lines.size()) out += '\n';
  }
  return out;
}

// An SR22 Turbo's TIT a little above the default 1650 °F is well inside its
// engine's 1750 °F: a finding under the defaults only, judged from the log's
// own airframe line.
TEST(EnginePresets, TurboLogsAreJudgedUnderTheirEnginesTitLimit) {
  for (const SharedLog& log : SharedLogs()) {
    const flight::FlightRead plain = flight::OpenFlight(SharedLogPath(log));
    ASSERT_TRUE(plain.ok()) << plain.problem;
    if (plain.value.facts.airframe.find("SR22 Turbo") == std::string::npos) continue;
    SCOPED_TRACE(log.file);
    const flight::FlightRead read = flight::OpenFlightText(withTitPeak(readFile(SharedLogPath(log)), 1657));
    ASSERT_TRUE(read.ok()) << read.problem;
    const flight::Flight& f = read.value;
    const analysis::FlightLimits limits = analysis::LimitsOfFlight({}, f.facts.airframe);
    EXPECT_EQ(keyOf(limits.preset), "tsio-550") << f.facts.airframe;
    const auto tit = [](const std::vector<analysis::Finding>& found) {
      return std::count_if(found.begin(), found.end(),
                           [](const analysis::Finding& x) { return x.kind == analysis::FindingKind::Tit; });
    };
    EXPECT_GT(tit(analysis::AnalyseEngine(f, analysis::Limits{}).findings), 0);
    EXPECT_EQ(tit(analysis::AnalyseEngine(f, limits.limits).findings), 0);
  }
}

}  // namespace
}  // namespace varnix::test
