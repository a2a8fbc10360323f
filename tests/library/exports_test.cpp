// SPDX-License-Identifier: GPL-3.0-or-later
// The C exports as a program calls them: fixed-size caller buffers.
#include <gtest/gtest.h>

#include <cstring>

#include "support/dump_builder.h"
#include "varnix/varnix.h"

namespace {

using varnix::test::DumpBuilder;
using varnix::test::TempDir;

TEST(GetUserIDExport, FillsTheTenByteBuffer) {
  TempDir dir;
  DumpBuilder().line("U,N123AB").line("L,0").closing().writeTo(dir.file("R1.DAT"));
  char path[VARNIX_PATH_BUFFER] = {};
  std::strncpy(path, dir.file("R1.DAT").c_str(), sizeof path - 1);
  char id[VARNIX_ID_BUFFER];
  std::memset(id, 'x', sizeof id);
  EXPECT_EQ(GetUserID(path, id), 0);
  EXPECT_STREQ(id, "N123AB");

  std::strncpy(path, dir.file("none.DAT").c_str(), sizeof path - 1);
  std::memset(id, 'x', sizeof id);
  EXPECT_EQ(GetUserID(path, id), 1);
  EXPECT_STREQ(id, "BadData");
}

TEST(GetUserIDExport, NineCharacterIdStillEndsWithNul) {
  TempDir dir;
  DumpBuilder().line("U,ABCDEFGHI").writeTo(dir.file("R2.DAT"));
  char path[VARNIX_PATH_BUFFER] = {};
  std::strncpy(path, dir.file("R2.DAT").c_str(), sizeof path - 1);
  char guard[VARNIX_ID_BUFFER + 4];
  std::memset(guard, 'x', sizeof guard);
  EXPECT_EQ(GetUserID(path, guard), 0);
  EXPECT_STREQ(guard, "ABCDEFGHI");
  EXPECT_EQ(guard[VARNIX_ID_BUFFER], 'x') << "nothing written past the buffer";
}

}  // namespace
