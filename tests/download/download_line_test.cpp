// SPDX-License-Identifier: GPL-3.0-or-later
// Downloads over a pseudo-terminal through the system's serial port code,
// with the simulated instrument sending from another thread. Time-outs are
// generous and every assertion is about what was stored, never about how
// long it took.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
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

// A dump with flight data: "$L,3" announces 768 bytes, and they come.
std::string dumpWithData() {
  DumpBuilder b;
  b.line("U,N123AB").line("C,830,1,2,3,288").line("L,3");
  std::string data;
  for (int i = 0; i < 768; ++i) data += static_cast<char>(i * 37);
  return b.text(data).closing().str();
}

std::size_t markerLineEnd(const std::string& dump) { return dump.find('\n', dump.find("$L")) + 1; }

TEST(LineDownload, ReportsPhasesInOrderWithTheExpectedSize) {
  const std::string dump = dumpWithData();
  LineDownload d;
  std::vector<DownloadProgress> reports;
  d.options.progress = [&](const DownloadProgress& p) {
    reports.push_back(p);
    return false;
  };
  d.options.silencePause = 300;
  d.timeouts.endOfDumpTimeout = 1000;
  sim::Pacing pacing;
  pacing.firstBytePauseMs = 300;
  pacing.baud = 38400;
  Instrument instrument(dump, pacing);
  const auto r = d.run(instrument);
  ASSERT_EQ(r.code, kDownloadFiled);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.front().phase, DownloadPhase::WaitingForFirstByte);
  EXPECT_EQ(reports.back().phase, DownloadPhase::Silence);
  std::set<DownloadPhase> seen;
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const auto& p = reports[i];
    seen.insert(p.phase);
    if (i > 0) {
      EXPECT_GE(p.received, reports[i - 1].received) << "report " << i;
      EXPECT_GE(p.phase, reports[i - 1].phase) << "report " << i;
    }
    // The size is known exactly from the "$L" line on, and only then.
    const bool afterMarker = p.phase >= DownloadPhase::Flights;
    EXPECT_EQ(p.expected, afterMarker ? dump.size() : 0u) << "report " << i;
    if (afterMarker) {
      EXPECT_GE(p.received, markerLineEnd(dump));
    } else if (p.phase == DownloadPhase::Header) {
      EXPECT_LT(p.received, markerLineEnd(dump));
    }
  }
  EXPECT_EQ(seen.size(), 4u) << "every phase is reported";
  EXPECT_EQ(reports.back().received, dump.size());
}

TEST(LineDownload, StopKeepsExactlyWhatArrived) {
  // The instrument pauses after `stopAt` bytes (or has sent everything) and
  // the hook stops the download once they are in.
  const std::string dump = dumpWithData();
  struct Case {
    const char* where;
    std::size_t stopAt;
    int code;
  };
  const std::vector<Case> cases = {
      {"in the header", dump.find("$C") + 12, kDownloadFiled},
      {"in the flight data", markerLineEnd(dump) + 300, kDownloadFiled},
      {"after the closing line", dump.size(), kDownloadFiled},
      {"before 25 bytes", 20, kDownloadNothing},
  };
  for (const auto& c : cases) {
    LineDownload d;
    d.timeouts.endOfDumpTimeout = 20000;
    bool stopped = false;
    d.options.progress = [&](const DownloadProgress& p) { return stopped = p.received >= c.stopAt; };
    sim::Pacing pacing;
    pacing.pauseAfterBytes = c.stopAt;
    pacing.pauseAfterBytesMs = 15000;
    Instrument instrument(dump, pacing);
    const auto r = d.run(instrument);
    EXPECT_TRUE(stopped) << c.where;
    EXPECT_EQ(r.code, c.code) << c.where;
    if (c.code == kDownloadNothing) {
      EXPECT_EQ(fileCount(d.work.path()) + fileCount(d.data.path()), 0u) << c.where;
      continue;
    }
    EXPECT_EQ(fs::path(r.path).parent_path(), fs::path(d.data.file("N123AB"))) << c.where;
    EXPECT_EQ(test::readFile(r.path), dump.substr(0, c.stopAt)) << c.where;
  }
}

TEST(LineDownload, HangUpFilesWhatArrived) {
  // The sender closes its end right after part of the dump, as a bridge or
  // an adapter pulled out does: the bytes read are filed, as after silence.
  const std::string dump = dumpWithData();
  const std::size_t part = markerLineEnd(dump) + 100;
  LineDownload d;
  d.timeouts.endOfDumpTimeout = 20000;
  std::atomic<bool> allIn{false};
  d.options.progress = [&](const DownloadProgress& p) {
    allIn = p.received == part;
    return false;
  };
  Instrument instrument(dump.substr(0, part), {}, [&] { return allIn.load(); });
  const auto r = d.run(instrument);
  EXPECT_EQ(r.code, kDownloadFiled);
  EXPECT_EQ(test::readFile(r.path), dump.substr(0, part));
}

// Where the line stopped before the end the header announced, the hook
// hears last: the exact count, in the Silence phase, whether the line fell
// silent or hung up.
TEST(LineDownload, TheLastReportCountsWhereTheLineStopped) {
  const std::string dump = dumpWithData();
  const std::size_t part = markerLineEnd(dump) + 100;
  for (const bool hangUp : {false, true}) {
    SCOPED_TRACE(hangUp ? "hang-up" : "silence");
    LineDownload d;
    d.timeouts.endOfDumpTimeout = hangUp ? 20000 : 600;
    std::atomic<bool> allIn{false};
    std::vector<DownloadProgress> reports;
    d.options.progress = [&](const DownloadProgress& p) {
      reports.push_back(p);
      allIn = p.received == part;
      return false;
    };
    std::optional<Instrument> instrument;
    if (hangUp)
      instrument.emplace(dump.substr(0, part), sim::Pacing{}, [&] { return allIn.load(); });
    else
      instrument.emplace(dump.substr(0, part));
    const auto r = d.run(*instrument);
    EXPECT_EQ(r.code, kDownloadFiled);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().phase, DownloadPhase::Silence);
    EXPECT_EQ(reports.back().received, part);
    EXPECT_EQ(reports.back().expected, dump.size());
  }
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
