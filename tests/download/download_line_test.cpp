// SPDX-License-Identifier: GPL-3.0-or-later
// Downloads over a pseudo-terminal through the system's serial port code,
// with the simulated instrument sending from another thread. Time-outs are
// generous and every assertion is about what was stored, never about how
// long it took.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/download.h"
#include "core/naming.h"
#include "instrument.h"
#include "sim_line.h"
#include "support/dump_builder.h"

namespace varnix {
namespace {

namespace fs = std::filesystem;
using test::DumpBuilder;
using test::Instrument;
using test::TempDir;

std::size_t fileCount(const std::string& root) {
  std::size_t n = 0;
  for (const auto& e : fs::recursive_directory_iterator(root)) n += e.is_regular_file();
  return n;
}

struct LineDownload {
  TempDir work, data;
  DownloadOptions options;
  DumpTimeouts timeouts{20000, 2000};
  LineDownload() {
    options.workingFolder = work.path();
    options.silencePause = 0;
    options.keyPressEnds = false;
  }
  HeaderState header{};
  DownloadResult run(const Instrument& instrument) {
    const auto port = platform::makeSerialPort();
    return DownloadDump(*port, PortSettings{instrument.path(), 19200}, timeouts, data.folderArgument(), header, options);
  }
};

std::string sampleDump() {
  return DumpBuilder().line("U,N123AB").line("A,1,2,3,4,5,6,7,8").line("C,830,1,2,3,288").line("L,0").closing().str();
}

TEST(LineDownload, NothingArrivesLeavesNoFile) {
  LineDownload d;
  d.timeouts.firstByteTimeout = 300;
  Instrument instrument("");
  const auto r = d.run(instrument);
  EXPECT_EQ(r.code, kDownloadNothing);
  EXPECT_EQ(fileCount(d.work.path()) + fileCount(d.data.path()), 0u);
}

TEST(LineDownload, TwentyFiveBytesMakeADump) {
  const std::string dump25 = DumpBuilder().line("U,N123AB").line("L,0").text("xy").str();
  ASSERT_EQ(dump25.size(), 25u);
  {
    LineDownload d;
    Instrument instrument(dump25.substr(0, 24));
    EXPECT_EQ(d.run(instrument).code, kDownloadNothing);
    EXPECT_EQ(fileCount(d.work.path()) + fileCount(d.data.path()), 0u);
  }
  {
    LineDownload d;
    Instrument instrument(dump25);
    const auto r = d.run(instrument);
    EXPECT_EQ(r.code, kDownloadFiled);
    EXPECT_EQ(fs::path(r.path).parent_path(), fs::path(d.data.file("N123AB")));
    EXPECT_EQ(test::readFile(r.path), dump25);
  }
}

TEST(LineDownload, StoresEveryByteAsSent) {
  // Binary flight data with every byte value, the closing line and bytes
  // after it, longer than the instrument's memory, sent as fast as it goes.
  DumpBuilder b;
  b.line("U,N123AB").line("L,3000");
  std::string body;
  for (std::size_t i = 0; i < 760000; ++i) body += static_cast<char>((i * 7 + i / 256) & 0xFF);
  b.text(body).closing().text(std::string_view("\r\n\x00\xFF after", 10));
  LineDownload d;
  Instrument instrument(b.str());
  const auto r = d.run(instrument);
  ASSERT_EQ(r.code, kDownloadFiled);
  const std::string stored = test::readFile(r.path);
  EXPECT_EQ(stored.size(), b.size());
  EXPECT_TRUE(stored == b.str()) << "the stored dump differs from what was sent";
}

TEST(LineDownload, OnlySilenceAfterTheMarkerEndsTheDump) {
  const std::string dump = sampleDump();
  {  // pauses between header lines and right after "$L" are header gaps
    LineDownload d;
    d.timeouts.endOfDumpTimeout = 300;
    sim::Pacing pacing;
    pacing.headerLinePauseMs = 1000;
    pacing.pauseAfterBytes = dump.find("$L") + 2;
    pacing.pauseAfterBytesMs = 1000;
    Instrument instrument(dump, pacing);
    const auto r = d.run(instrument);
    ASSERT_EQ(r.code, kDownloadFiled);
    EXPECT_EQ(test::readFile(r.path), dump);
  }
  {  // a pause once bytes have followed the marker ends it
    LineDownload d;
    d.timeouts.endOfDumpTimeout = 300;
    sim::Pacing pacing;
    pacing.markerPauseMs = 3000;
    Instrument instrument(dump, pacing);
    const auto r = d.run(instrument);
    ASSERT_EQ(r.code, kDownloadFiled);
    const std::size_t lineEnd = dump.find('\n', dump.find("$L")) + 1;
    EXPECT_EQ(test::readFile(r.path), dump.substr(0, lineEnd));
  }
}

TEST(LineDownload, RepeatedDownloadsTakeTheNextSuffix) {
  LineDownload d;
  const std::string today = DatedBase(platform::localDate());
  auto once = [&] {
    Instrument instrument(sampleDump());
    return d.run(instrument);
  };
  EXPECT_EQ(fs::path(once().path).filename(), today + ".DAT");
  EXPECT_EQ(fs::path(once().path).filename(), today + "A.DAT");
  for (int i = 2; i < 26; ++i)  // "B" to "Y" taken by earlier downloads
    test::writeFile(d.data.file("N123AB/" + today + std::string(NameSuffix(i)) + ".DAT"), "old");
  EXPECT_EQ(fs::path(once().path).filename(), today + "Z.DAT");
  const auto aa = once();
  EXPECT_EQ(aa.code, kDownloadFiled);
  EXPECT_EQ(fs::path(aa.path).filename(), today + "AA.DAT");
  EXPECT_EQ(test::readFile(d.data.file("N123AB/" + today + "B.DAT")), "old");
}

TEST(LinePort, SetupFailures) {
  auto port = platform::makeSerialPort();
  TempDir dir;
  EXPECT_EQ(port->open(dir.file("missing"), 19200, kReceiveBufferBytes), platform::PortSetup::CannotOpen);
  test::writeFile(dir.file("plain"), "not a terminal");
  EXPECT_EQ(port->open(dir.file("plain"), 19200, kReceiveBufferBytes), platform::PortSetup::LineSettings);
  sim::PtyLine line;
  EXPECT_EQ(port->open(line.path(), 12345, kReceiveBufferBytes), platform::PortSetup::LineSettings)
      << "a rate the system cannot set";
  EXPECT_EQ(port->open(line.path(), 9600, kReceiveBufferBytes), platform::PortSetup::Ready);
  port->close();
}

}  // namespace
}  // namespace varnix
