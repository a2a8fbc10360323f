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

// ExpandDataFile is ExpandDataFileEx without options: it stops at the
// damaged flight, and with VARNIX_EXPAND_RECOVER the later flights follow.
TEST(ExpandDataFileExExport, RecoverGoesOnAfterADamagedFlight) {
  using namespace varnix::test;
  DumpPlan plan;
  for (std::uint16_t k = 1; k <= 3; ++k) {
    FlightPlan f;
    f.header.flightNumber = k;
    f.header.presence = 1u << 2;
    f.records = {RecordBuilder().set(0, 0, 1), RecordBuilder().set(0, 0, 2)};
    plan.flights.push_back(f);
  }
  plan.flights[1].records[0].badChecksum();
  const struct {
    int options;  // -1: ExpandDataFile
    bool third;
  } cases[] = {{-1, false}, {0, false}, {VARNIX_EXPAND_RECOVER, true}};
  for (const auto& c : cases) {
    TempDir dir;
    writeFile(dir.file("R1.DAT"), assembleDump(plan));
    char path[VARNIX_PATH_BUFFER] = {};
    std::strncpy(path, dir.file("R1.DAT").c_str(), sizeof path - 1);
    char folder[VARNIX_PATH_BUFFER] = {};
    std::strncpy(folder, dir.folderArgument().c_str(), sizeof folder - 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(c.options < 0 ? ExpandDataFile(path, folder) : ExpandDataFileEx(path, folder, c.options), 5);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(!readFile(dir.file("N123AB/F00003.CSV")).empty(), c.third) << c.options;
  }
}

}  // namespace
