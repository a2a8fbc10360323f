// SPDX-License-Identifier: GPL-3.0-or-later
// JSON text for the logbook commands (logbook, findings): flights and
// findings with the keys the README documents.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "flight/findings.h"
#include "flight/logbook.h"

namespace varnix::cli {

std::string jsonText(std::string_view s);
std::string jsonValue(double v);  // null when not a finite number

// {"kind": ..., "channel": ..., "severity": ..., "start_s": ..., "end_s": ..., "peak": ..., "peak_s": ..., "text": ...}
std::string findingJson(const flight::Finding& finding, bool withTimes = true);
std::string findingsJson(const std::vector<flight::Finding>& findings, const std::string& indent);

// A logbook flight's object, `indent` before each key.
std::string flightJson(const flight::LogbookFlight& flight, const std::string& indent);

// "12:03" of a clock time in seconds after midnight.
std::string clockText(double secondsOfDay);

}  // namespace varnix::cli
