// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/naming.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/dump_builder.h"

namespace varnix {
namespace {

using test::TempDir;

TEST(NameSuffixes, FiftyThreeEntriesInOrder) {
  EXPECT_EQ(NameSuffix(0), "");
  EXPECT_EQ(NameSuffix(1), "A");
  EXPECT_EQ(NameSuffix(26), "Z");
  EXPECT_EQ(NameSuffix(27), "AA");
  EXPECT_EQ(NameSuffix(52), "AZ");
  EXPECT_EQ(NameSuffix(53), "");
  EXPECT_EQ(NameSuffix(-1), "");
}

TEST(DatedNames, TwoDigitYearMonthAndDay) {
  EXPECT_EQ(DatedBase({2003, 10, 6}), "R031006");
  EXPECT_EQ(DatedBase({2026, 12, 31}), "R261231");
}

TEST(Subfolders, UseTheTextBeforeTheLastSeparator) {
  TempDir dir;
  const std::string arg = dir.path() + "/ignored";
  EXPECT_EQ(SubfolderPath("N123AB", "F1.CSV", arg), test::nativePath(dir.path() + "/N123AB/F1.CSV"));
  EXPECT_TRUE(platform::folderExists(dir.path() + "/N123AB"));
  // Asking again for an existing folder is fine.
  EXPECT_EQ(SubfolderPath("N123AB", "F2.CSV", dir.folderArgument()), test::nativePath(dir.path() + "/N123AB/F2.CSV"));
}

TEST(Subfolders, ArgumentWithoutSeparatorStaysInTheCurrentFolder) {
  // In a folder of the test's own, made current for the call.
  TempDir dir;
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(DataFolderOf("nofolder"), "");
  EXPECT_EQ(SubfolderPath("BadData", "R1.DAT", "nofolder").rfind(test::nativePath("BadData/R1.DAT"), 0), 0u)
      << "never the root of the file system";
  EXPECT_TRUE(platform::folderExists(dir.path() + "/BadData"));
  std::filesystem::current_path(before);
}

TEST(Subfolders, HostileUserIdsCannotNameAFolder) {
  for (const char* bad : {"", ".", "..", "../x", "a/b", "a\\b", "C:", "x*", "ab.", "ab ", "CON", "nul.txt", "Com3", "LPT9", "a\x01"})
    EXPECT_FALSE(IsUsableFolderName(bad)) << bad;
  for (const char* good : {"N123AB", "ZK-ABC", "1234", "D.EFGH", "COM", "COM10", "CONX"}) EXPECT_TRUE(IsUsableFolderName(good)) << good;
}

TEST(Subfolders, OneFolderRuleForUserIds) {
  const struct {
    const char* id;
    const char* folder;
  } cases[] = {{"N123AB", "N123AB"}, {" N1", "N1"}, {"  N1", "N1"}, {"N1 ", "BadData"}, {"   ", "BadData"},
               {"..", "BadData"}, {"", "BadData"}};
  for (const auto& c : cases) EXPECT_EQ(FolderForUserId(c.id), c.folder) << '"' << c.id << '"';
}

#ifndef _WIN32  // symbolic links: on Windows an administrator's privilege
// A user folder that is a link (even to a folder) is never written into,
// and a link at a dated name counts as taken.
TEST(Subfolders, LinksAreNeitherFollowedNorReplaced) {
  namespace fs = std::filesystem;
  TempDir dir, elsewhere;
  fs::create_directory_symlink(elsewhere.path(), dir.file("N1"));
  EXPECT_FALSE(SafeSubfolderPath("N1", "F1.CSV", dir.folderArgument()));
  EXPECT_FALSE(ClaimDatedName("R031006", "N1", dir.folderArgument()));
  EXPECT_TRUE(fs::is_empty(elsewhere.path()));

  fs::create_directory(dir.file("N2"));
  fs::create_symlink(dir.file("nowhere"), dir.file("N2/R031006.DAT"));
  const auto claimed = ClaimDatedName("R031006", "N2", dir.folderArgument());
  ASSERT_TRUE(claimed);
  EXPECT_EQ(*claimed, dir.path() + "/N2/R031006A.DAT") << "a dangling link is a taken name";
  EXPECT_FALSE(fs::exists(dir.file("nowhere")));
}
#endif

TEST(ClaimedNames, FirstFreeSuffixThenNothing) {
  TempDir dir;
  const std::string arg = dir.folderArgument();
  auto first = ClaimDatedName("R031006", "N1", arg);
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, test::nativePath(dir.path() + "/N1/R031006.DAT"));
  auto second = ClaimDatedName("R031006", "N1", arg);
  ASSERT_TRUE(second);
  EXPECT_EQ(*second, test::nativePath(dir.path() + "/N1/R031006A.DAT"));
  for (int i = 2; i < 27; ++i) ASSERT_TRUE(ClaimDatedName("R031006", "N1", arg));
  auto aa = ClaimDatedName("R031006", "N1", arg);
  ASSERT_TRUE(aa);
  EXPECT_EQ(*aa, test::nativePath(dir.path() + "/N1/R031006AA.DAT")) << "the 28th";
  for (int i = 28; i < 53; ++i) ASSERT_TRUE(ClaimDatedName("R031006", "N1", arg));
  EXPECT_FALSE(ClaimDatedName("R031006", "N1", arg)) << "all 53 taken: no file is overwritten";
}

}  // namespace
}  // namespace varnix
