// SPDX-License-Identifier: GPL-3.0-or-later
// Nothing lost, nothing escapes: writes that fail, links at the names the
// expansion writes, two expansions of one dump at once, one folder per dump,
// bounded memory, and the recovery of the flights after a damaged one.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <thread>

#include "core/download.h"
#include "core/naming.h"
#include "platform/output_file.h"
#include "library/expand_test_support.h"
#include "support/file_size_limit.h"

namespace varnix {
namespace {

namespace fs = std::filesystem;
using test::crlfLines;
using test::DumpPlan;
using test::ExpandFixture;
using test::flight;
using test::readFile;
using test::RecordBuilder;
using test::writeFile;

// `count` flights numbered from 1; flight k has k x `growth` repeated lines.
DumpPlan flights(int count, int growth) {
  DumpPlan plan;
  for (int k = 1; k <= count; ++k) {
    std::vector<RecordBuilder> records;
    for (int r = 0; r < k * growth; ++r) records.push_back(RecordBuilder(20).set(0, 0, static_cast<std::uint8_t>(r)));
    plan.flights.push_back(flight(static_cast<std::uint16_t>(k), 1u << 2, std::move(records)));
  }
  return plan;
}

[[maybe_unused]] std::size_t sizeOf(const std::string& path) { return static_cast<std::size_t>(fs::file_size(path)); }

// The dump with its first header line that begins "$" + `start` replaced by one of `body`.
std::string withHeaderLine(std::string dump, const std::string& start, const std::string& body) {
  const std::size_t at = dump.find("$" + start);
  return dump.replace(at, dump.find('\n', at) + 1 - at, test::headerLine(body));
}

#ifndef _WIN32
// The disk fills through a file size limit, which Windows has not.
TEST(ExpandWrites, AFullDiskEndsWithAFailureAndNoHalfFlight) {
  const struct {
    const char* what;
    DumpPlan plan;
    int code;
  } cases[] = {
      // Flight 2's CSV is larger than flight 1's, and the limit lies between.
      {"a flight CSV", flights(3, 4), 9},
      // Many small flights: the index outgrows every CSV.
      {"the index", flights(40, 0), 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dump = test::assembleDump(c.plan);
    ExpandFixture whole;
    ASSERT_EQ(whole.expand(dump), 0);
    const std::size_t index = sizeOf(whole.dir.file("R030714.TXT"));
    const std::size_t first = sizeOf(whole.data + "/N123AB/F00001.CSV");
    const std::size_t second = sizeOf(whole.data + "/N123AB/F00002.CSV");
    const std::size_t limit = c.code == 9 ? (first + second) / 2 : (index + second) / 2;
    ASSERT_TRUE(c.code == 9 ? first < limit && limit < second && index < limit : second < limit && limit < index);

    ExpandFixture fx;
    writeFile(fx.dir.file("R030714.TXT"), "older index\r\n");
    int code;
    testing::internal::CaptureStdout();
    {
      test::FileSizeLimit full(limit);
      code = fx.expand(dump);
    }
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(code, c.code);
    if (c.code == 9) {
      EXPECT_EQ(fx.csv("F00001.CSV"), whole.csv("F00001.CSV")) << "the flight before stays whole";
      EXPECT_FALSE(fs::exists(fx.data + "/N123AB/F00002.CSV")) << "no half flight is left";
      EXPECT_FALSE(fs::exists(fx.data + "/N123AB/F00003.CSV"));
      const auto lines = fx.index();
      ASSERT_EQ(lines.size(), 2u);
      EXPECT_EQ(lines[0], whole.index()[0]);
      EXPECT_EQ(lines[1].rfind("Stopped at Flt#2: F00002.CSV could not be written (", 0), 0u) << lines[1];
      EXPECT_NE(said.find("Could not write " + fx.data + "/N123AB/F00002.CSV: "), std::string::npos) << said;
    } else {
      EXPECT_EQ(readFile(fx.dir.file("R030714.TXT")), "older index\r\n") << "the older index stays";
      EXPECT_NE(said.find("Could not write " + fx.dir.file("R030714.TXT") + ": "), std::string::npos) << said;
    }
    int leftovers = 0;
    for (const auto& e : fs::directory_iterator(fx.dir.path())) leftovers += e.path().string().find(".part") != std::string::npos;
    EXPECT_EQ(leftovers, 0) << "no temporary index is left";
  }
}
#endif

#ifdef __linux__
// The write calls this process has made so far (Linux counts them).
std::optional<long long> writeCalls() {
  std::FILE* f = std::fopen("/proc/self/io", "r");
  if (!f) return std::nullopt;
  std::optional<long long> calls;
  char name[32];
  long long value = 0;
  while (std::fscanf(f, "%31s %lld", name, &value) == 2)
    if (std::string_view(name) == "syscw:") calls = value;
  std::fclose(f);
  return calls;
}

// One write per line made the writes cost more than all the decoding: the
// lines reach the file in blocks, and the duration is right whether its
// placeholder still waits in the block or lies in the file already. What the
// kernel counts besides the expansion's own writes differs between machines,
// so the flight of many blocks is measured against the flight of one.
TEST(ExpandWrites, FlightFilesReachTheFileInBlocks) {
  const struct {
    const char* what;
    int records;  // of 256 lines each
    const char* duration;
  } cases[] = {
      {"a flight shorter than a block", 1, "\"Duration  0.43Hours   Interval 6 seconds    \""},
      {"a flight of several blocks", 40, "\"Duration 17.07Hours   Interval 6 seconds    \""},
  };
  long long calls[2] = {};
  std::size_t bytes[2] = {};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.what);
    DumpPlan plan;
    plan.flights = {flight(1, 1u << 2, std::vector<RecordBuilder>(static_cast<std::size_t>(c.records), RecordBuilder(255)))};
    ExpandFixture fx;
    const std::optional<long long> before = writeCalls();
    if (!before) GTEST_SKIP() << "no write count in /proc/self/io";
    ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
    calls[i] = *writeCalls() - *before;
    const std::string csv = fx.csv("F00001.CSV");
    bytes[i] = csv.size();
    ASSERT_EQ(crlfLines(csv).size(), 7u + 256u * static_cast<std::size_t>(c.records));
    EXPECT_EQ(crlfLines(csv)[5], c.duration);
  }
  // 10,000 lines more may cost a write per 64 KiB block, and nothing per line.
  EXPECT_LE(calls[1] - calls[0], 2 + static_cast<long long>((bytes[1] - bytes[0]) / 60000))
      << calls[0] << " writes for " << bytes[0] << " bytes, " << calls[1] << " for " << bytes[1];
}
#endif

TEST(ExpandLinks, NothingIsWrittenThroughALink) {
  enum class Link { IndexToDump, IndexElsewhere, IndexHardLinkOfDump, DanglingFirstCsv, UserFolderElsewhere };
  const struct {
    const char* what;
    Link link;
    int code;
  } cases[] = {
#ifndef _WIN32  // symbolic links: on Windows an administrator's privilege
      {"index name links to the dump", Link::IndexToDump, 7},
      {"index name links to a file elsewhere", Link::IndexElsewhere, 0},
#endif
      {"index name is a hard link of the dump", Link::IndexHardLinkOfDump, 7},
#ifndef _WIN32
      {"dangling link at the first CSV name", Link::DanglingFirstCsv, 0},
      {"user folder links elsewhere", Link::UserFolderElsewhere, 9},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpandFixture fx;
    test::TempDir elsewhere;
    const std::string dump = test::assembleDump(flights(2, 1));
    const std::string index = fx.dir.file("R030714.TXT"), other = elsewhere.file("other.txt");
    writeFile(fx.dat, dump);
    writeFile(other, "not an index");
    switch (c.link) {
      case Link::IndexToDump: fs::create_symlink(fx.dat, index); break;
      case Link::IndexElsewhere: fs::create_symlink(other, index); break;
      case Link::IndexHardLinkOfDump: fs::create_hard_link(fx.dat, index); break;
      case Link::DanglingFirstCsv:
        fs::create_directory(fx.data + "/N123AB");
        fs::create_symlink(elsewhere.file("nowhere"), fx.data + "/N123AB/F00001.CSV");
        break;
      case Link::UserFolderElsewhere: fs::create_directory_symlink(elsewhere.path(), fx.data + "/N123AB"); break;
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(ExpandDataFile(fx.dat, fx.data + "/", fx.header), c.code);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(readFile(fx.dat), dump) << "the dump is never touched";
    EXPECT_EQ(readFile(other), "not an index");
    EXPECT_FALSE(fs::exists(elsewhere.file("nowhere")));
    EXPECT_FALSE(fs::exists(elsewhere.file("F00001.CSV")));
    if (c.link == Link::IndexElsewhere) {
      EXPECT_FALSE(fs::is_symlink(index));
      EXPECT_EQ(fx.index().size(), 2u);
    }
    if (c.link == Link::DanglingFirstCsv) {
      EXPECT_EQ(fx.index()[0].substr(0, 19), "Flt#1- F00001A.CSV ");
    }
  }
}

#if !defined(_WIN32) || defined(_GLIBCXX_HAS_GTHREADS)  // mingw's win32 thread model has no std::jthread
TEST(ExpandConcurrency, TwoRunsOfOneDumpLeaveOneRunsWholeIndex) {
  ExpandFixture fx;
  writeFile(fx.dat, test::assembleDump(flights(6, 3)));
  for (int round = 0; round < 10; ++round) {
    int codes[2] = {-1, -1};
    {
      std::jthread a([&] {
        HeaderState h{};
        codes[0] = ExpandDataFile(fx.dat, fx.data + "/", h);
      });
      HeaderState h{};
      codes[1] = ExpandDataFile(fx.dat, fx.data + "/", h);
    }
    EXPECT_EQ(codes[0], 0);
    EXPECT_EQ(codes[1], 0);
    const auto lines = fx.index();
    ASSERT_EQ(lines.size(), 6u) << "round " << round;
    for (int k = 1; k <= 6; ++k) {
      const std::string& line = lines[static_cast<std::size_t>(k - 1)];
      const std::string lead = "Flt#" + std::to_string(k) + "- F0000" + std::to_string(k);
      ASSERT_EQ(line.rfind(lead, 0), 0u) << line;
      const std::string name = line.substr(7, line.find(".CSV") + 4 - 7);
      EXPECT_TRUE(fs::exists(fx.data + "/N123AB/" + name)) << name;
    }
  }
}
#endif

// What an interrupted run (killed, or of an older version) left: its
// temporaries are removed by the next run in that folder, by their exact
// names, and a flight it left half-written is replaced instead of doubled;
// what merely looks like them stays.
TEST(ExpandInterrupted, TheNextRunRemovesItsTemporariesAndReplacesAHalfFlight) {
  const std::string dump = test::assembleDump(flights(2, 3));
  ExpandFixture whole;
  ASSERT_EQ(whole.expand(dump), 0);
  const std::string flight1 = whole.csv("F00001.CSV");
  // As an older version left it when killed: the duration never written, the rows cut.
  std::string half = flight1;
  const std::size_t duration = half.find("\"Duration ") + 10;
  half.replace(duration, half.find('"', duration) - duration, std::string(35, ' '));
  half.resize(half.find("\r\n", half.find("\"TIME\"")) + 20);
  std::string otherStart = half;
  otherStart.replace(otherStart.find("10:30:0"), 7, "10:31:0");

  enum Where { User, Dump };
  struct Placed {
    Where where;
    std::string name, bytes;
  };
  struct Case {
    const char* what;
    std::vector<Placed> placed;
    std::vector<std::string> userFolder;  // what N123AB holds after the run, sorted
    std::vector<std::string> dumpFolder;  // what the dump's folder holds after it, sorted
    std::string flight1As;                // the name of flight 1's whole file
  };
  const std::vector<std::string> expanded = {"F00001.CSV", "F00002.CSV"};
  const std::vector<std::string> dumpAlone = {"R030714.DAT", "R030714.TXT", "data"};
  const Case cases[] = {
      {"a killed run's flight temporary", {{User, "F00001.CSV.part000000", flight1.substr(0, 300)}}, expanded,
       dumpAlone, "F00001.CSV"},
      {"a killed run's temporaries of any six letters",
       {{User, "F00002.CSV.partAb3xYz", "rows"}, {User, "F00001A.CSV.partQ1w2E3", "rows"}}, expanded, dumpAlone,
       "F00001.CSV"},
      {"a killed run's temporary index", {{Dump, "R030714.TXT.partQ1w2E3", "Flt#1"}}, expanded, dumpAlone,
       "F00001.CSV"},
      {"a flight an older version left half-written", {{User, "F00001.CSV", half}}, expanded, dumpAlone,
       "F00001.CSV"},
      {"a half-written file of another start", {{User, "F00001.CSV", otherStart}},
       {"F00001.CSV", "F00001A.CSV", "F00002.CSV"}, dumpAlone, ""},
      {"a whole flight there already", {{User, "F00001.CSV", flight1}}, {"F00001.CSV", "F00001A.CSV", "F00002.CSV"},
       dumpAlone, "F00001.CSV"},
      {"names that merely look like temporaries",
       {{User, "F00001.CSV.part", "x"},
        {User, "F00001.CSV.partial", "x"},
        {User, "F00001.CSV.partAbCdE", "x"},
        {User, "F00001.CSV.partAbCdEfG", "x"},
        {User, "notes.txt.partAbCdEf", "x"},
        {User, "F1.CSV.partAbCdEf", "x"},
        {Dump, "R030715.TXT.partAbCdEf", "x"},
        {Dump, "R030714.DAT.partAbCdEf", "x"}},
       {"F00001.CSV", "F00001.CSV.part", "F00001.CSV.partAbCdE", "F00001.CSV.partAbCdEfG", "F00001.CSV.partial",
        "F00002.CSV", "F1.CSV.partAbCdEf", "notes.txt.partAbCdEf"},
       {"R030714.DAT", "R030714.DAT.partAbCdEf", "R030714.TXT", "R030715.TXT.partAbCdEf", "data"}, "F00001.CSV"},
      {"an empty temporary made just now (its writer may not hold it yet)", {{User, "F00009.CSV.partAbCdEf", ""}},
       {"F00001.CSV", "F00002.CSV", "F00009.CSV.partAbCdEf"}, dumpAlone, "F00001.CSV"},
  };
  auto names = [](const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpandFixture fx;
    fs::create_directories(fx.data + "/N123AB");
    for (const Placed& p : c.placed) {
      const std::string path = (p.where == User ? fx.data + "/N123AB/" : fx.dir.path() + "/") + p.name;
      writeFile(path, p.bytes);
      // A killed run's leftovers are older than the moments a writer may not
      // hold its temporary yet (where a file cannot be locked, that age alone
      // tells them); only the empty one stands for a temporary made just now.
      if (!p.bytes.empty()) fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(1));
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(fx.expand(dump), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(names(fx.data + "/N123AB"), c.userFolder);
    EXPECT_EQ(names(fx.dir.path()), c.dumpFolder);
    if (!c.flight1As.empty()) {
      EXPECT_EQ(fx.csv(c.flight1As), flight1);
    }
    EXPECT_EQ(fx.csv("F00002.CSV"), whole.csv("F00002.CSV"));
    EXPECT_EQ(fx.index().size(), 2u);
  }
  {
    SCOPED_TRACE("a temporary another writer holds");
    ExpandFixture fx;
    fs::create_directories(fx.data + "/N123AB");
    platform::ReplacingFile writing(fx.data + "/N123AB/F00009.CSV", platform::ReplacingFile::Mode::NeverReplace);
    ASSERT_TRUE(writing.file());
    std::fputs("rows", writing.file());
    std::fflush(writing.file());
    testing::internal::CaptureStdout();
    EXPECT_EQ(fx.expand(dump), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(writing.commit()) << "its temporary is still there";
    EXPECT_EQ(readFile(fx.data + "/N123AB/F00009.CSV"), "rows");
  }
}

TEST(ExpandIds, TheFirstLineNamesTheFolder) {
  const struct {
    const char* what;
    std::string userId;       // of the first line
    std::string extraLines;   // before "$L"
    const char* folder;
  } cases[] = {
      {"a second $U line", "N1", test::headerLine("U,N2"), "N1"},
      {"a leading blank", " N1", "", "N1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpandFixture fx;
    DumpPlan plan = flights(1, 1);
    plan.userId = c.userId;
    plan.extraHeaderLines = c.extraLines;
    const std::string dump = test::assembleDump(plan);
    EXPECT_EQ(fx.expand(dump), 0);
    EXPECT_TRUE(fs::exists(fx.data + "/" + c.folder + "/F00001.CSV"));
    // The download road files the dump itself in the same folder.
    std::string received = fx.dir.file("received.DAT");
    writeFile(received, dump);
    HeaderState h{};
    FileDownloadedDump(received, fx.data + "/", h);
    EXPECT_EQ(received.rfind(fx.data + test::nativePath(std::string("/") + c.folder + "/R"), 0), 0u) << received;
    EXPECT_EQ(std::distance(fs::directory_iterator(fx.data), fs::directory_iterator()), 1) << "one folder";
  }
}

// A sparse file whose "$L" line claims gigabytes expands in a small memory.
TEST(ExpandMemory, AHeaderThatClaimsGigabytesCostsNoMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#elif defined(_WIN32)
  GTEST_SKIP() << "the memory limit is set in a forked child";
#else
  ExpandFixture fx;
  writeFile(fx.dat, withHeaderLine(test::assembleDump(flights(1, 1)), "L,", "L,16000000"));
  fs::resize_file(fx.dat, 3ull << 30);  // a hole: no disk space, but 3 GB to read
  const pid_t child = ::fork();
  if (child == 0) {
    rlimit limit{256u << 20, 256u << 20};
    ::setrlimit(RLIMIT_AS, &limit);
    HeaderState h{};
    int code = -1;
    try {
      code = ExpandDataFile(fx.dat, fx.data + "/", h);
    } catch (...) {
      code = 100;
    }
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
  EXPECT_EQ(WEXITSTATUS(status), 6) << "the flight is expanded; no closing line where the claim says";
#endif
}

TEST(ExpandRecovery, LaterFlightsAsTheUndamagedDumpGivesThem) {
  enum class Damage { Record, FlightHeader };
  const char* layouts[] = {"830", "760", "extended"};
  for (const char* layout : layouts) {
    for (Damage damage : {Damage::Record, Damage::FlightHeader}) {
      SCOPED_TRACE(std::string(layout) + (damage == Damage::Record ? ", bad record" : ", bad flight header"));
      DumpPlan plan = flights(4, 2);
      plan.model = std::string(layout) == "extended" ? "900" : layout;
      plan.extended = std::string(layout) == "extended";
      ExpandFixture whole;
      ASSERT_EQ(whole.expand(test::assembleDump(plan)), 0);

      if (damage == Damage::Record) plan.flights[1].records[1].badChecksum();
      else plan.flights[1].corruptHeader = true;
      const std::string dump = test::assembleDump(plan);
      const int code = damage == Damage::Record ? 5 : 3;

      ExpandFixture plain;
      EXPECT_EQ(plain.expand(dump), code);
      EXPECT_FALSE(fs::exists(plain.data + "/N123AB/F00003.CSV")) << "without recovery the expansion stops";

      ExpandFixture fx;
      fx.options.recover = true;
      EXPECT_EQ(fx.expand(dump), code) << "the first damage's code";
      const auto lines = fx.index(), wholeLines = whole.index();
      ASSERT_EQ(lines.size(), damage == Damage::Record ? 4u : 3u);
      for (int k : {3, 4}) {
        const std::string name = "F0000" + std::to_string(k) + ".CSV";
        EXPECT_EQ(fx.csv(name), whole.csv(name)) << name;
        EXPECT_EQ(lines[lines.size() - 5 + static_cast<std::size_t>(k)], wholeLines[static_cast<std::size_t>(k - 1)] + " recovered");
      }
      EXPECT_EQ(lines[0], wholeLines[0]);
      if (damage == Damage::Record) {
        EXPECT_EQ(crlfLines(fx.csv("F00002.CSV")), crlfLines(plain.csv("F00002.CSV"))) << "lines before the damage";
      }
    }
  }
}

TEST(ExpandRecovery, StopsWhereALengthRunsPastTheData) {
  DumpPlan plan = flights(3, 2);
  plan.flights[0].records[1].badChecksum();
  // Flight 1's "$D" length is far too long: flight 2 would begin past the data.
  const std::string dump = withHeaderLine(test::assembleDump(plan), "D,1,", "D,1,90000");
  ExpandFixture fx;
  fx.options.recover = true;
  testing::internal::CaptureStdout();
  EXPECT_EQ(fx.expand(dump), 5);
  const std::string said = testing::internal::GetCapturedStdout();
  EXPECT_NE(said.find("Recovery stopped: flight 1 of 3 runs past the end of the data."), std::string::npos) << said;
  EXPECT_EQ(fx.index().size(), 1u);
}

}  // namespace
}  // namespace varnix
