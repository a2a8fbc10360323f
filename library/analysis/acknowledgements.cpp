// SPDX-License-Identifier: MIT
#include "analysis/acknowledgements.h"

#include <algorithm>

#include <cerrno>
#include <cstdio>

#include "flight/civil_date.h"
#include "platform/output_file.h"
#include "platform/platform.h"

namespace varnix::analysis {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The first word of `line`, taken off it.
std::string_view word(std::string_view& line) {
  line = trim(line);
  std::size_t n = 0;
  while (n < line.size() && !blank(line[n])) ++n;
  const std::string_view w = line.substr(0, n);
  line.remove_prefix(n);
  return w;
}

std::string quoted(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  out.append(s);
  out += '"';
  return out;
}

}  // namespace

AcknowledgementsFile ParseAcknowledgements(std::string_view text) {
  AcknowledgementsFile parsed;
  std::vector<Acknowledgement>& out = parsed.acknowledgements;
  auto problem = [&](int line, std::string what) { parsed.problems.push_back({line, std::move(what)}); };
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++number;
    if (line.empty() || line.front() == '#') continue;
    const std::string_view kindName = word(line);
    const std::optional<FindingKind> kind = KindOfName(kindName);
    if (!kind) {
      problem(number, quoted(kindName) + " is not a finding kind; the line is left out");
      continue;
    }
    Acknowledgement a;
    a.kind = *kind;
    a.channel = std::string(word(line));
    const std::string_view review = word(line);
    a.reason = std::string(trim(line));
    if (a.channel.empty()) {
      problem(number, "no channel; the line is left out");
    } else if (!flight::IsIsoDay(review)) {
      problem(number, quoted(review) + " is not a review date (YYYY-MM-DD); the line is left out");
    } else if (a.reason.empty()) {
      problem(number, "no reason; the line is left out");
    } else {
      a.review = std::string(review);
      out.push_back(std::move(a));
    }
  }
  return parsed;
}

std::string FormatAcknowledgements(const std::vector<Acknowledgement>& list) {
  std::string out =
      "# Varnix: findings the owner knows of. One a line: the finding kind, the channel,\n"
      "# the review date (YYYY-MM-DD; its findings are open again after it) and the reason.\n";
  for (const Acknowledgement& a : list)
    out += std::string(KindName(a.kind)) + " " + a.channel + " " + a.review + " " + a.reason + "\n";
  return out;
}

AcknowledgementsFile ReadAcknowledgements(const std::string& folder) {
  AcknowledgementsFile file;
  file.path = folder + "/" + kAcknowledgedFileName;
  std::vector<LimitsProblem> problems;
  if (const std::optional<std::string> text = ReadFolderFile(file.path, problems, kFolderFileMost))
  {
    AcknowledgementsFile parsed = ParseAcknowledgements(*text);
    file.acknowledgements = std::move(parsed.acknowledgements);
    file.problems = std::move(parsed.problems);
  }
  // Nothing read: no finding is acknowledged.
  constexpr std::string_view kDefaults = "; the defaults apply";
  for (const LimitsProblem& p : problems) {
    std::string_view text = p.text;
    if (text.ends_with(kDefaults)) text.remove_suffix(kDefaults.size());
    file.problems.push_back({p.line, std::string(text) + "; no finding is acknowledged"});
  }
  return file;
}

std::vector<std::string> AcknowledgementsProblemLines(const AcknowledgementsFile& file) {
  return LimitsProblemLines({.limits = {}, .path = file.path, .problems = file.problems, .engine = {}});
}

flight::Done SaveAcknowledgements(const std::string& folder, const std::vector<Acknowledgement>& list) {
  return SaveFolderFile(folder + "/" + kAcknowledgedFileName, FormatAcknowledgements(list));
}

namespace {

// A finding of one event on several channels (a bus on both its voltmeters)
// is covered by an acknowledgement of any of them, whichever the finding names first.
bool covers(const Finding& f, const std::string& channel) {
  return f.channel == channel || std::find(f.channels.begin(), f.channels.end(), channel) != f.channels.end();
}

}  // namespace

void ApplyAcknowledgements(std::vector<Finding>& findings, const std::vector<Acknowledgement>& list,
                           std::string_view today) {
  for (Finding& f : findings)
    for (const Acknowledgement& a : list)
      if (a.kind == f.kind && covers(f, a.channel) && today <= std::string_view(a.review)) {
        f.acknowledged = true;
        f.reason = a.reason;
        break;
      }
}

std::string LocalDate() {
  const platform::LocalDate today = platform::localDate();
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", today.year, today.month, today.day);
  return buf;
}

}  // namespace varnix::analysis
