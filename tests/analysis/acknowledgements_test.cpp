// SPDX-License-Identifier: GPL-3.0-or-later
// The owner's acknowledgements: what a hand-edited file says, what it gets
// wrong (by line), and which findings they cover until their review date.
#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/acknowledgements.h"
#include "support/dump_builder.h"

namespace varnix::test {
namespace {

using analysis::Acknowledgement;
using analysis::FindingKind;
using P = std::vector<analysis::LimitsProblem>;

TEST(Acknowledgements, EachLineIsAKindAChannelAReviewDateAndAReasonOrAProblem) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<Acknowledgement> read;
    P problems;
  };
  const Acknowledgement c4{FindingKind::ChtCaution, "C4", "2027-06-01", "C4 probe reads 20 °F high since the overhaul"};
  const Case cases[] = {
      {"one line", "cht_caution C4 2027-06-01 C4 probe reads 20 °F high since the overhaul\n", {c4}, {}},
      {"tabs, CR LF, a byte-order mark, comments and blank lines",
       "\xEF\xBB\xBF# known\r\n\r\ncht_caution\tC4  2027-06-01   C4 probe reads 20 °F high since the overhaul  \r\n",
       {c4}, {}},
      {"no line end at the end", "cht_caution C4 2027-06-01 C4 probe reads 20 °F high since the overhaul", {c4}, {}},
      {"unknown kind", "cht_hot C4 2027-06-01 why\n", {}, {{1, "\"cht_hot\" is not a finding kind; the line is left out"}}},
      {"no channel", "cht\n", {}, {{1, "no channel; the line is left out"}}},
      {"no date", "cht C4\n", {}, {{1, "\"\" is not a review date (YYYY-MM-DD); the line is left out"}}},
      {"a date that is none", "cht C4 2027-02-29 why\n", {},
       {{1, "\"2027-02-29\" is not a review date (YYYY-MM-DD); the line is left out"}}},
      {"a leap day", "cht C4 2028-02-29 why\n", {{FindingKind::Cht, "C4", "2028-02-29", "why"}}, {}},
      {"another date form", "cht C4 1/6/27 why\n", {},
       {{1, "\"1/6/27\" is not a review date (YYYY-MM-DD); the line is left out"}}},
      {"no reason", "cht C4 2027-06-01\n", {}, {{1, "no reason; the line is left out"}}},
      {"every line counted", "# a\ncht\ncht C4 2027-06-01 why\n", {{FindingKind::Cht, "C4", "2027-06-01", "why"}},
       {{2, "no channel; the line is left out"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const analysis::AcknowledgementsFile parsed = analysis::ParseAcknowledgements(c.text);
    EXPECT_EQ(parsed.acknowledgements, c.read);
    EXPECT_EQ(parsed.problems, c.problems);
  }
  // What is written reads back the same.
  const std::vector<Acknowledgement> list = {c4, {FindingKind::Baseline, "E2", "2026-12-31", "new probe"}};
  const analysis::AcknowledgementsFile readBack = analysis::ParseAcknowledgements(analysis::FormatAcknowledgements(list));
  EXPECT_EQ(readBack.acknowledgements, list);
  EXPECT_EQ(readBack.problems, P{});
}

TEST(Acknowledgements, CoverTheirKindOnTheirChannelUntilTheReviewDate) {
  struct Case {
    const char* what;
    Acknowledgement acknowledgement;
    const char* today;
    bool acknowledged;
  };
  const Case cases[] = {
      {"before the review", {FindingKind::Cht, "C4", "2027-06-01", "why"}, "2027-05-31", true},
      {"on the review date", {FindingKind::Cht, "C4", "2027-06-01", "why"}, "2027-06-01", true},
      {"after the review", {FindingKind::Cht, "C4", "2027-06-01", "why"}, "2027-06-02", false},
      {"another channel", {FindingKind::Cht, "C3", "2027-06-01", "why"}, "2027-05-01", false},
      {"another kind", {FindingKind::ChtCaution, "C4", "2027-06-01", "why"}, "2027-05-01", false},
      {"another channel of the finding's event", {FindingKind::Cht, "C5", "2027-06-01", "why"}, "2027-05-01", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<analysis::Finding> findings(2);
    findings[0].kind = FindingKind::Cht;
    findings[0].channel = "C4";
    findings[0].channels = {"C4", "C5"};
    findings[1].kind = FindingKind::Cht;
    findings[1].channel = "C1";
    analysis::ApplyAcknowledgements(findings, {c.acknowledgement}, c.today);
    EXPECT_EQ(findings[0].acknowledged, c.acknowledged);
    EXPECT_EQ(findings[0].reason, c.acknowledged ? "why" : "");
    EXPECT_FALSE(findings[1].acknowledged);
  }
}

TEST(Acknowledgements, TheFileIsReadOnlyWhenRegularAndReplacedWhole) {
  namespace fs = std::filesystem;
  TempDir dir;
  const std::string file = dir.file(analysis::kAcknowledgedFileName);
  EXPECT_TRUE(analysis::ReadAcknowledgements(dir.path()).problems.empty());  // no file: none
  fs::create_directory(file);
  EXPECT_EQ(analysis::AcknowledgementsProblemLines(analysis::ReadAcknowledgements(dir.path())),
            std::vector<std::string>{file + ": not a regular file; no finding is acknowledged"});
  fs::remove_all(file);
  writeFile(dir.file("elsewhere.txt"), "keep me");
#ifndef _WIN32
  fs::create_symlink(dir.file("elsewhere.txt"), file);
#endif
  const std::vector<Acknowledgement> list = {{FindingKind::Cht, "C4", "2027-06-01", "why"}};
  const flight::Done saved = analysis::SaveAcknowledgements(dir.path(), list);
  ASSERT_TRUE(saved.ok()) << saved.problem;
  EXPECT_FALSE(fs::is_symlink(file));
  EXPECT_EQ(readFile(dir.file("elsewhere.txt")), "keep me");
  EXPECT_EQ(analysis::ReadAcknowledgements(dir.path()).acknowledgements, list);
  writeFile(file, "cht C4 2027-06-01 why\ncht\n");
  EXPECT_EQ(analysis::AcknowledgementsProblemLines(analysis::ReadAcknowledgements(dir.path())),
            std::vector<std::string>{file + " line 2: no channel; the line is left out"});
}

}  // namespace
}  // namespace varnix::test
