// SPDX-License-Identifier: GPL-3.0-or-later
// Palm backup conversion through the core function: what lands in the .DAT,
// where the dump is found, which paths are converted, and what a failure
// leaves on disk.
#include "core/palm.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "support/dump_builder.h"
#include "support/file_size_limit.h"
#include "support/pdb_builder.h"

namespace varnix {
namespace {

using test::DumpBuilder;
using test::palmBackup;
using test::PdbLayout;
using test::readFile;
using test::TempDir;
using test::writeFile;

// A dump of exactly `size` bytes that begins with its "$U" line.
std::string dumpOfSize(std::size_t size) {
  std::string dump = DumpBuilder().line("U,N123AB").line("C,830,0,0,0,288").str();
  for (std::size_t i = dump.size(); i < size; ++i) dump += static_cast<char>((i * 7 + 3) & 0xFF);
  dump.resize(size);
  return dump;
}

std::string withTrailingHeader(std::string_view dump) {
  PdbLayout layout;
  layout.headerAfterLastBlock = true;
  return palmBackup(dump, layout);
}

std::string behind(std::string prefix, std::string_view dump) {
  PdbLayout layout;
  layout.prefix = std::move(prefix);
  return palmBackup(dump, layout);
}

// Writes `pdb` as name in dir, converts it, and returns the code; `path`
// holds what the converter left in it.
int convert(const TempDir& dir, const std::string& name, const std::string& pdb, std::string& path) {
  path = dir.file(name);
  writeFile(path, pdb);
  return ProcessPalmFile(path);
}

// --- What the .DAT holds -----------------------------------------------------

TEST(PalmBlocks, TwoFullBlocksAndAShortOneGiveTheDumpExactly) {
  TempDir dir;
  const std::string dump = dumpOfSize(2 * 4096 + 100);
  const std::string pdb = palmBackup(dump);
  std::string path;
  ASSERT_EQ(convert(dir, "P1234567.PDB", pdb, path), 0);
  EXPECT_EQ(path, dir.file("P1234567.DAT"));
  const std::string dat = readFile(dir.file("P1234567.DAT"));
  EXPECT_EQ(dat.size(), 8292u);
  EXPECT_EQ(dat, dump) << "record headers between blocks must be dropped";
  EXPECT_EQ(dat.substr(0, 3), "$U,");
  EXPECT_EQ(readFile(dir.file("P1234567.PDB")), pdb) << "the backup is never changed";
}

TEST(PalmBlocks, RecordHeaderAfterTheLastBlock) {
  TempDir dir;
  std::string path;

  // After a full last block the 8 bytes are read and dropped like the others.
  const std::string full = dumpOfSize(2 * 4096);
  ASSERT_EQ(convert(dir, "P1000001.PDB", withTrailingHeader(full), path), 0);
  EXPECT_EQ(readFile(path), full);

  // A short last block is read in one go with the 8 bytes after it.
  const std::string shortLast = dumpOfSize(4096 + 100);
  ASSERT_EQ(convert(dir, "P1000002.PDB", withTrailingHeader(shortLast), path), 0);
  EXPECT_EQ(readFile(path), shortLast + test::recordHeader(2));

  // Without the 8 bytes, a full last block ends the file cleanly.
  ASSERT_EQ(convert(dir, "P1000003.PDB", palmBackup(full), path), 0);
  EXPECT_EQ(readFile(path), full);
}

TEST(PalmBlocks, TinyDumpReplacesAnOlderDat) {
  TempDir dir;
  writeFile(dir.file("P2000001.DAT"), std::string(20000, 'x'));
  std::string path;
  ASSERT_EQ(convert(dir, "P2000001.PDB", palmBackup("$U,"), path), 0);
  EXPECT_EQ(readFile(path), "$U,") << "the older .DAT is truncated, not appended to";
}

// --- Where the dump starts ---------------------------------------------------

TEST(PalmSearch, ByteThatBreaksThePatternIsNotLookedAtAgain) {
  TempDir dir;
  const std::string dump = dumpOfSize(300);
  std::string path;

  // "$$U,": the second "$" is consumed as the byte after the first one.
  ASSERT_EQ(convert(dir, "P4000001.PDB", behind("hdr$$U,xx", dump), path), 0);
  EXPECT_EQ(readFile(path), dump) << "the later, genuine start is found";

  // "$U$U,": the second "$" is consumed where a "," was wanted.
  ASSERT_EQ(convert(dir, "P4000002.PDB", behind("$U$U,abc", dump), path), 0);
  EXPECT_EQ(readFile(path), dump);

  // The Palm header's lone "$" and "U" bytes do not start a dump.
  ASSERT_EQ(convert(dir, "P4000003.PDB", behind("a$b$Uc U,$x", dump), path), 0);
  EXPECT_EQ(readFile(path), dump);
}

TEST(PalmSearch, OnlyUnrecognisedPatternsMeansNoDump) {
  TempDir dir;
  std::string path;
  EXPECT_EQ(convert(dir, "P4100001.PDB", "header$$U,$U$U,$U", path), 3);
  EXPECT_EQ(path, dir.file("P4100001.PDB"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("P4100001.DAT")));
}

TEST(PalmSearch, StartFoundAcrossReadBoundaries) {
  // The search reads the backup in large chunks; the three bytes may fall on
  // either side of any chunk boundary.
  TempDir dir;
  const std::string dump = dumpOfSize(5000);
  for (std::size_t before : {65533u, 65534u, 65535u, 65536u, 131071u}) {
    std::string path;
    ASSERT_EQ(convert(dir, "P4200001.PDB", behind(std::string(before, 'p'), dump), path), 0)
        << before;
    EXPECT_EQ(readFile(path), dump) << before;
  }
}

// --- Which paths are converted -------------------------------------------------

TEST(PalmPaths, FirstDotDecidesWithoutRegardToCase) {
  TempDir dir;
  const std::string pdb = palmBackup(dumpOfSize(200));
  std::string path;
  ASSERT_EQ(convert(dir, "P5000001.pdb", pdb, path), 0);
  EXPECT_EQ(path, dir.file("P5000001.DAT"));
  ASSERT_EQ(convert(dir, "P5000002.Pdb.bak", pdb, path), 0) << "characters after .PDB are not looked at";
  EXPECT_EQ(path, dir.file("P5000002.DAT"));
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST(PalmPaths, OtherExtensionsAreLeftAlone) {
  TempDir dir;
  const std::string pdb = palmBackup(dumpOfSize(200));
  std::string path;
  EXPECT_EQ(convert(dir, "P5100001.TXT", pdb, path), 0);
  EXPECT_EQ(path, dir.file("P5100001.TXT"));
  EXPECT_EQ(convert(dir, "P5100002.PD", pdb, path), 0) << "too short to be .PDB";
  EXPECT_EQ(path, dir.file("P5100002.PD"));

  // A folder with a "." is judged by that first ".": nothing converted.
  std::filesystem::create_directory(dir.file("Flight.Logs"));
  EXPECT_EQ(convert(dir, "Flight.Logs/P5100003.PDB", pdb, path), 0);
  EXPECT_EQ(path, dir.file("Flight.Logs/P5100003.PDB"));
  EXPECT_EQ(readFile(path), pdb);

  // Not one .DAT anywhere.
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
    EXPECT_NE(e.path().extension(), ".DAT") << e.path();
  }
}

TEST(PalmPaths, PathWithoutAnyDotIsRefused) {
  TempDir dir;
  if (dir.path().find('.') != std::string::npos) GTEST_SKIP() << "temporary folder holds a dot";
  const std::string pdb = palmBackup(dumpOfSize(200));
  std::string path;
  EXPECT_EQ(convert(dir, "P5200001", pdb, path), 1);
  EXPECT_EQ(path, dir.file("P5200001"));
  EXPECT_EQ(readFile(path), pdb);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "nothing written";
}

// --- Failures ----------------------------------------------------------------

TEST(PalmFailures, MissingBackupGivesOneAndWritesNothing) {
  TempDir dir;
  std::string path = dir.file("P6000001.PDB");
  EXPECT_EQ(ProcessPalmFile(path), 1);
  EXPECT_EQ(path, dir.file("P6000001.PDB"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("P6000001.DAT")));
}

TEST(PalmFailures, BackupWithoutDumpGivesThreeAndKeepsAnOlderDat) {
  TempDir dir;
  std::string path;
  EXPECT_EQ(convert(dir, "P6100001.PDB", test::palmDatabaseHeader(3) + std::string(9000, 'z'), path), 3);
  EXPECT_EQ(path, dir.file("P6100001.PDB"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("P6100001.DAT"))) << "no .DAT left behind";

  EXPECT_EQ(convert(dir, "P6100002.PDB", "", path), 3) << "empty backup";
  EXPECT_FALSE(std::filesystem::exists(dir.file("P6100002.DAT")));

  // A dump converted earlier survives a failed conversion of another backup.
  writeFile(dir.file("P6100003.DAT"), "earlier dump");
  EXPECT_EQ(convert(dir, "P6100003.PDB", "no dump here", path), 3);
  EXPECT_EQ(readFile(dir.file("P6100003.DAT")), "earlier dump");
}

TEST(PalmFailures, DatThatCannotBeCreatedGivesTwo) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("P6200001.DAT"));  // in the way
  std::string path;
  EXPECT_EQ(convert(dir, "P6200001.PDB", palmBackup(dumpOfSize(100)), path), 2);
  EXPECT_EQ(path, dir.file("P6200001.PDB"));
}

#ifndef _WIN32
// A .DAT is replaced only when the new one is complete, and never written
// through a link at its name. (A full disk and symbolic links: POSIX means.)
TEST(PalmFailures, FullDiskOrLinkAtTheDatNameLeavesWhatWasThere) {
  namespace fs = std::filesystem;
  enum class Before { OlderDat, LinkToElsewhere, DanglingLink };
  struct Case {
    const char* what;
    Before before;
    long limit;  // bytes a file may grow to; 0 for none
    int code;
  };
  const Case cases[] = {
      {"full disk, older .DAT", Before::OlderDat, 3000, 2},
      {"link to a file elsewhere", Before::LinkToElsewhere, 0, 0},
      {"dangling link", Before::DanglingLink, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string dat = dir.file("P7000001.DAT");
    const std::string elsewhere = dir.file("elsewhere.txt");
    if (c.before == Before::OlderDat) writeFile(dat, "earlier dump");
    if (c.before == Before::LinkToElsewhere) writeFile(elsewhere, "not a dump");
    if (c.before != Before::OlderDat) fs::create_symlink(elsewhere, dat);
    const std::string dump = dumpOfSize(3 * 4096);
    const std::string pdb = palmBackup(dump);
    std::string path;
    int code;
    {
      writeFile(dir.file("P7000001.PDB"), pdb);
      path = dir.file("P7000001.PDB");
      std::optional<test::FileSizeLimit> limit;
      if (c.limit > 0) limit.emplace(c.limit);
      code = ProcessPalmFile(path);
    }
    EXPECT_EQ(code, c.code);
    if (c.code == 0) {
      EXPECT_FALSE(fs::is_symlink(dat));
      EXPECT_EQ(readFile(dat), dump);
    } else {
      EXPECT_EQ(readFile(dat), "earlier dump");
    }
    if (c.before == Before::LinkToElsewhere) {
      EXPECT_EQ(readFile(elsewhere), "not a dump");
    }
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, c.before == Before::LinkToElsewhere ? 3 : 2) << "no temporary file is left";
  }
}
#endif

}  // namespace
}  // namespace varnix
