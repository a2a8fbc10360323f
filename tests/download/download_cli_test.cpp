// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli download against the simulated instrument, run as a user runs
// it: exit codes, the stored dump's path on stdout, and with --expand the
// same files that varnix-cli expand makes of the stored dump.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>
#include <vector>

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

// What the user reads when a download goes wrong: the cause, the folder
// that failed, where the received dump is kept.
TEST(CliDownload, WordsSayWhyAndWhere) {
  struct Case {
    const char* name;
    std::string port;  // empty: the simulated instrument sends `dump`
    std::string dump;
    bool userFolderIsAFile;
    int exit;
    std::vector<std::string> said;
  };
  TempDir dir;
  const std::string data = dir.file("data");
  const Case cases[] = {
      {"/dev/null as the port", "/dev/null", "", false, 3, {"/dev/null is not a serial port"}},
      {"a folder as the port", dir.path(), "", false, 3, {dir.path() + " is not a serial port"}},
      {"no user id line", "", DumpBuilder().line("C,830,0,0,0,288").line("L,0").closing().str(), false, 8,
       {"is not a valid \"$U\" user id line; it begins \"$C,830,0,0,0,288"}},
      {"a file where the user folder goes", "", twoFlightDump(), true, 11,
       {"in the folder '" + data + "/N123AB'", "The downloaded data is kept in '"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(data);
    fs::create_directories(data);
    if (c.userFolderIsAFile) test::writeFile(data + "/N123AB", "not a folder");
    const CliRun run = c.port.empty()
                           ? download(dir, c.dump, "--quiet")
                           : runCli(dir, "download --port '" + c.port + "' --baud 19200 --quiet --data-folder '" + data + "'");
    EXPECT_EQ(run.exit, c.exit) << run.err;
    for (const std::string& text : c.said) EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
  }
}

// varnix-cli started in the background, its output in files of `dir`.
struct BackgroundCli {
  pid_t pid = -1;
  BackgroundCli(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), VARNIX_CLI);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, dir.file("cli.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, dir.file("cli.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid, VARNIX_CLI, &files, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
  }
  int wait() {
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
};

TEST(CliDownload, SignalsStopAndFileWhatArrived) {
  // The instrument pauses after `part` bytes; once the progress line shows
  // them, the signal comes, and exactly those bytes are filed. A closed
  // terminal hangs up twice (the kernel, and the shell passing its own on).
  const std::string dump = twoFlightDump();
  const std::size_t part = dump.find('\n', dump.find("$L")) + 5;
  const struct {
    int signal;
    int times;
  } cases[] = {{SIGINT, 1}, {SIGTERM, 1}, {SIGHUP, 2}, {SIGQUIT, 1}};
  for (const auto& c : cases) {
    const int signal = c.signal;
    SCOPED_TRACE(::strsignal(signal));
    TempDir dir;
    sim::Pacing pacing;
    pacing.pauseAfterBytes = part;
    pacing.pauseAfterBytesMs = 60000;
    test::Instrument instrument(dump, pacing);
    BackgroundCli cli(dir, {"download", "--port", instrument.path(), "--baud", "19200", "--end-timeout", "30",
                            "--data-folder", dir.file("data"), "--progress", "--expand"});
    ASSERT_GT(cli.pid, 0);
    const std::string shown = "  " + std::to_string(part) + " of ";
    for (int i = 0; i < 6000 && test::readFile(dir.file("cli.err")).find(shown) == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (int i = 0; i < c.times; ++i) ::kill(cli.pid, signal);
    EXPECT_EQ(cli.wait(), 0) << "the filing's code, and no expansion";
    const std::string out = test::readFile(dir.file("cli.out"));
    const std::string stored = out.substr(0, out.find('\n'));
    EXPECT_EQ(out, stored + "\n") << "only the path";
    EXPECT_EQ(fs::path(stored).parent_path(), fs::path(dir.file("data/N123AB")));
    EXPECT_EQ(test::readFile(stored), dump.substr(0, part));
    EXPECT_NE(test::readFile(dir.file("cli.err")).find("Stopped: " + std::to_string(part) + " bytes received."),
              std::string::npos);
  }
}

// The line falls silent, or hangs up, after part of what the header
// announced: the part is filed, the user is told, and the code is 15.
TEST(CliDownload, ALineThatStopsEarlyIsSaidAndHasItsCode) {
  const std::string dump = test::readFile(VARNIX_HOUR_DUMP);
  ASSERT_EQ(dump.size(), 13442u);
  const std::size_t part = 4781;
  for (const bool hangUp : {false, true}) {
    SCOPED_TRACE(hangUp ? "hang-up" : "silence");
    TempDir dir;
    std::atomic<bool> shown{false};
    std::optional<test::Instrument> instrument;
    if (hangUp)
      instrument.emplace(dump.substr(0, part), sim::Pacing{}, [&] { return shown.load(); });
    else
      instrument.emplace(dump.substr(0, part));
    BackgroundCli cli(dir, {"download", "--port", instrument->path(), "--baud", "19200", "--end-timeout",
                            hangUp ? "30" : "1", "--data-folder", dir.file("data"), "--progress"});
    ASSERT_GT(cli.pid, 0);
    // The hang-up comes once every byte sent has been read.
    for (int i = 0; hangUp && i < 6000 && test::readFile(dir.file("cli.err")).find("  4,781 of 13,442") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    shown = true;
    EXPECT_EQ(cli.wait(), 15);
    const std::string out = test::readFile(dir.file("cli.out"));
    const std::string stored = out.substr(0, out.find('\n'));
    EXPECT_EQ(fs::path(stored).parent_path(), fs::path(dir.file("data/N123AB")));
    EXPECT_TRUE(test::readFile(stored) == dump.substr(0, part)) << "what arrived, as it arrived";
    const std::string err = test::readFile(dir.file("cli.err"));
    const std::string said =
        "The instrument stopped sending after 4,781 of 13,442 bytes; the dump was kept as it arrived, and its last "
        "flights are incomplete.";
    EXPECT_NE(err.find(said), std::string::npos) << err;
    EXPECT_LT(err.find("Download is successful"), err.find(said)) << "after the filing's message";
  }
}

}  // namespace
}  // namespace varnix
