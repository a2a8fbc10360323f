// SPDX-License-Identifier: GPL-3.0-or-later
// Folders and files named in any language, through the platform layer and
// the output file policy: every path is UTF-8 text inside the program. On
// Windows the ANSI calls would make and list other names than these (or
// none, for characters outside the code page).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "platform/fs_path.h"
#include "platform/output_file.h"
#include "platform/platform.h"
#include "support/dump_builder.h"

namespace varnix::platform {
namespace {

std::string readBack(const std::string& path) {
  std::FILE* f = openRegularFile(path);
  if (!f) return "(cannot be opened)";
  std::string text;
  char block[256];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) text.append(block, n);
  std::fclose(f);
  return text;
}

std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(utf8Path(folder), ec))
    names.insert(utf8Text(entry.path().filename()));
  return names;
}

std::string in(const std::string& folder, const std::string& name) { return folder + kPathSeparator + name; }

TEST(PathNames, FoldersAndFilesInAnyLanguage) {
  const struct {
    const char* what;
    std::string name;    // as the program holds it
    std::string listed;  // as the system lists it back
  } cases[] = {
      {"accent", "Donn\xC3\xA9" "es-\xC3\xA9", "Donn\xC3\xA9" "es-\xC3\xA9"},
      {"umlaut", "Gr\xC3\xBC\xC3\x9F" "e-\xC3\xBC", "Gr\xC3\xBC\xC3\x9F" "e-\xC3\xBC"},
      {"CJK", "\xE9\xA3\x9B\xE8\xA1\x8C-\xE9\xA3\x9B", "\xE9\xA3\x9B\xE8\xA1\x8C-\xE9\xA3\x9B"},
      {"all three", "\xC3\xA9\xC3\xBC\xE9\xA3\x9B", "\xC3\xA9\xC3\xBC\xE9\xA3\x9B"},
#ifdef _WIN32
      // An id the instrument wrote in Latin-1: the stray byte is its Latin-1 character.
      {"Latin-1 byte", "N\xE9", "N\xC3\xA9"},
#else
      {"Latin-1 byte", "N\xE9", "N\xE9"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    const std::string folder = in(dir.path(), c.name);
    ASSERT_TRUE(makeFolder(folder));
    EXPECT_TRUE(folderExists(folder));
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{c.listed});

    // A new file through the output policy, then replaced whole (renamed into place).
    const std::string file = in(folder, "F" + c.name + ".CSV");
    std::FILE* f = createNewFile(file);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(writeAll(f, "first", 5));
    EXPECT_TRUE(closeChecked(f));
    EXPECT_TRUE(fileExists(file));
    EXPECT_TRUE(nameTaken(file));
    EXPECT_FALSE(isLink(file));
    EXPECT_EQ(readBack(file), "first");
    {
      ReplacingFile replacing(file);
      ASSERT_NE(replacing.file(), nullptr);
      EXPECT_TRUE(writeAll(replacing.file(), "second", 6));
      EXPECT_TRUE(replacing.commit());
    }
    EXPECT_EQ(readBack(file), "second");

    // A copy beside it, renamed into place as well; then the first goes.
    const std::string copy = in(folder, c.name + ".DAT");
    EXPECT_TRUE(copyFile(file, copy));
    EXPECT_TRUE(sameFile(copy, copy));
    EXPECT_FALSE(sameFile(file, copy));
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{"F" + c.listed + ".CSV", c.listed + ".DAT"}));
    EXPECT_TRUE(removeFile(file));
    EXPECT_FALSE(fileExists(file));
    EXPECT_EQ(readBack(copy), "second");

    // What a download does: an exclusive name, then opened and written.
    const std::string dated = in(folder, "R" + c.name + ".DAT");
    EXPECT_TRUE(createExclusive(dated));
    EXPECT_FALSE(createExclusive(dated)) << "the name is taken";
    std::FILE* w = openFile(dated, "wb");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(writeAll(w, "dump", 4));
    EXPECT_TRUE(closeChecked(w));
    EXPECT_EQ(readBack(dated), "dump");
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{c.listed + ".DAT", "R" + c.listed + ".DAT"}));
  }
}

}  // namespace
}  // namespace varnix::platform
