// SPDX-License-Identifier: MIT
#include "store/aircraft_issues.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace varnix::store {

namespace {

// Newest first, as the log holds its flights: the first finding seen of an
// issue is its newest, and each older one moves its first date back.
void add(std::map<std::pair<int, std::string>, AircraftIssue>& byIssue, const analysis::Finding& f,
         const std::string& date) {
  if (f.acknowledged) return;
  auto [it, fresh] = byIssue.try_emplace({static_cast<int>(f.kind), f.channel});
  AircraftIssue& issue = it->second;
  if (fresh) {
    issue.kind = f.kind;
    issue.channel = f.channel;
    issue.severity = f.severity;
    issue.last = date;
    issue.text = f.text;
  }
  if (issue.hint.empty()) issue.hint = f.hint;
  if (f.severity == analysis::Severity::Warning) issue.severity = f.severity;
  if (!date.empty() && (issue.first.empty() || date < issue.first)) issue.first = date;
  if (!date.empty() && (issue.last.empty() || date > issue.last)) issue.last = date;
}

}  // namespace

std::vector<AircraftIssue> AircraftIssues(const AircraftLog& log) {
  std::map<std::pair<int, std::string>, AircraftIssue> byIssue;
  for (const LogbookFlight& flight : log.flights) {
    const std::string date = flight.entry.start.substr(0, 10);
    // One flight counts once for an issue, however many of its findings it has.
    std::vector<std::pair<int, std::string>> counted;
    for (const analysis::Finding& f : flight.findings) {
      add(byIssue, f, date);
      const std::pair<int, std::string> key{static_cast<int>(f.kind), f.channel};
      if (!f.acknowledged && std::find(counted.begin(), counted.end(), key) == counted.end()) {
        counted.push_back(key);
        ++byIssue[key].flights;
      }
    }
  }
  // A trend's issue is about the newest flights: no work before them resolved it.
  std::vector<std::pair<int, std::string>> ofTrends;
  for (const analysis::Finding& t : log.trends) {
    ofTrends.emplace_back(static_cast<int>(t.kind), t.channel);
    const LogbookFlight* f = log.trendFlight(t);
    const std::string date = !t.date.empty() ? t.date.substr(0, 10) : f ? f->entry.start.substr(0, 10) : "";
    const std::pair<int, std::string> key{static_cast<int>(t.kind), t.channel};
    const bool known = byIssue.count(key) > 0;
    add(byIssue, t, date);
    if (!t.acknowledged && !known) byIssue[key].flights = 1;
  }
  std::vector<AircraftIssue> out;
  for (auto& [key, issue] : byIssue) out.push_back(std::move(issue));
  // An issue on a cylinder whose last flight came before work on it, with
  // flights since, stopped after the work.
  const std::string newest = log.flights.empty() ? "" : log.flights.front().entry.start.substr(0, 10);
  for (AircraftIssue& issue : out) {
    const auto key = std::make_pair(static_cast<int>(issue.kind), issue.channel);
    if (std::find(ofTrends.begin(), ofTrends.end(), key) != ofTrends.end()) continue;
    for (const MaintenanceRecord& r : log.maintenance)
      if (EntryCovers(r.entry, issue.channel) && !issue.last.empty() && issue.last < r.entry.date &&
          newest >= r.entry.date)
        issue.resolvedBy = EntryName(r.entry);
  }
  std::stable_sort(out.begin(), out.end(), [](const AircraftIssue& a, const AircraftIssue& b) {
    const auto rank = [](const AircraftIssue& i) {
      // A caution level crossed or heads cooled fast tell how the engine was
      // flown; a probe, a valve or a change tells of the engine itself.
      const bool asFlown = i.kind == analysis::FindingKind::ChtCaution || i.kind == analysis::FindingKind::Cooling;
      return std::make_tuple(i.resolvedBy.empty(), i.severity == analysis::Severity::Warning, !asFlown, i.last,
                             i.flights);
    };
    return rank(a) > rank(b);
  });
  return out;
}

std::string AircraftId(const AircraftLog& log) {
  return !log.flights.empty() && !log.flights.front().entry.aircraft.empty() ? log.flights.front().entry.aircraft
                                                                              : log.folder;
}

std::string AircraftStatus(const std::string& id, const std::vector<AircraftIssue>& issues) {
  const std::size_t open = static_cast<std::size_t>(
      std::count_if(issues.begin(), issues.end(), [](const AircraftIssue& i) { return i.resolvedBy.empty(); }));
  if (open == 0) return id + ": nothing new";
  const AircraftIssue& worst = issues.front();  // the open ones come first
  std::string text = worst.text;
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  std::string line = id + ": " + text;
  if (worst.flights > 1) line += " (" + std::to_string(worst.flights) + " flights since " + worst.first + ")";
  if (!worst.hint.empty()) line += ": " + worst.hint;
  if (open > 1) line += "; " + std::to_string(open - 1) + " more";
  return line;
}

}  // namespace varnix::store
