// SPDX-License-Identifier: MIT
// Findings the owner knows of: a finding kind on a channel ("C4 probe reads
// 20 °F high since the overhaul"), with a reason and a review date. Until
// that date (inclusive) its findings are listed as acknowledged, not open;
// after it they are open again. Kept in the aircraft's folder as a small
// text file a person can edit, one line each:
//   cht_caution  C4  2027-06-01  C4 probe reads 20 °F high since the overhaul
// (kind, channel, review date, reason; '#' starts a comment line).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
#include "analysis/limits.h"

namespace varnix::analysis {

struct Acknowledgement {
  FindingKind kind = FindingKind::Cht;
  std::string channel;
  std::string review;  // "YYYY-MM-DD"
  std::string reason;
  bool operator==(const Acknowledgement&) const = default;
};

// The file name in an aircraft's folder.
inline constexpr const char* kAcknowledgedFileName = "varnix-acknowledged.txt";

struct AcknowledgementsFile {
  std::vector<Acknowledgement> acknowledgements;
  std::string path;  // the file looked for
  std::vector<LimitsProblem> problems;
};
// The lines of a text; a line that is no known kind, channel, valid date
// and reason is left out and is a problem (its line number and what).
AcknowledgementsFile ParseAcknowledgements(std::string_view text);
// The file's text, with a comment saying its form.
std::string FormatAcknowledgements(const std::vector<Acknowledgement>& acknowledgements);

// An aircraft's acknowledgements (none when there is no file).
AcknowledgementsFile ReadAcknowledgements(const std::string& folder);
// "<path> line N: ..." (or "<path>: ..."), one for each problem of `file`.
std::vector<std::string> AcknowledgementsProblemLines(const AcknowledgementsFile& file);
// Writes the file whole (a temporary beside it, renamed into place); the
// problem says why it cannot.
flight::Done SaveAcknowledgements(const std::string& folder, const std::vector<Acknowledgement>& acknowledgements);

// Marks the findings an acknowledgement whose review date is `today` or
// later covers; `today` is "YYYY-MM-DD".
void ApplyAcknowledgements(std::vector<Finding>& findings, const std::vector<Acknowledgement>& acknowledgements,
                           std::string_view today);
// The local date, "YYYY-MM-DD".
std::string LocalDate();

}  // namespace varnix::analysis
