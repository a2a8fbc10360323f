// SPDX-License-Identifier: GPL-3.0-or-later
// The JSON of the flight commands as it is written: strings escaped as the
// JSON library escapes them, the block and line layout scripts rely on, and
// a logbook flight written as it goes equal to the same flight's tree.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "flight_json.h"

namespace varnix::cli {
namespace {

TEST(FlightJson, WritesTextAsTheJsonLibraryWritesItsUtf8) {
  const std::string cases[] = {
      "N123AB",
      "say \"hi\" \\ there",
      std::string("\x01\b\t\n\f\r\x1f end", 12),
      std::string("nul\0inside", 10),
      "DEL \x7f kept",
      "Latin-1 \xe9t\xe9",
      "UTF-8 \xc2\xb0" "F and \xe2\x82\xac",
      "a lone \xc2 and \xed\xa0\x80 (a surrogate)",
      "",
  };
  for (const std::string& s : cases) {
    SCOPED_TRACE(s);
    const std::string expected = Json(platform::utf8OrLatin1(s)).dump(-1, ' ', false, Json::error_handler_t::replace);
    JsonWriter value;
    value.text(s);
    EXPECT_EQ(value.text(), expected);
    JsonWriter key;
    key.beginObject();
    key.key(s).null();
    key.end();
    EXPECT_EQ(key.text(), "{" + expected + ": null}");
  }
}

TEST(FlightJson, LaysOutBlocksOneMemberALineAndTheRestOnOne) {
  struct Case {
    const char* doc;
    std::initializer_list<std::string_view> blocks;
    const char* expected;
  };
  const Case cases[] = {
      {R"({"a": 1, "b": [true, null, "x"]})", {""}, "{\n  \"a\": 1,\n  \"b\": [true, null, \"x\"]\n}\n"},
      {R"({"a": [], "b": {}, "c": [1]})", {"", "/a", "/b", "/c"}, "{\n  \"a\": [],\n  \"b\": {},\n  \"c\": [\n    1\n  ]\n}\n"},
      {R"({"a": {"b": [1, 2]}})", {"", "/a/b"}, "{\n  \"a\": {\"b\": [\n    1,\n    2\n  ]}\n}\n"},
      {R"({"f": [{"g": [{"k": 1}, {"k": 2}]}]})", {"", "/f", "/f/[]", "/f/[]/g"},
       "{\n  \"f\": [\n    {\n      \"g\": [\n        {\"k\": 1},\n        {\"k\": 2}\n      ]\n    }\n  ]\n}\n"},
      {R"([0.2633333333, 1e-9, 1443.0, -37, 18446744073709551615])", {},
       "[0.2633333, 1e-09, 1443, -37, 18446744073709551615]\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.doc);
    EXPECT_EQ(layoutJson(Json::parse(c.doc), c.blocks), c.expected);
  }
}

// The logbook writes its flights as it goes; the text is that of the
// flight's tree in the logbook's layout.
TEST(FlightJson, ALogbookFlightIsWrittenAsItsTreeIsLaidOut) {
  store::LogbookFlight plain;
  plain.entry.file = "N123AB/F00101.CSV";
  plain.entry.folder = "N123AB";
  plain.entry.aircraft = "N123AB";
  plain.entry.flightLabel = "101";
  plain.entry.start = "2024-06-03T09:12:00";
  plain.entry.recordedSeconds = 948;
  plain.entry.interval = 6;
  plain.entry.fuelUsed = NAN;
  plain.files = {plain.entry.file};
  store::LogbookFlight full = plain;
  full.entry.engineUnit = flight::Unit::DegreesC;
  full.entry.aircraft = "N\xe9\"1";
  full.entry.fuelUnit = "GPH";
  full.entry.fuelUsed = 8.8f;
  full.files.push_back("N123AB/F00101A.CSV");
  full.entry.hottest = {{"EGT", "E3", 1443}, {"CHT", "C3", 396}, {"EGT", "E4", 1450}};
  full.entry.difMax = {"DIF", "DIF", 51, 156};
  full.entry.batteryMin = {"BAT", "BAT", 12.3f, 0};
  full.entry.digest.magChecks = {{flight::Engine::Only, 300, 306, "plug", 110, 1800, {"E3"}, "E3 fell 80 \xc2\xb0" "F"}};
  full.differs = full.isNew = full.recordedTwice = true;
  analysis::Finding cht;
  cht.channel = "C3";
  cht.peak = 396;
  cht.text = "CHT C3 reached 396 \xc2\xb0" "F";
  cht.acknowledged = true;
  cht.reason = "a new probe";
  analysis::Finding trend = cht;
  trend.kind = analysis::FindingKind::TrendCht;
  trend.acknowledged = false;
  trend.confidence = "low";
  full.findings = {cht, trend};
  const std::initializer_list<std::string_view> blocks = {"", "/[]", "/[]/findings"};
  struct Case {
    const char* what;
    const store::LogbookFlight& flight;
  };
  for (const Case& c : {Case{"few figures", plain}, Case{"every figure", full}}) {
    SCOPED_TRACE(c.what);
    const store::CatalogEntry& e = c.flight.entry;
    Json tree = Json::object();
    tree["file"] = JsonText(e.file);
    tree["files"] = Json::array();
    for (const std::string& f : c.flight.files) tree["files"].push_back(JsonText(f));
    tree["folder"] = JsonText(e.folder);
    tree["aircraft"] = JsonText(e.aircraft);
    tree["flight"] = JsonText(e.flightLabel);
    tree["start"] = JsonText(e.start);
    tree["duration_h"] = JsonValue(e.recordedSeconds / 3600.0);
    tree["interval_s"] = e.interval;
    tree["engine_unit"] = JsonText(analysis::TemperatureLetter(e.engineUnit));
    Json& hottest = tree["hottest"] = Json::object();
    for (const auto& h : e.hottest)
      hottest[platform::utf8OrLatin1(h.key)] = Json::object({{"channel", JsonText(h.channel)}, {"value", JsonValue(h.value)}});
    for (const auto& [key, f] : {std::pair{"dif_max", &e.difMax}, std::pair{"fastest_cooling", &e.fastestCooling},
                                 std::pair{"bat_min", &e.batteryMin}})
      tree[key] = f->known() ? Json::object({{"channel", JsonText(f->channel)}, {"value", JsonValue(f->value)},
                                             {"at", JsonValue(f->at)}})
                             : Json(nullptr);
    tree["fuel_used"] = JsonValue(e.fuelUsed);
    tree["fuel_unit"] = JsonText(e.fuelUnit);
    tree["mag_check"] = e.digest.magChecks.empty() ? Json(nullptr) : Json("plug E3");
    tree["differs"] = c.flight.differs;
    tree["recorded_twice"] = c.flight.recordedTwice;
    tree["new"] = c.flight.isNew;
    tree["findings"] = findingsJson(c.flight.findings);
    tree["open_findings"] = c.flight.openFindings();

    JsonWriter streamed;
    streamed.beginArray(true);
    writeFlightJson(streamed, c.flight);
    streamed.end();
    streamed.raw("\n");
    EXPECT_EQ(streamed.text(), layoutJson(Json::array({tree}), blocks));
  }
}

}  // namespace
}  // namespace varnix::cli
