// SPDX-License-Identifier: GPL-3.0-or-later
// The download's steps and filing, driven through a scripted port: set-up
// failures, the time-out of every wait, failed reads, short and long dumps,
// and the names and folders the dump ends up under.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <set>

#include "core/download.h"
#include "core/naming.h"
#include "fake_port.h"
#include "support/dump_builder.h"

namespace varnix {
namespace {

namespace fs = std::filesystem;
using test::DumpBuilder;
using test::FakePort;
using test::TempDir;

constexpr DumpTimeouts kTimeouts{1111, 2222};
constexpr std::int32_t kGap = 3333;

// Every regular file below `root`, relative to it.
std::set<std::string> filesBelow(const std::string& root) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) out.insert(fs::relative(e.path(), root).generic_string());
  return out;
}

struct Download {
  TempDir work;  // the working file's folder
  TempDir data;  // the data folder
  DownloadOptions options;
  Download() {
    options.workingFolder = work.path();
    options.headerGapTimeout = kGap;
    options.silencePause = 0;
    options.keyPressEnds = false;
  }
  HeaderState header{};
  DownloadResult run(FakePort& port) {
    return DownloadDump(port, PortSettings{"COM2", 9600}, kTimeouts, data.folderArgument(), header, options);
  }
  std::string today() const { return DatedBase(platform::localDate()); }
};

std::string validDump() {
  return DumpBuilder().line("U,N123AB").line("C,830,1,2,3,288").line("L,0").closing().text("tail").str();
}

TEST(DownloadSetup, EachFailedStepGivesItsCodeAndLeavesNoFile) {
  for (auto step : {platform::PortSetup::CannotOpen, platform::PortSetup::QueueSizes,
                    platform::PortSetup::LineSettings, platform::PortSetup::Timeouts,
                    platform::PortSetup::ReadEvent}) {
    Download d;
    FakePort port;
    port.setupResult = step;
    port.send(validDump());
    const auto r = d.run(port);
    EXPECT_EQ(r.code, static_cast<int>(step));
    EXPECT_TRUE(r.path.empty());
    EXPECT_FALSE(port.isOpen);
    EXPECT_TRUE(port.timeouts.empty()) << "nothing is read from a port that is not set up";
    EXPECT_TRUE(filesBelow(d.work.path()).empty());
    EXPECT_TRUE(filesBelow(d.data.path()).empty());
  }
}

TEST(Reception, EachWaitUsesTheTimeoutOfItsState) {
  // An "L" that does not follow "$" is no marker.
  const std::string header = "$U,AL*00\r\n$L";
  const std::string dump = header + ",0*50\r\nXY";
  Download d;
  FakePort port;
  port.send(dump);
  d.run(port);
  const std::size_t m = header.size();  // bytes up to the marker
  ASSERT_EQ(port.timeouts.size(), dump.size() + 1);
  EXPECT_EQ(port.timeouts[0], kTimeouts.firstByteTimeout);
  for (std::size_t i = 1; i <= m; ++i) EXPECT_EQ(port.timeouts[i], kGap) << "wait " << i;
  for (std::size_t i = m + 1; i < port.timeouts.size(); ++i)
    EXPECT_EQ(port.timeouts[i], kTimeouts.endOfDumpTimeout) << "wait " << i;
}

TEST(ReadFailures, KeepWhatHadArrived) {
  Download d;
  FakePort port;
  port.send("$U,N123AB*04\r\n$A,1,2").failure();
  const auto r = d.run(port);
  EXPECT_EQ(r.code, kDownloadReadFailed);
  EXPECT_EQ(test::readFile(r.path), "$U,N123AB*04\r\n$A,1,2");
  EXPECT_EQ(fs::path(r.path).parent_path(), fs::path(d.work.path()));
  EXPECT_FALSE(port.isOpen);
}

TEST(ShortDumps, AreNeverSuccessEvenWhenTheWorkingFileStays) {
  // The working file cannot be deleted (a folder now stands in its place):
  // still 7, never 0.
  Download d;
  FakePort port;
  port.send("$U,N1*");
  port.onSilence = [&] {
    for (const auto& e : fs::directory_iterator(d.work.path())) {
      const fs::path p = e.path();
      fs::remove(p);
      fs::create_directory(p);
      test::writeFile((p / "x").string(), "x");
    }
  };
  EXPECT_EQ(d.run(port).code, kDownloadNothing);
}

TEST(WorkingFile, ThatCannotBeWrittenOrReadAgainIsNeverFiledAsSuccess) {
  {  // the disk fills up while the bytes are written: 10, the working file kept
    Download d;
    FakePort port;
    port.send(validDump());
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    port.onSilence = [&] {
      rlimit small = old;
      small.rlim_cur = 16;
      ::setrlimit(RLIMIT_FSIZE, &small);
    };
    const auto r = d.run(port);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(r.code, kDownloadCannotWrite);
    EXPECT_EQ(fs::path(r.path).parent_path(), fs::path(d.work.path()));
    EXPECT_TRUE(filesBelow(d.data.path()).empty()) << "a cut dump is never filed";
  }
  {  // the working file is gone before it could be filed: 8 with its name
    Download d;
    FakePort port;
    port.send(validDump());
    port.onSilence = [&] {
      for (const auto& e : fs::directory_iterator(d.work.path())) fs::remove(e.path());
    };
    const auto r = d.run(port);
    EXPECT_EQ(r.code, kDownloadBadData);
    EXPECT_EQ(fs::path(r.path).parent_path(), fs::path(d.work.path()));
    EXPECT_TRUE(filesBelow(d.data.path()).empty());
  }
}

TEST(Filing, FirstLineChoosesTheFolder) {
  struct Case {
    std::string dump;
    int code;
    std::string folder;
  };
  const std::string rest = DumpBuilder().line("L,0").closing().str();
  const std::vector<Case> cases = {
      {validDump(), kDownloadFiled, "N123AB"},
      {"$U,N123AB*05\r\n" + rest, kDownloadBadData, "BadData"},                    // wrong check digits
      {DumpBuilder().line("C,830,1,2,3,288").line("U,N123AB").str() + rest, kDownloadBadData, "BadData"},
      {DumpBuilder().line("U,..").str() + rest, kDownloadBadData, "BadData"},      // not a folder name
      {std::string(30, '\0'), kDownloadBadData, "BadData"},
  };
  for (const auto& c : cases) {
    Download d;
    FakePort port;
    port.send(c.dump);
    const auto r = d.run(port);
    EXPECT_EQ(r.code, c.code) << c.folder;
    EXPECT_EQ(r.path, d.data.path() + "/" + c.folder + "/" + d.today() + ".DAT");
    EXPECT_EQ(test::readFile(r.path), c.dump);
    EXPECT_EQ(filesBelow(d.data.path()).size(), 1u);
    EXPECT_TRUE(filesBelow(d.work.path()).empty()) << "the working file is gone once copied";
  }
}

TEST(Filing, WhenEveryNameIsTakenNothingIsOverwritten) {
  {  // in the working folder: nothing is received
    Download d;
    for (int i = 0; i < kNameSuffixCount; ++i)
      test::writeFile(d.work.file(d.today() + std::string(NameSuffix(i)) + ".DAT"), "old");
    FakePort port;
    port.send(validDump());
    const auto r = d.run(port);
    EXPECT_EQ(r.code, kDownloadNamesTaken);
    EXPECT_TRUE(r.path.empty());
    EXPECT_TRUE(port.timeouts.empty());
    for (const auto& f : filesBelow(d.work.path())) EXPECT_EQ(test::readFile(d.work.file(f)), "old");
  }
  {  // in the user folder: the dump stays in the working file
    Download d;
    fs::create_directory(d.data.file("N123AB"));
    for (int i = 0; i < kNameSuffixCount; ++i)
      test::writeFile(d.data.file("N123AB/" + d.today() + std::string(NameSuffix(i)) + ".DAT"), "old");
    FakePort port;
    port.send(validDump());
    const auto r = d.run(port);
    EXPECT_EQ(r.code, kDownloadNamesTaken);
    EXPECT_EQ(fs::path(r.path).parent_path(), fs::path(d.work.path()));
    EXPECT_EQ(test::readFile(r.path), validDump());
    for (const auto& f : filesBelow(d.data.path())) EXPECT_EQ(test::readFile(d.data.file(f)), "old");
  }
}

TEST(LongDumps, AreKeptUpToTheCapAndTheLineIsDrained) {
  Download d;
  FakePort port;
  std::string dump = validDump();
  dump.resize(kMaxDumpBytes + 10, '\x5A');
  port.send(dump);
  std::size_t lastCount = 0;
  d.options.progress = [&](std::size_t n) { lastCount = n; };
  const auto r = d.run(port);
  ASSERT_EQ(r.code, kDownloadFiled);
  EXPECT_EQ(lastCount, dump.size()) << "bytes past the cap are still read";
  const std::string stored = test::readFile(r.path);
  EXPECT_EQ(stored.size(), kMaxDumpBytes);
  EXPECT_TRUE(std::equal(stored.begin(), stored.end(), dump.begin()));
}

}  // namespace
}  // namespace varnix
