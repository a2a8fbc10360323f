// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/config_files.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>
#endif

#include "platform/platform.h"
#include "support/dump_builder.h"

namespace varnix {
namespace {

using test::TempDir;
using test::writeFile;

TEST(PortSettingsFile, OneLineOrTwoGiveTheSameSettings) {
  TempDir dir;
  for (const char* text : {"COM2 9600\r\n", "COM2\r\n9600\r\n", "  COM2   9600"}) {
    writeFile(dir.file("VARNIX.CFG"), text);
    auto s = ReadPortSettings(dir.path());
    ASSERT_TRUE(s) << text;
    EXPECT_EQ(s->portName, "COM2");
    EXPECT_EQ(s->baudRate, 9600);
  }
}

TEST(PortSettingsFile, MissingOrUnusableFilesReportNoSettings) {
  TempDir dir;
  EXPECT_FALSE(ReadPortSettings(dir.path())) << "missing";
  for (const char* text : {"", "COM1", "COM1 fast", "COM1 0", "COM1 -9600"}) {
    writeFile(dir.file("VARNIX.CFG"), text);
    EXPECT_FALSE(ReadPortSettings(dir.path())) << '"' << text << '"';
  }
}

TEST(PortSettingsFile, DevicePathsAreKeptWhole) {
  TempDir dir;
  writeFile(dir.file("VARNIX.CFG"), "/dev/ttyUSB0 19200\r\n");
  auto s = ReadPortSettings(dir.path());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->portName, "/dev/ttyUSB0");
  EXPECT_EQ(s->baudRate, 19200);
}

TEST(TimeoutsFile, DefaultsWithoutTheFile) {
  TempDir dir;
  auto t = ReadDumpTimeouts(dir.path());
  EXPECT_EQ(t.firstByteTimeout, 15000);
  EXPECT_EQ(t.endOfDumpTimeout, 2000);
}

TEST(TimeoutsFile, SecondsBecomeMilliseconds) {
  TempDir dir;
  writeFile(dir.file("TIMEOUT.CFG"), "30 5\r\n");
  auto t = ReadDumpTimeouts(dir.path());
  EXPECT_EQ(t.firstByteTimeout, 30000);
  EXPECT_EQ(t.endOfDumpTimeout, 5000);
}

TEST(TimeoutsFile, UnusableValuesKeepTheirDefaults) {
  TempDir dir;
  writeFile(dir.file("TIMEOUT.CFG"), "0 -3");
  auto t = ReadDumpTimeouts(dir.path());
  EXPECT_EQ(t.firstByteTimeout, 15000);
  EXPECT_EQ(t.endOfDumpTimeout, 2000);

  writeFile(dir.file("TIMEOUT.CFG"), "20");
  t = ReadDumpTimeouts(dir.path());
  EXPECT_EQ(t.firstByteTimeout, 20000);
  EXPECT_EQ(t.endOfDumpTimeout, 2000);

  writeFile(dir.file("TIMEOUT.CFG"), "x 99999999");
  t = ReadDumpTimeouts(dir.path());
  EXPECT_EQ(t.firstByteTimeout, 15000);
  EXPECT_EQ(t.endOfDumpTimeout, 2000) << "too large to hold in milliseconds";
}

#ifndef _WIN32
// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SettingsFolder, ProgramFolderThatCannotBeWrittenGivesWayToTheUsersConfigFolder) {
  TempDir program, home;
  EXPECT_EQ(platform::settingsFolderFor(program.path()), program.path()) << "writable: the program folder";

  // A program folder that cannot be written to: one that is not there (and,
  // unless the tests run as root, one without write permission).
  std::vector<std::string> lockedFolders = {program.file("gone")};
  if (::geteuid() != 0) {
    lockedFolders.push_back(program.file("locked"));
    ::mkdir(lockedFolders.back().c_str(), 0555);
  }
  for (const auto& locked : lockedFolders) {
    {
      ScopedEnv xdg("XDG_CONFIG_HOME", home.file("config"));
      EXPECT_EQ(platform::settingsFolderFor(locked), home.file("config") + "/varnix") << locked;
      EXPECT_TRUE(platform::folderExists(home.file("config") + "/varnix")) << "created on demand";
    }
    {
      ScopedEnv xdg("XDG_CONFIG_HOME", "relative/config");  // to be ignored
      ScopedEnv user("HOME", home.path());
      EXPECT_EQ(platform::settingsFolderFor(locked), home.path() + "/.config/varnix") << locked;
      EXPECT_TRUE(platform::folderExists(home.path() + "/.config/varnix"));
    }
  }
}
#endif

}  // namespace
}  // namespace varnix
