// SPDX-License-Identifier: GPL-3.0-or-later
// DataDownload as a program calls it: settings files in the program folder,
// fixed-size buffers. This program has a folder of its own, so its
// "VARNIX.CFG" and "TIMEOUT.CFG" touch no other test.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "instrument.h"
#include "platform/platform.h"
#include "support/dump_builder.h"
#include "varnix/varnix.h"

namespace {

namespace fs = std::filesystem;
using varnix::test::DumpBuilder;
using varnix::test::TempDir;

TEST(DataDownloadExport, ReadsItsSettingsAndFillsThePathBuffer) {
  const std::string cfg = varnix::platform::programFile("VARNIX.CFG");
  const std::string timeouts = varnix::platform::programFile("TIMEOUT.CFG");
  TempDir data;
  std::string folderArg = data.folderArgument();
  char path[VARNIX_PATH_BUFFER];

  // Without "VARNIX.CFG": 9, and no working file is left behind.
  std::remove(cfg.c_str());
  const auto before = std::distance(fs::directory_iterator("."), fs::directory_iterator());
  std::memset(path, 'x', sizeof path);
  EXPECT_EQ(DataDownload(path, folderArg.data()), 9);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), before);

  // A port that does not exist: 1.
  varnix::test::writeFile(cfg, "/dev/no-such-port 19200\r\n");
  EXPECT_EQ(DataDownload(path, folderArg.data()), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), before);

  // A whole download over the simulated instrument.
  const std::string dump = DumpBuilder().line("U,N123AB").line("L,0").closing().str();
  varnix::test::Instrument instrument(dump);
  varnix::test::writeFile(cfg, instrument.path() + " 19200\r\n");
  varnix::test::writeFile(timeouts, "20 1\r\n");
  const int code = DataDownload(path, folderArg.data());
  std::remove(cfg.c_str());
  std::remove(timeouts.c_str());
  EXPECT_EQ(code, 0);
  EXPECT_EQ(fs::path(path).parent_path(), fs::path(data.file("N123AB")));
  EXPECT_EQ(varnix::test::readFile(path), dump);
}

}  // namespace

namespace {

struct Heard {
  int calls = 0;
  int lastPhase = -1;
  long long lastReceived = -1;
};

int VARNIX_CALL hear(void* context, int phase, long long received, long long, int) {
  auto* heard = static_cast<Heard*>(context);
  ++heard->calls;
  heard->lastPhase = phase;
  heard->lastReceived = received;
  return 0;
}

TEST(DataDownloadProgressExport, ReportsAndNeverCutsThePath) {
  // A buffer too small for the full path: 14, and the path below the data
  // folder instead of a cut one; the callback hears its context.
  const std::string cfg = varnix::platform::programFile("VARNIX.CFG");
  const std::string timeouts = varnix::platform::programFile("TIMEOUT.CFG");
  TempDir data;
  std::string folderArg = data.folderArgument();
  const std::string dump = DumpBuilder().line("U,N123AB").line("L,0").closing().str();
  varnix::test::Instrument instrument(dump);
  varnix::test::writeFile(cfg, instrument.path() + " 19200\r\n");
  varnix::test::writeFile(timeouts, "20 1\r\n");
  char path[24];
  Heard heard;
  const int code = DataDownloadProgress(path, folderArg.data(), sizeof path, hear, &heard);
  std::remove(cfg.c_str());
  std::remove(timeouts.c_str());
  EXPECT_EQ(code, VARNIX_DOWNLOAD_PATH_TOO_LONG);
  const std::string below = std::string(path);
  EXPECT_EQ(fs::path(below).parent_path(), fs::path("N123AB"));
  EXPECT_EQ(varnix::test::readFile(data.file(below)), dump);
  EXPECT_GT(heard.calls, 1);
  EXPECT_EQ(heard.lastPhase, VARNIX_PHASE_SILENCE);
  EXPECT_EQ(heard.lastReceived, static_cast<long long>(dump.size()));
}

}  // namespace
