// SPDX-License-Identifier: GPL-3.0-or-later
#include "flight_json.h"

#include <cmath>
#include <cstdio>

namespace varnix::cli {

using flight::Figure;
using flight::Finding;

std::string jsonText(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
  return out;
}

std::string jsonValue(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7g", v);
  return buf;
}

std::string clockText(double secondsOfDay) {
  const long s = (static_cast<long>(secondsOfDay) % 86400 + 86400) % 86400;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return buf;
}

std::string findingJson(const Finding& f, bool withTimes) {
  std::string o = "{\"kind\": ";
  o += jsonText(flight::KindName(f.kind));
  o += ", \"channel\": ";
  o += jsonText(f.channel);
  o += ", \"severity\": ";
  o += jsonText(flight::SeverityName(f.severity));
  o += ", \"start_s\": ";
  o += withTimes ? jsonValue(f.start) : "null";
  o += ", \"end_s\": ";
  o += withTimes ? jsonValue(f.end) : "null";
  o += ", \"peak\": ";
  o += jsonValue(f.peak);
  o += ", \"peak_s\": ";
  o += withTimes ? jsonValue(f.peakAt) : "null";
  o += ", \"text\": ";
  o += jsonText(f.text);
  o += "}";
  return o;
}

std::string findingsJson(const std::vector<Finding>& findings, const std::string& indent) {
  if (findings.empty()) return "[]";
  std::string o = "[";
  for (std::size_t i = 0; i < findings.size(); ++i) {
    o += i ? ",\n" : "\n";
    o += indent;
    o += "  ";
    o += findingJson(findings[i], findings[i].kind != flight::FindingKind::TrendCht &&
                                       findings[i].kind != flight::FindingKind::TrendEgt);
  }
  o += "\n";
  o += indent;
  o += "]";
  return o;
}

namespace {

std::string figureJson(const Figure& f) {
  if (!f.known()) return "null";
  std::string o = "{\"channel\": ";
  o += jsonText(f.channel);
  o += ", \"value\": ";
  o += jsonValue(f.value);
  o += ", \"at\": ";
  o += jsonValue(f.at);
  o += "}";
  return o;
}

}  // namespace

std::string flightJson(const flight::LogbookFlight& lf, const std::string& in) {
  const flight::CatalogEntry& e = lf.entry;
  std::string o = "{\n";
  auto key = [&](const char* name, const std::string& value, bool last = false) {
    o += in;
    o += "  \"";
    o += name;
    o += "\": ";
    o += value;
    o += last ? "\n" : ",\n";
  };
  key("file", jsonText(e.file));
  std::string files = "[";
  for (std::size_t i = 0; i < lf.files.size(); ++i) {
    files += i ? ", " : "";
    files += jsonText(lf.files[i]);
  }
  files += "]";
  key("files", files);
  key("folder", jsonText(e.folder));
  key("aircraft", jsonText(e.aircraft));
  key("flight", jsonText(e.flightLabel));
  key("start", jsonText(e.start));
  key("duration_h", jsonValue(e.recordedSeconds / 3600.0));
  key("interval_s", std::to_string(e.interval));
  key("engine_unit", jsonText(std::string(1, e.engineUnit)));
  std::string hottest = "{";
  for (std::size_t i = 0; i < e.hottest.size(); ++i) {
    hottest += i ? ", " : "";
    hottest += jsonText(e.hottest[i].key);
    hottest += ": {\"channel\": ";
    hottest += jsonText(e.hottest[i].channel);
    hottest += ", \"value\": ";
    hottest += jsonValue(e.hottest[i].value);
    hottest += "}";
  }
  hottest += "}";
  key("hottest", hottest);
  key("dif_max", figureJson(e.difMax));
  key("fastest_cooling", figureJson(e.fastestCooling));
  key("bat_min", figureJson(e.batteryMin));
  key("fuel_used", jsonValue(e.fuelUsed));
  key("fuel_unit", jsonText(e.fuelUnit));
  key("differs", lf.differs ? "true" : "false");
  key("new", lf.isNew ? "true" : "false");
  key("findings", findingsJson(lf.findings, in + "  "), true);
  o += in;
  o += "}";
  return o;
}

}  // namespace varnix::cli
