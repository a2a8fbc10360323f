// SPDX-License-Identifier: MIT
// An aircraft's health at a glance: its open findings grouped by issue (one
// kind on one channel), across its flights and its trends, worst first, and
// a status line from the worst of them. A probe that drops out on twenty
// flights is one issue of twenty flights, not twenty rows.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "store/logbook.h"

namespace varnix::store {

struct AircraftIssue {
  analysis::FindingKind kind = analysis::FindingKind::Cht;
  std::string channel;
  analysis::Severity severity = analysis::Severity::Caution;  // the worst of its findings
  std::string first, last;  // the dates ("YYYY-MM-DD") of its first and last flight
  std::size_t flights = 0;  // the flights with it open (a trend finding counts its flight)
  std::string text;         // the newest finding's text
  std::string hint;         // the newest hint given, empty when none
  // The maintenance entry after which it stopped ("'injector 3 cleaned' on
  // 2026-11-12"), empty when none: kept, shown as resolved by it.
  std::string resolvedBy;
};

// The open (not acknowledged) findings of `log` by issue: warnings first,
// then what tells of the engine itself before how it was flown (a caution
// level, fast cooling), then the most recent last flight, then the most flights;
// those a maintenance entry resolved after the rest.
std::vector<AircraftIssue> AircraftIssues(const AircraftLog& log);

// The aircraft as its owner knows it: the newest flight's id, else its folder.
std::string AircraftId(const AircraftLog& log);

// "N62TW: LE4 swings ±45 °F in cruise (30 flights since 2025-09-01): look at
// LE4's exhaust valve"; "N123AB: nothing new" without an open issue (one
// resolved by maintenance is not open). `id` is
// the aircraft as the owner knows it.
std::string AircraftStatus(const std::string& id, const std::vector<AircraftIssue>& issues);

}  // namespace varnix::store
