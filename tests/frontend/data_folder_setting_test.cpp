// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/data_folder_setting.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/dump_builder.h"

namespace varnix::frontend::settings {
namespace {

using test::TempDir;

#ifndef _WIN32
// The default folder lies in $HOME (on Windows on the program's drive).
TEST(DataFolderSetting, FirstRunCreatesTheDefaultFolderAndTheSetting) {
  TempDir home, app;
  setenv("HOME", home.path().c_str(), 1);
  const std::string folder = settleDataFolder(app.path());
  EXPECT_EQ(folder, home.path() + "/VXDATA");
  EXPECT_TRUE(platform::folderExists(folder));
  EXPECT_EQ(test::readFile(app.file("DataFolder.CFG")), folder + "\r\n");
  // A later run reads it back; an existing default folder is reused.
  EXPECT_EQ(settleDataFolder(app.path()), folder);
}
#endif

TEST(DataFolderSetting, FirstLineWithBlanksStripped) {
  TempDir app;
  test::writeFile(app.file("DataFolder.CFG"), "   /srv/Flights  \r\nignored\r\n");
  EXPECT_EQ(settleDataFolder(app.path()), "/srv/Flights");
  EXPECT_EQ(currentDataFolder(app.path()), "/srv/Flights");
}

#ifndef _WIN32
TEST(DataFolderSetting, EmptySettingFallsBackToTheDefault) {
  TempDir home, app;
  setenv("HOME", home.path().c_str(), 1);
  test::writeFile(app.file("DataFolder.CFG"), "  \r\n");
  EXPECT_EQ(currentDataFolder(app.path()), home.path() + "/VXDATA");
  EXPECT_EQ(test::readFile(app.file("DataFolder.CFG")), "  \r\n") << "reading never writes";
  EXPECT_EQ(settleDataFolder(app.path()), home.path() + "/VXDATA");
  EXPECT_EQ(test::readFile(app.file("DataFolder.CFG")), home.path() + "/VXDATA\r\n");
}
#endif

}  // namespace
}  // namespace varnix::frontend::settings
