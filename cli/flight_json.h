// SPDX-License-Identifier: GPL-3.0-or-later
// JSON for the flight commands (info, findings, logbook): flights and
// findings with the keys the README documents, written in the layout the
// README shows; and the same text made safe for a terminal.
#pragma once

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
#include "store/logbook.h"

namespace varnix::cli {

using Json = nlohmann::ordered_json;  // keys in the order they are set

// `bytes` as valid UTF-8. Text from the instrument is Latin-1, text typed on
// a computer mostly UTF-8: a well-formed UTF-8 sequence is taken as it is,
// every other byte as the Latin-1 character of its value.
std::string utf8Text(std::string_view bytes);

// utf8Text for a terminal: every control character (below a space, DEL and
// U+0080 to U+009F) is a '?', so that header text can neither move the
// cursor, ring the bell nor end the line early (a NUL).
std::string terminalText(std::string_view bytes);

Json jsonText(std::string_view s);  // a string of utf8Text(s)
Json jsonValue(double v);           // null when not a finite number

// {"kind": ..., "channel": ..., "severity": ..., "start_s": ..., "end_s": ..., "peak": ..., "peak_s": ..., "text": ...}
Json findingJson(const flight::Finding& finding, bool withTimes = true);
Json findingsJson(const std::vector<flight::Finding>& findings);

// A logbook flight's object.
Json flightJson(const flight::LogbookFlight& flight);

// The text of `doc`, ending with a line feed: the objects and arrays at the
// paths `blocks` names ("" the document, "/flights/[]/findings" the findings
// of every flight) one member a line, indented by two spaces a level, all
// others on one line; numbers not whole with seven significant digits.
std::string layoutJson(const Json& doc, std::initializer_list<std::string_view> blocks);

// "12:03:00" of a clock time in seconds after midnight.
std::string clockText(double secondsOfDay);

}  // namespace varnix::cli
