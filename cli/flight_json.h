// SPDX-License-Identifier: GPL-3.0-or-later
// JSON for the flight commands (info, findings, logbook): flights and
// findings with the keys the README documents, written in the layout the
// README shows; and the same text made safe for a terminal.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
#include "analysis/result_json.h"
#include "platform/utf8.h"
#include "store/logbook.h"

namespace varnix::cli {

using Json = analysis::Json;  // keys in the order they are set
using analysis::JsonText;    // a string of platform::utf8OrLatin1(s)
using analysis::JsonValue;   // null when not a finite number

// platform::utf8OrLatin1 for a terminal: every control character (below a
// space, DEL and U+0080 to U+009F) is a '?', so that header text can neither
// move the cursor, ring the bell nor end the line early (a NUL).
std::string terminalText(std::string_view bytes);

// {"kind": ..., "channel": ..., "severity": ..., "start_s": ..., "end_s": ..., "peak": ..., "peak_s": ..., "text": ...}
Json findingJson(const analysis::Finding& finding, bool withTimes = true);
Json findingsJson(const std::vector<analysis::Finding>& findings);

// JSON text written as it is made, in the layout of layoutJson: a container
// begun as a block has one member a line, indented by two spaces a level
// (an empty one is "[]" or "{}"), every other is on one line. With a file
// the text goes out in large writes as it grows, so that a long document is
// never held whole; without one it is kept for text().
class JsonWriter {
 public:
  explicit JsonWriter(std::FILE* out = nullptr) : out_(out) {}
  ~JsonWriter() { flush(); }
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  void beginObject(bool block = false) { begin('{', block); }
  void beginArray(bool block = false) { begin('[', block); }
  void end();
  // The name of the next member of the object begun last.
  JsonWriter& key(std::string_view name);
  // The same with the name quoted already (as the JSON library quotes it).
  JsonWriter& rawKey(std::string_view quotedName);
  void text(std::string_view s);  // a string of platform::utf8OrLatin1(s)
  void number(double v);          // seven significant digits; null when not finite
  void integer(std::int64_t v);
  void boolean(bool v);
  void null();
  // A value's text as it is (a number or string the JSON library wrote).
  void raw(std::string_view json);

  // The text so far (without a file).
  const std::string& text() const { return buf_; }
  void flush();

 private:
  struct Level {
    char close;
    bool block;
    bool empty = true;
    std::size_t indent;  // of its members
  };
  void begin(char open, bool block);
  void item();  // what goes before a value: a separator and indentation, or nothing after a key
  void maybeFlush() {
    if (out_ && buf_.size() >= kFlushBytes) flush();
  }
  static constexpr std::size_t kFlushBytes = 1 << 16;
  std::FILE* out_;
  std::string buf_;
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

// A logbook flight's object, its findings one a line.
void writeFlightJson(JsonWriter& out, const store::LogbookFlight& flight);
// A finding's object on one line, as findingJson gives it.
void writeFindingJson(JsonWriter& out, const analysis::Finding& finding, bool withTimes = true);

// The text of `doc`, ending with a line feed: the objects and arrays at the
// paths `blocks` names ("" the document, "/flights/[]/findings" the findings
// of every flight) one member a line, indented by two spaces a level, all
// others on one line; numbers not whole with seven significant digits.
std::string layoutJson(const Json& doc, std::span<const std::string_view> blocks);
std::string layoutJson(const Json& doc, std::initializer_list<std::string_view> blocks);

// "12:03:00" of a clock time in seconds after midnight.
std::string clockText(double secondsOfDay);

}  // namespace varnix::cli
