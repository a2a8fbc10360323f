// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/user_id.h"

#include <gtest/gtest.h>

#include "core/header_lines.h"
#include "support/dump_builder.h"

namespace varnix {
namespace {

using test::DumpBuilder;
using test::TempDir;

int ReadUserId(const std::string& path, std::string& id) {
  HeaderState header{};
  return varnix::ReadUserId(path, id, header);
}

TEST(UserIds, ValidUserLineGivesTheId) {
  TempDir dir;
  DumpBuilder().line("U,N123AB").line("C,830,0,0,0,288").line("L,0").closing().writeTo(dir.file("a.DAT"));
  std::string id;
  EXPECT_EQ(ReadUserId(dir.file("a.DAT"), id), 0);
  EXPECT_EQ(id, "N123AB");
}

TEST(UserIds, EveryFailureGivesBadData) {
  TempDir dir;
  std::string id;
  EXPECT_EQ(ReadUserId(dir.file("missing.DAT"), id), 1);
  EXPECT_EQ(id, "BadData");

  test::writeFile(dir.file("empty.DAT"), "");
  id.clear();
  EXPECT_EQ(ReadUserId(dir.file("empty.DAT"), id), 2);
  EXPECT_EQ(id, "BadData");

  DumpBuilder().text("$U,N123AB*00\r\n").writeTo(dir.file("wrong.DAT"));
  id.clear();
  EXPECT_EQ(ReadUserId(dir.file("wrong.DAT"), id), 2) << "wrong check digits";
  EXPECT_EQ(id, "BadData");

  DumpBuilder().line("C,830,0,0,0,288").line("U,N123AB").writeTo(dir.file("c.DAT"));
  EXPECT_EQ(ReadUserId(dir.file("c.DAT"), id), 2) << "a valid line of another letter";

  DumpBuilder().line("U,..").writeTo(dir.file("dots.DAT"));
  EXPECT_EQ(ReadUserId(dir.file("dots.DAT"), id), 2) << "an id that would leave the data folder";
  EXPECT_EQ(id, "BadData");
}

TEST(UserIds, OnlyTheFirstFiftyBytesAreRead) {
  TempDir dir;
  // A first line without a line feed in the first 50 bytes is cut there and
  // fails its check.
  std::string longLine = test::headerLine("U,N1,1111111111,2222222222,3333333333,4444444444");
  ASSERT_GT(longLine.size(), 50u);
  test::writeFile(dir.file("long.DAT"), longLine);
  std::string id;
  EXPECT_EQ(ReadUserId(dir.file("long.DAT"), id), 2);
}

}  // namespace
}  // namespace varnix
