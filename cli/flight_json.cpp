// SPDX-License-Identifier: GPL-3.0-or-later
#include "flight_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <variant>

#include "analysis/mag_check.h"
#include "flight/clock_text.h"
#include "platform/utf8.h"

namespace varnix::cli {

using analysis::Figure;
using analysis::Finding;

namespace {

std::string quoted(const std::string& utf8) {
  return Json(utf8).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// `utf8` quoted and escaped as the JSON library writes a string (the
// control characters escaped, all else as it is).
void appendQuoted(std::string& out, std::string_view utf8) {
  out += '"';
  for (const char ch : utf8) {
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      default:
        if (static_cast<unsigned char>(ch) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(ch));
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

// `bytes` as platform::utf8OrLatin1 quotes them; ASCII, the usual case, without a copy.
void appendText(std::string& out, std::string_view bytes) {
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    appendQuoted(out, bytes);
  else
    appendQuoted(out, platform::utf8OrLatin1(bytes));
}

void write(JsonWriter& out, const Json& v, std::string& path, std::span<const std::string_view> blocks) {
  if (v.is_number_float()) {
    out.number(v.get<double>());
    return;
  }
  if (!v.is_structured()) {
    out.raw(v.dump(-1, ' ', false, Json::error_handler_t::replace));
    return;
  }
  const bool object = v.is_object();
  const bool block = std::find(blocks.begin(), blocks.end(), path) != blocks.end();
  if (object)
    out.beginObject(block);
  else
    out.beginArray(block);
  for (auto it = v.begin(); it != v.end(); ++it) {
    const std::size_t mark = path.size();
    if (object) {
      out.rawKey(quoted(it.key()));
      path += '/';
      path += it.key();
    } else {
      path += "/[]";
    }
    write(out, *it, path, blocks);
    path.resize(mark);
  }
  out.end();
}

// A finding's members in their order, handed to `put` as one of these.
using Member = std::variant<std::nullptr_t, bool, double, std::string_view, const std::vector<std::string>*>;

template <typename Put>
void findingMembers(const Finding& f, bool withTimes, Put&& put) {
  const auto time = [&](double t) { return withTimes ? Member(t) : Member(nullptr); };
  const auto unlessEmpty = [](const std::string& s) { return s.empty() ? Member(nullptr) : Member(std::string_view(s)); };
  put("kind", Member(analysis::KindName(f.kind)));
  put("channel", Member(std::string_view(f.channel)));
  put("severity", Member(analysis::SeverityName(f.severity)));
  put("start_s", time(f.start));
  put("end_s", time(f.end));
  put("peak", Member(f.peak));
  put("peak_s", time(f.peakAt));
  put("text", Member(std::string_view(f.text)));
  put("time_above_s", time(f.timeAbove));
  put("excess", Member(f.excess));
  put("hint", unlessEmpty(f.hint));
  put("acknowledged", Member(f.acknowledged));
  put("reason", f.acknowledged ? Member(std::string_view(f.reason)) : Member(nullptr));
  put("confidence", unlessEmpty(f.confidence));
  put("date", unlessEmpty(f.date));
  // Every channel of the event, `channel` first (a trend finding's is its channel).
  static const std::vector<std::string> none;
  put("channels", Member(f.channels.empty() ? &none : &f.channels));
  put("offset", Member(f.offset));
  put("rpm", Member(f.rpm));
  put("amps", Member(f.amps));
}

template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};

void writeFigure(JsonWriter& out, const Figure& f) {
  if (!f.known()) {
    out.null();
    return;
  }
  out.beginObject();
  out.key("channel").text(f.channel);
  out.key("value").number(f.value);
  out.key("at").number(f.at);
  out.end();
}

}  // namespace

std::string terminalText(std::string_view bytes) {
  const std::string text = platform::utf8OrLatin1(bytes);
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

void JsonWriter::begin(char open, bool block) {
  item();
  buf_ += open;
  const std::size_t outer = levels_.empty() ? 0 : levels_.back().indent;
  levels_.push_back({open == '{' ? '}' : ']', block, true, block ? outer + 2 : outer});
}

void JsonWriter::end() {
  const Level level = levels_.back();
  levels_.pop_back();
  if (level.block && !level.empty) {
    buf_ += '\n';
    buf_.append(level.indent - 2, ' ');
  }
  buf_ += level.close;
  maybeFlush();
}

void JsonWriter::item() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (level.block) {
    buf_ += level.empty ? "\n" : ",\n";
    buf_.append(level.indent, ' ');
  } else if (!level.empty) {
    buf_ += ", ";
  }
  level.empty = false;
}

JsonWriter& JsonWriter::key(std::string_view name) {
  item();
  appendText(buf_, name);
  buf_ += ": ";
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::rawKey(std::string_view quotedName) {
  item();
  buf_ += quotedName;
  buf_ += ": ";
  afterKey_ = true;
  return *this;
}

void JsonWriter::text(std::string_view s) {
  item();
  appendText(buf_, s);
}

void JsonWriter::number(double v) {
  item();
  if (!std::isfinite(v)) {
    buf_ += "null";
    return;
  }
  // As "%.7g" writes it, without printf's cost.
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 7);
  buf_.append(buf, end);
}

void JsonWriter::integer(std::int64_t v) {
  item();
  char buf[24];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  buf_.append(buf, end);
}

void JsonWriter::boolean(bool v) {
  item();
  buf_ += v ? "true" : "false";
}

void JsonWriter::null() {
  item();
  buf_ += "null";
}

void JsonWriter::raw(std::string_view json) {
  item();
  buf_ += json;
}

void JsonWriter::flush() {
  if (!out_ || buf_.empty()) return;
  std::fwrite(buf_.data(), 1, buf_.size(), out_);
  buf_.clear();
}

std::string layoutJson(const Json& doc, std::span<const std::string_view> blocks) {
  std::string path;
  JsonWriter out;
  write(out, doc, path, blocks);
  out.raw("\n");
  return out.text();
}

std::string layoutJson(const Json& doc, std::initializer_list<std::string_view> blocks) {
  return layoutJson(doc, std::span<const std::string_view>(blocks.begin(), blocks.size()));
}

std::string clockText(double secondsOfDay) { return flight::ClockText(secondsOfDay, flight::ClockRound::Down); }

Json findingJson(const Finding& f, bool withTimes) {
  Json o = Json::object();
  findingMembers(f, withTimes, [&](const char* key, const Member& m) {
    o[key] = std::visit(Overloaded{[](std::nullptr_t) { return Json(nullptr); }, [](bool b) { return Json(b); },
                                   [](double v) { return JsonValue(v); }, [](std::string_view t) { return JsonText(t); },
                                   [&](const std::vector<std::string>* list) {
                                     Json a = Json::array();
                                     for (const std::string& c : *list) a.push_back(JsonText(c));
                                     if (a.empty()) a.push_back(JsonText(f.channel));
                                     return a;
                                   }},
                        m);
  });
  return o;
}

void writeFindingJson(JsonWriter& out, const Finding& f, bool withTimes) {
  out.beginObject();
  findingMembers(f, withTimes, [&](const char* key, const Member& m) {
    out.key(key);
    std::visit(Overloaded{[&](std::nullptr_t) { out.null(); }, [&](bool b) { out.boolean(b); },
                          [&](double v) { out.number(v); }, [&](std::string_view t) { out.text(t); },
                          [&](const std::vector<std::string>* list) {
                            out.beginArray();
                            for (const std::string& c : *list) out.text(c);
                            if (list->empty()) out.text(f.channel);
                            out.end();
                          }},
               m);
  });
  out.end();
}

Json findingsJson(const std::vector<Finding>& findings) {
  Json list = Json::array();
  for (const Finding& f : findings)
    list.push_back(
        findingJson(f, !analysis::IsTrendKind(f.kind)));
  return list;
}

void writeFlightJson(JsonWriter& out, const store::LogbookFlight& lf) {
  const store::CatalogEntry& e = lf.entry;
  out.beginObject(true);
  out.key("file").text(e.file);
  out.key("files").beginArray();
  for (const std::string& file : lf.files) out.text(file);
  out.end();
  out.key("folder").text(e.folder);
  out.key("aircraft").text(e.aircraft);
  out.key("flight").text(e.flightLabel);
  out.key("start").text(e.start);
  out.key("duration_h").number(e.recordedSeconds / 3600.0);
  out.key("interval_s").integer(e.interval);
  out.key("engine_unit").text(analysis::TemperatureLetter(e.engineUnit));
  // One member a key, where its first figure stood, with the value of its last.
  out.key("hottest").beginObject();
  for (std::size_t i = 0; i < e.hottest.size(); ++i) {
    const std::string key = platform::utf8OrLatin1(e.hottest[i].key);
    const auto same = [&](const Figure& h) { return platform::utf8OrLatin1(h.key) == key; };
    if (std::any_of(e.hottest.begin(), e.hottest.begin() + static_cast<std::ptrdiff_t>(i), same)) continue;
    const Figure* h = &e.hottest[i];
    for (std::size_t j = i + 1; j < e.hottest.size(); ++j)
      if (same(e.hottest[j])) h = &e.hottest[j];
    out.key(key).beginObject();
    out.key("channel").text(h->channel);
    out.key("value").number(h->value);
    out.end();
  }
  out.end();
  writeFigure(out.key("dif_max"), e.difMax);
  writeFigure(out.key("fastest_cooling"), e.fastestCooling);
  writeFigure(out.key("bat_min"), e.batteryMin);
  out.key("fuel_used").number(e.fuelUsed);
  out.key("fuel_unit").text(e.fuelUnit);
  if (const std::string mag = analysis::MagCheckWord(e.digest.magChecks); !mag.empty()) out.key("mag_check").text(mag);
  else out.key("mag_check").null();
  out.key("differs").boolean(lf.differs);
  out.key("recorded_twice").boolean(lf.recordedTwice);
  out.key("new").boolean(lf.isNew);
  out.key("findings").beginArray(true);
  for (const Finding& f : lf.findings) writeFindingJson(out, f, !analysis::IsTrendKind(f.kind));
  out.end();
  out.key("open_findings").integer(static_cast<std::int64_t>(lf.openFindings()));
  out.end();
}

}  // namespace varnix::cli
