// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli chart and report, run as a separate program: the file they
// write is complete or there is none, the old file stays until the new one
// is good, a link at the output's name is never written through, and the
// flight file is never the output.
#include <QImage>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "support/cli_run.h"
#include "support/file_size_limit.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;

CliRun runCli(const TempDir& dir, const std::string& args) { return test::runCli(VARNIX_CLI, dir, args); }

// The first flight of the sample dump, expanded below `dir`.
std::string sampleFlight(const TempDir& dir) {
  return expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT")).front();
}

std::vector<std::string> names(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// Each command replaces an old file with --force; on a full disk (no file
// may grow past 8 KiB) it says so, exits 3 and leaves the old file as it
// was, with no temporary beside it.
TEST(DrawingCli, WritesTheWholeFileOrLeavesTheOldOne) {
  const struct {
    const char* command;
    const char* output;
  } commands[] = {{"chart", "out.png"}, {"chart", "out.pdf"}, {"chart", "out.svg"}, {"report", "out.pdf"}};
  TempDir dir;
  const std::string flight = sampleFlight(dir);
  const std::string folder = dir.file("out");
  for (const auto& c : commands) {
    for (const bool full : {false, true}) {
      SCOPED_TRACE(std::string(c.command) + " " + c.output + (full ? " on a full disk" : ""));
      fs::remove_all(folder);
      fs::create_directory(folder);
      const std::string out = folder + "/" + c.output;
      writeFile(out, "old");
      CliRun run;
      {
        std::optional<FileSizeLimit> limit;
        if (full) limit.emplace(8192);
        run = runCli(dir, std::string(c.command) + " " + test::quoted(flight) + " -o " + test::quoted(out) + " --force");
      }
      EXPECT_EQ(names(folder), std::vector<std::string>{c.output}) << "no temporary left";
      if (full) {
        EXPECT_EQ(run.exit, 3) << run.err;
        EXPECT_TRUE(readFile(out) == "old") << "the old file stays";
        EXPECT_NE(run.err.find("cannot be written"), std::string::npos) << run.err;
      } else {
        EXPECT_EQ(run.exit, 0) << run.err;
        EXPECT_GT(fs::file_size(out), 2000u);
      }
    }
  }
}

// What is at the output's name: a link is never followed (without --force
// it is a taken name, with it the link itself is replaced), and the flight
// file under any name is refused with code 5.
TEST(DrawingCli, NeverWritesThroughALinkOrOverTheFlight) {
  enum class At { DanglingLink, LinkToFile, File, Flight, LinkToFlight, HardLinkToFlight };
  const struct {
    const char* what;
    const char* command;
    At at;
    bool force;
    int exit;
    const char* said;
  } cases[] = {
      {"dangling link", "chart", At::DanglingLink, false, 3, "exists; give --force"},
      {"dangling link, report", "report", At::DanglingLink, false, 3, "exists; give --force"},
      {"dangling link replaced", "chart", At::DanglingLink, true, 0, ""},
      {"link to a file replaced", "chart", At::LinkToFile, true, 0, ""},
      {"link to a file replaced, report", "report", At::LinkToFile, true, 0, ""},
      {"a file without --force", "report", At::File, false, 3, "exists; give --force"},
      {"the flight itself", "report", At::Flight, true, 5, "is the flight file itself"},
      {"a link to the flight", "chart", At::LinkToFlight, true, 5, "is the flight file itself"},
      {"a hard link to the flight", "report", At::HardLinkToFlight, true, 5, "is the flight file itself"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string flight = sampleFlight(dir);
    const std::string before = readFile(flight);
    const std::string target = dir.file("target.png");
    std::string out = dir.file(std::string("out.") + (std::string(c.command) == "chart" ? "png" : "pdf"));
    switch (c.at) {
      case At::DanglingLink:
        fs::create_symlink(target, out);
        break;
      case At::LinkToFile:
        writeFile(target, "old");
        fs::create_symlink(target, out);
        break;
      case At::File:
        writeFile(out, "old");
        break;
      case At::Flight:
        out = flight;
        break;
      case At::LinkToFlight:
        fs::create_symlink(flight, out);
        break;
      case At::HardLinkToFlight:
        fs::create_hard_link(flight, out);
        break;
    }
    const CliRun run = runCli(
        dir, std::string(c.command) + " " + test::quoted(flight) + " -o " + test::quoted(out) + (c.force ? " --force" : ""));
    EXPECT_EQ(run.exit, c.exit) << run.err;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_EQ(readFile(flight), before) << "the flight is untouched";
    if (c.at == At::DanglingLink) {
      EXPECT_FALSE(fs::exists(target)) << "the link's target is not made";
    }
    if (c.at == At::LinkToFile) {
      EXPECT_EQ(readFile(target), "old") << "never written through";
    }
    if (c.exit == 0) {
      EXPECT_FALSE(fs::is_symlink(out));
      EXPECT_GT(fs::file_size(out), 2000u);
    }
  }
}

// How many pixels of the lower two thirds (the panels, below the title
// lines) differ between two pictures of one size; -1 when either is no picture.
int pixelsApartInPanels(const std::string& pngA, const std::string& pngB) {
  QImage a, b;
  if (!a.loadFromData(reinterpret_cast<const uchar*>(pngA.data()), static_cast<int>(pngA.size()), "PNG") ||
      !b.loadFromData(reinterpret_cast<const uchar*>(pngB.data()), static_cast<int>(pngB.size()), "PNG") ||
      a.size() != b.size())
    return -1;
  int apart = 0;
  for (int y = a.height() / 3; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) apart += a.pixel(x, y) != b.pixel(x, y);
  return apart;
}

// chart --compare draws flight B over A (the picture is not A's alone, and
// the alignment changes it); a bad B is said and coded as a bad A is; the
// output is never B; --align needs --compare and one of its three words.
TEST(DrawingCli, ChartComparesASecondFlightAndNamesABadOne) {
  TempDir dir;
  const std::string logs = std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/";
  const std::string a = test::quoted(logs + "log_220417_125002_LFQA.csv");
  const std::string b = logs + "log_220417_135002_LFAQ.csv";
  writeFile(dir.file("other.csv"), "a,b\r\n1,2\r\n");
  ASSERT_EQ(runCli(dir, "chart " + a + " -o " + test::quoted(dir.file("alone.png"))).exit, 0);
  const std::string alone = readFile(dir.file("alone.png"));
  const struct {
    const char* what;
    std::string args;
    int exit;  // 105-109: any of CLI11's usage codes
    std::string said;
    const char* sameAs;  // the picture equals this one's; none when it must differ from every other
  } cases[] = {
      {"by takeoff", "--compare " + test::quoted(b), 0, "", nullptr},
      {"by takeoff, said", "--compare " + test::quoted(b) + " --align takeoff", 0, "", "by takeoff"},
      {"by clock", "--compare " + test::quoted(b) + " --align clock", 0, "", nullptr},
      {"missing B", "--compare " + test::quoted(dir.file("missing.CSV")), 1,
       dir.file("missing.CSV") + ": the file " + dir.file("missing.CSV") + " cannot be opened", nullptr},
      {"B not a flight", "--compare " + test::quoted(dir.file("other.csv")), 2, dir.file("other.csv") + ": line 1:",
       nullptr},
      {"the output is B", "--compare " + test::quoted(b) + " --force", 5, "is the flight file itself", nullptr},
      {"--align alone", "--align clock", 105, "--align requires --compare", nullptr},
      {"--align of another word", "--compare " + test::quoted(b) + " --align sideways", 105,
       "takeoff, start or clock", nullptr},
  };
  std::map<std::string, std::string> drawn;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string out = std::string(c.what) == "the output is B" ? b : dir.file(std::string(c.what) + ".png");
    const std::string before = readFile(b);
    const CliRun run = runCli(dir, "chart " + a + " -o " + test::quoted(out) + " " + c.args);
    if (c.exit >= 105) {
      EXPECT_GE(run.exit, 105);
      EXPECT_LE(run.exit, 109);
    } else {
      EXPECT_EQ(run.exit, c.exit) << run.err;
    }
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_EQ(readFile(b), before) << "B is untouched";
    if (c.exit != 0) {
      EXPECT_FALSE(fs::exists(dir.file(std::string(c.what) + ".png")));
      continue;
    }
    const std::string picture = readFile(out);
    EXPECT_GT(pixelsApartInPanels(alone, picture), 500) << "B's lines are drawn in the panels, not only named in the title";
    if (c.sameAs) {
      EXPECT_EQ(picture, drawn[c.sameAs]);
    } else {
      for (const auto& [what, other] : drawn) EXPECT_NE(picture, other) << "the same picture as " << what;
    }
    drawn[c.what] = picture;
  }
}

// Without a runtime folder set, nothing but the output's path is said.
TEST(DrawingCli, SayNothingOfAMissingRuntimeFolder) {
  TempDir dir;
  const std::string flight = sampleFlight(dir);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::optional<std::string> kept = runtime ? std::optional<std::string>(runtime) : std::nullopt;
  ::unsetenv("XDG_RUNTIME_DIR");
  for (const char* args : {"chart FLIGHT -o out.png", "report FLIGHT -o out.pdf"}) {
    SCOPED_TRACE(args);
    std::string command = args;
    command.replace(command.find("FLIGHT"), 6, test::quoted(flight));
    const CliRun run = runCli(dir, command);
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.err, "");
  }
  if (kept) ::setenv("XDG_RUNTIME_DIR", kept->c_str(), 1);
}

}  // namespace
}  // namespace varnix::test
