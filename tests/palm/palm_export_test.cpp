// SPDX-License-Identifier: GPL-3.0-or-later
// ProcessPalmFile as a program calls it: a caller-owned path buffer that the
// library rewrites only when it wrote a dump.
#include <gtest/gtest.h>

#include <cstring>

#include "support/dump_builder.h"
#include "support/pdb_builder.h"
#include "varnix/varnix.h"

namespace {

using varnix::test::DumpBuilder;
using varnix::test::TempDir;

TEST(ProcessPalmFileExport, BufferNamesTheDumpOnlyAfterSuccess) {
  TempDir dir;
  const std::string dump = DumpBuilder().line("U,N123AB").line("L,0").closing().str();
  varnix::test::writeFile(dir.file("P1234567.pdb"), varnix::test::palmBackup(dump));

  char path[VARNIX_PATH_BUFFER];
  std::memset(path, ' ', sizeof path);
  std::memcpy(path, dir.file("P1234567.pdb").c_str(), dir.file("P1234567.pdb").size() + 1);
  EXPECT_EQ(ProcessPalmFile(path), 0);
  EXPECT_STREQ(path, dir.file("P1234567.DAT").c_str());
  EXPECT_EQ(varnix::test::readFile(path), dump);

  std::strcpy(path, dir.file("P7654321.PDB").c_str());
  EXPECT_EQ(ProcessPalmFile(path), 1);
  EXPECT_STREQ(path, dir.file("P7654321.PDB").c_str()) << "unchanged after a failure";
}

TEST(ProcessPalmFileExport, NeverWritesPastTheCallersText) {
  TempDir dir;
  const std::string dump = DumpBuilder().line("U,N123AB").closing().str();
  const std::string pdb = dir.file("P1.PDB");
  varnix::test::writeFile(pdb, varnix::test::palmBackup(dump));
  // A buffer just large enough for the backup's path, with guard bytes.
  std::string buffer = pdb + '\0' + "GUARD";
  EXPECT_EQ(ProcessPalmFile(buffer.data()), 0);
  EXPECT_STREQ(buffer.c_str(), dir.file("P1.DAT").c_str());
  EXPECT_EQ(buffer.substr(pdb.size() + 1), "GUARD");

  EXPECT_EQ(ProcessPalmFile(nullptr), 1);
}

}  // namespace
