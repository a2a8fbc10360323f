// SPDX-License-Identifier: GPL-3.0-or-later
#include "flight_json.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/utf8.h"

namespace varnix::cli {

using flight::Figure;
using flight::Finding;

namespace {

std::string numberText(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7g", v);
  return buf;
}

std::string quoted(const std::string& utf8) {
  return Json(utf8).dump(-1, ' ', false, Json::error_handler_t::replace);
}

void write(std::string& out, const Json& v, std::string& path, const std::string& indent,
           std::initializer_list<std::string_view> blocks) {
  if (v.is_number_float()) {
    out += numberText(v.get<double>());
    return;
  }
  if (!v.is_structured()) {
    out += v.dump(-1, ' ', false, Json::error_handler_t::replace);
    return;
  }
  const bool object = v.is_object();
  const bool block = !v.empty() && std::find(blocks.begin(), blocks.end(), path) != blocks.end();
  const std::string inner = block ? indent + "  " : indent;
  out += object ? '{' : '[';
  bool first = true;
  for (auto it = v.begin(); it != v.end(); ++it) {
    out += first ? (block ? "\n" : "") : (block ? ",\n" : ", ");
    if (block) out += inner;
    const std::size_t mark = path.size();
    if (object) {
      out += quoted(it.key());
      out += ": ";
      path += '/';
      path += it.key();
    } else {
      path += "/[]";
    }
    write(out, *it, path, inner, blocks);
    path.resize(mark);
    first = false;
  }
  if (block) out += "\n" + indent;
  out += object ? '}' : ']';
}

Json figureJson(const Figure& f) {
  if (!f.known()) return nullptr;
  return Json::object({{"channel", jsonText(f.channel)}, {"value", jsonValue(f.value)}, {"at", jsonValue(f.at)}});
}

}  // namespace

std::string utf8Text(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    if (const std::size_t n = platform::utf8SequenceLength(bytes, i)) {
      out.append(bytes.substr(i, n));
      i += n;
    } else {
      const auto c = static_cast<unsigned char>(bytes[i++]);
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string terminalText(std::string_view bytes) {
  const std::string text = utf8Text(bytes);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      out += '?';
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      out += '?';  // U+0080 to U+009F, the C1 controls
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

Json jsonText(std::string_view s) { return utf8Text(s); }

Json jsonValue(double v) { return std::isfinite(v) ? Json(v) : Json(nullptr); }

std::string layoutJson(const Json& doc, std::initializer_list<std::string_view> blocks) {
  std::string out, path;
  write(out, doc, path, "", blocks);
  out += '\n';
  return out;
}

std::string clockText(double secondsOfDay) {
  const long s = (static_cast<long>(secondsOfDay) % 86400 + 86400) % 86400;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return buf;
}

Json findingJson(const Finding& f, bool withTimes) {
  return Json::object({{"kind", jsonText(flight::KindName(f.kind))},
                       {"channel", jsonText(f.channel)},
                       {"severity", jsonText(flight::SeverityName(f.severity))},
                       {"start_s", withTimes ? jsonValue(f.start) : Json(nullptr)},
                       {"end_s", withTimes ? jsonValue(f.end) : Json(nullptr)},
                       {"peak", jsonValue(f.peak)},
                       {"peak_s", withTimes ? jsonValue(f.peakAt) : Json(nullptr)},
                       {"text", jsonText(f.text)},
                       {"time_above_s", withTimes ? jsonValue(f.timeAbove) : Json(nullptr)},
                       {"excess", jsonValue(f.excess)},
                       {"hint", f.hint.empty() ? Json(nullptr) : jsonText(f.hint)},
                       {"acknowledged", f.acknowledged},
                       {"reason", f.acknowledged ? jsonText(f.reason) : Json(nullptr)},
                       {"confidence", f.confidence.empty() ? Json(nullptr) : jsonText(f.confidence)},
                       {"date", f.date.empty() ? Json(nullptr) : jsonText(f.date)}});
}

Json findingsJson(const std::vector<Finding>& findings) {
  Json list = Json::array();
  for (const Finding& f : findings)
    list.push_back(
        findingJson(f, !flight::IsTrendKind(f.kind)));
  return list;
}

Json flightJson(const flight::LogbookFlight& lf) {
  const flight::CatalogEntry& e = lf.entry;
  Json o = Json::object();
  o["file"] = jsonText(e.file);
  o["files"] = Json::array();
  for (const std::string& file : lf.files) o["files"].push_back(jsonText(file));
  o["folder"] = jsonText(e.folder);
  o["aircraft"] = jsonText(e.aircraft);
  o["flight"] = jsonText(e.flightLabel);
  o["start"] = jsonText(e.start);
  o["duration_h"] = jsonValue(e.recordedSeconds / 3600.0);
  o["interval_s"] = e.interval;
  o["engine_unit"] = jsonText(flight::TemperatureLetter(e.engineUnit));
  Json& hottest = o["hottest"] = Json::object();
  for (const auto& h : e.hottest)
    hottest[utf8Text(h.key)] = Json::object({{"channel", jsonText(h.channel)}, {"value", jsonValue(h.value)}});
  o["dif_max"] = figureJson(e.difMax);
  o["fastest_cooling"] = figureJson(e.fastestCooling);
  o["bat_min"] = figureJson(e.batteryMin);
  o["fuel_used"] = jsonValue(e.fuelUsed);
  o["fuel_unit"] = jsonText(e.fuelUnit);
  o["differs"] = lf.differs;
  o["new"] = lf.isNew;
  o["findings"] = findingsJson(lf.findings);
  o["open_findings"] = lf.openFindings();
  return o;
}

}  // namespace varnix::cli
