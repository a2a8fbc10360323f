// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli download against the simulated instrument, run as a user runs
// it: exit codes, the stored dump's path on stdout, and with --expand the
// same files that varnix-cli expand makes of the stored dump.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "instrument.h"
#include "support/cli_run.h"
#include "support/dump_builder.h"

namespace varnix {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::DumpBuilder;
using test::twoFlightDump;
using test::TempDir;

CliRun runCli(const TempDir& dir, const std::string& args) { return test::runCli(VARNIX_CLI, dir, args); }

// Downloads `dump` sent by the simulated instrument.
CliRun download(const TempDir& dir, const std::string& dump, const std::string& moreArgs) {
  test::Instrument instrument(dump);
  return runCli(dir, "download --port '" + instrument.path() + "' --baud 19200 --end-timeout 2 --data-folder '" +
                         dir.file("data") + "' " + moreArgs);
}

// Name -> contents of the files in `folder`.
std::map<std::string, std::string> filesIn(const std::string& folder) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::directory_iterator(folder))
    out[e.path().filename().string()] = test::readFile(e.path().string());
  return out;
}

TEST(CliDownload, ExpandsTheStoredDumpAsExpandDoes) {
  TempDir dir;
  const std::string dump = twoFlightDump();
  const CliRun run = download(dir, dump, "--expand");
  ASSERT_EQ(run.exit, 0) << run.err;
  ASSERT_FALSE(run.out.empty());
  const std::string stored = run.out.substr(0, run.out.find('\n'));
  EXPECT_EQ(fs::path(stored).parent_path(), fs::path(dir.file("data/N123AB")));
  EXPECT_EQ(test::readFile(stored), dump);
  const auto downloaded = filesIn(dir.file("data/N123AB"));
  EXPECT_GT(downloaded.size(), 2u) << "the dump, its index and flight files";

  // The same dump expanded on its own, in a second data folder.
  TempDir other;
  fs::create_directories(other.file("data/N123AB"));
  const std::string copy = other.file("data/N123AB/" + fs::path(stored).filename().string());
  fs::copy_file(stored, copy);
  const CliRun expand = runCli(other, "expand '" + copy + "' --data-folder '" + other.file("data") + "'");
  EXPECT_EQ(expand.exit, 0) << expand.err;
  EXPECT_EQ(filesIn(other.file("data/N123AB")), downloaded);
  EXPECT_EQ(run.out.substr(run.out.find('\n') + 1), expand.out) << "the same index lines";
  EXPECT_FALSE(fs::exists(dir.file(fs::path(stored).filename().string()))) << "no working file left";
}

TEST(CliDownload, BadDataIsFiledAndNotExpanded) {
  TempDir dir;
  const std::string dump = DumpBuilder().line("C,830,0,0,0,288").line("L,0").closing().str();
  const CliRun run = download(dir, dump, "--expand");
  EXPECT_EQ(run.exit, 8);
  EXPECT_EQ(fs::path(run.out.substr(0, run.out.find('\n'))).parent_path(), fs::path(dir.file("data/BadData")));
  EXPECT_EQ(filesIn(dir.file("data/BadData")).size(), 1u);
}

}  // namespace
}  // namespace varnix
