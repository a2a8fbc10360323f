// SPDX-License-Identifier: GPL-3.0-or-later
// The files the library writes: new names never taken through a link,
// mode 644 whatever the umask, replacements complete or not at all.
#include "platform/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "support/dump_builder.h"
#include "support/file_size_limit.h"

namespace varnix::platform {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

int entries(const TempDir& dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++n;
  return n;
}

TEST(OutputFiles, NewNamesAreNeverTakenThroughALink) {
  enum class At { Nothing, File, DanglingLink, LinkToFile };
  const struct {
    const char* what;
    At at;
    bool created;
  } cases[] = {
      {"free name", At::Nothing, true},
      {"existing file", At::File, false},
#ifndef _WIN32  // symbolic links: on Windows an administrator's privilege
      {"dangling link", At::DanglingLink, false},
      {"link to a file", At::LinkToFile, false},
#endif
  };
  const mode_t oldMask = ::umask(077);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string name = dir.file("F00001.CSV");
    if (c.at == At::File) writeFile(name, "old");
    if (c.at == At::LinkToFile) writeFile(dir.file("target"), "old");
    if (c.at == At::DanglingLink || c.at == At::LinkToFile) fs::create_symlink(dir.file("target"), name);
    std::FILE* f = createNewFile(name);
    EXPECT_EQ(f != nullptr, c.created);
    EXPECT_TRUE(nameTaken(name));
    if (f) {
      EXPECT_TRUE(closeChecked(f));
#ifndef _WIN32
      struct stat st {};
      ASSERT_EQ(::stat(name.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0644u) << "644 whatever the umask";
#endif
    } else {
      EXPECT_EQ(errno, EEXIST);
    }
    if (c.at == At::LinkToFile) {
      EXPECT_EQ(readFile(dir.file("target")), "old");
    }
  }
  ::umask(oldMask);
}

TEST(OutputFiles, ReplacementsAreWholeOrNotAtAll) {
  const struct {
    const char* what;
    ReplacingFile::Mode mode;
    bool targetExists;
    long limit;  // 0: none
    bool replaced;
    int error;
  } cases[] = {
      {"replace", ReplacingFile::Mode::Replace, true, 0, true, 0},
      {"new name", ReplacingFile::Mode::NeverReplace, false, 0, true, 0},
      {"never replace a taken name", ReplacingFile::Mode::NeverReplace, true, 0, false, EEXIST},
#ifndef _WIN32
      {"full disk", ReplacingFile::Mode::Replace, true, 1000, false, EFBIG},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string from = dir.file("from.DAT"), to = dir.file("to.DAT");
    const std::string bytes(5000, 'x');
    writeFile(from, bytes);
    if (c.targetExists) writeFile(to, "old");
    int error = 0;
    bool copied;
    {
      std::optional<test::FileSizeLimit> limit;
      if (c.limit) limit.emplace(c.limit);
      copied = copyWhole(from, to, c.mode, &error);
    }
    EXPECT_EQ(copied, c.replaced);
    EXPECT_EQ(error, c.error);
    if (c.replaced || c.targetExists) {
      EXPECT_EQ(readFile(to), c.replaced ? bytes : std::string("old"));
    }
    EXPECT_EQ(entries(dir), c.replaced || c.targetExists ? 2 : 1) << "no temporary left";
  }
  EXPECT_EQ(failureText("/d/F1.CSV", ENOSPC), "/d/F1.CSV: the disk is full");
}

// What is at the target's name when the file is complete decides: a name
// taken meanwhile is never replaced without Replace, and a link is replaced
// as a name, never written through.
TEST(OutputFiles, CommitJudgesTheNameAsItIsThen) {
  enum class At { Nothing, File, DanglingLink, LinkToFile };
  const struct {
    const char* what;
    ReplacingFile::Mode mode;
    At at;
    bool committed;
  } cases[] = {
      {"free name", ReplacingFile::Mode::NeverReplace, At::Nothing, true},
      {"file made meanwhile", ReplacingFile::Mode::NeverReplace, At::File, false},
#ifndef _WIN32  // Wine makes no symbolic links
      {"dangling link made meanwhile", ReplacingFile::Mode::NeverReplace, At::DanglingLink, false},
      {"link to a file made meanwhile", ReplacingFile::Mode::NeverReplace, At::LinkToFile, false},
      {"replace a dangling link", ReplacingFile::Mode::Replace, At::DanglingLink, true},
      {"replace a link to a file", ReplacingFile::Mode::Replace, At::LinkToFile, true},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string name = dir.file("chart.png"), target = dir.file("target");
    ReplacingFile out(name, c.mode);
    ASSERT_NE(out.file(), nullptr);
    ASSERT_TRUE(writeAll(out.file(), "new", 3));
    if (c.at == At::File) writeFile(name, "old");
    if (c.at == At::LinkToFile) writeFile(target, "old");
    if (c.at == At::DanglingLink || c.at == At::LinkToFile) fs::create_symlink(target, name);
    EXPECT_EQ(out.commit(), c.committed);
    EXPECT_EQ(out.error(), c.committed ? 0 : EEXIST);
    if (c.committed) {
      EXPECT_FALSE(isLink(name));
      EXPECT_EQ(readFile(name), "new");
    } else if (c.at == At::File) {
      EXPECT_EQ(readFile(name), "old");
    } else {
      EXPECT_TRUE(isLink(name));
    }
    if (c.at == At::LinkToFile) {
      EXPECT_EQ(readFile(target), "old") << "never written through";
    }
    if (c.at == At::DanglingLink) {
      EXPECT_FALSE(fs::exists(target)) << "the link's target is not made";
    }
    EXPECT_EQ(entries(dir), c.at == At::LinkToFile ? 2 : 1) << "no temporary left";
  }
}

}  // namespace
}  // namespace varnix::platform
