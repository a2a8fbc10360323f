// SPDX-License-Identifier: GPL-3.0-or-later
// The look before an expansion: what it answers, the same through the core
// (varnix-cli) and through the shared library's export (the desktop
// program), and that it leaves every folder as it was, the system's
// temporary folder included.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "frontend/core_library.h"
#include "frontend/expansion_preview.h"
#include "support/dump_builder.h"
#include "support/flight_files.h"
#include "varnix/varnix.h"

namespace varnix::frontend {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Every file and folder below `root`, with each file's bytes.
std::map<std::string, std::string> snapshot(const std::string& root) {
  std::map<std::string, std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    found[entry.path().string()] = entry.is_directory() ? "<folder>" : test::readFile(entry.path().string());
  return found;
}

std::string fourFlights(int damagedFlight = -1) {
  sim::encode::DumpPlan plan = sim::encode::ProfileDump(test::shortFlight(sim::encode::ProfileLayout::Single, 3), 4);
  if (damagedFlight >= 0) plan.flights[static_cast<std::size_t>(damagedFlight)].records[1].badChecksum();
  return sim::encode::assembleDump(plan);
}

// Expands `dump` for real into the user folder, as an earlier run did.
void expandBefore(const std::string& dump, const std::string& data) {
  TempDir earlier;
  const std::string dat = earlier.file("R1.DAT");
  test::writeFile(dat, dump);
  HeaderState header{};
  ExpandOptions options;
  options.recover = true;
  ExpandDataFile(dat, data + "/", header, options);
}

struct Case {
  const char* name;
  std::string dump;
  // What lies in the data folder before the look.
  std::function<void(const std::string& data)> before;
  int code;
  std::size_t recoverable;
  std::vector<std::string> alreadyThere;
};

TEST(ExpansionPreview, AnswersWithoutWritingAnything) {
  const auto nothing = [](const std::string&) {};
  const std::vector<Case> cases = {
      {"clean", fourFlights(), nothing, kExpandOk, 0, {}},
      {"damaged record, two flights after it", fourFlights(1), nothing, kExpandBadRecord, 2, {}},
      {"damaged first flight", fourFlights(0), nothing, kExpandBadRecord, 3, {}},
      {"expanded before", fourFlights(), [](const std::string& data) { expandBefore(fourFlights(), data); },
       kExpandOk, 0, {"Flt#1", "Flt#2", "Flt#3", "Flt#4"}},
      {"damaged, expanded before with recovery",
       fourFlights(1), [](const std::string& data) { expandBefore(fourFlights(1), data); }, kExpandBadRecord, 2,
       {"Flt#1", "Flt#2", "Flt#3", "Flt#4"}},
      // Flight 1 under another suffix is still there; flight 2's file holds
      // another start, flight 3's is unreadable, flight 4's is missing.
      {"some expanded before, under other names",
       fourFlights(),
       [](const std::string& data) {
         expandBefore(fourFlights(), data);
         const std::string user = data + "/N123AB/";
         fs::rename(user + "F00001.CSV", user + "F00001AC.CSV");
         std::string other = test::readFile(user + "F00002.CSV");
         other.replace(other.find("Flight #2 "), 10, "Flight #2A 1/1/3 0:0:0 ");
         test::writeFile(user + "F00002.CSV", other);
         test::writeFile(user + "F00003.CSV", "");
         fs::remove(user + "F00004.CSV");
       },
       kExpandOk, 0, {"Flt#1"}},
      {"another aircraft's flights", fourFlights(),
       [](const std::string& data) {
         expandBefore(fourFlights(), data);
         fs::rename(data + "/N123AB", data + "/N999ZZ");
       },
       kExpandOk, 0, {}},
      {"no flights", test::DumpBuilder().line("U,N123AB").line("L,0").closing().str(), nothing, kExpandOk, 0, {}},
      {"empty file", "", nothing, kExpandBadHeader, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string data = dir.file("data");
    const std::string tmp = dir.file("tmp");
    fs::create_directories(data);
    // The system's temporary folder, as the process sees it, is a file: a
    // look that needed room to write in would find none.
    test::writeFile(tmp, "not a folder");
    c.before(data);
    const std::string dat = dir.file("R2.DAT");
    test::writeFile(dat, c.dump);
#ifndef _WIN32
    const char* oldTmp = std::getenv("TMPDIR");
    const bool hadTmp = oldTmp != nullptr;
    const std::string keptTmp = hadTmp ? oldTmp : "";
    setenv("TMPDIR", tmp.c_str(), 1);
#endif
    const auto beforeLook = snapshot(dir.path());

    CoreLibrary core;
    const ExpansionPreview preview = previewExpansion(core, dat, data);
    EXPECT_EQ(preview.recoverable, c.recoverable);
    EXPECT_EQ(preview.alreadyThere, c.alreadyThere);
    ExpandPreview found;
    EXPECT_EQ(core.previewExpandDataFile(dat, data, true, found).value, c.code);

    // The export answers the same, and so does the preview bit alone.
    std::string path = dat, folder = data + "/";
    path.resize(VARNIX_PATH_BUFFER);
    VarnixExpandPreview exported;
    EXPECT_EQ(ExpandDataFilePreview(path.data(), folder.data(), VARNIX_EXPAND_RECOVER, &exported), c.code);
    EXPECT_EQ(static_cast<std::size_t>(exported.recoverable), c.recoverable);
    std::vector<std::string> numbers;
    for (int i = 0; i < exported.alreadyThereCount; ++i)
      numbers.push_back("Flt#" + std::to_string(exported.alreadyThere[i]));
    EXPECT_EQ(numbers, c.alreadyThere);
    EXPECT_EQ(ExpandDataFileEx(path.data(), folder.data(), VARNIX_EXPAND_RECOVER | VARNIX_EXPAND_PREVIEW), c.code);
    EXPECT_EQ(ExpandDataFilePreview(path.data(), folder.data(), 0, nullptr), c.code);

    EXPECT_EQ(snapshot(dir.path()), beforeLook);
#ifndef _WIN32
    if (hadTmp) setenv("TMPDIR", keptTmp.c_str(), 1);
    else unsetenv("TMPDIR");
#endif

    // The expansion itself then gives the code the look gave.
    EXPECT_EQ(core.expandDataFile(dat, data, true).value, c.code);
  }
}

// Without recovery the look stops at the damage, as the expansion does.
TEST(ExpansionPreview, WithoutRecoveryCountsNoLaterFlights) {
  TempDir dir;
  const std::string dat = dir.file("R2.DAT");
  test::writeFile(dat, fourFlights(1));
  fs::create_directories(dir.file("data"));
  CoreLibrary core;
  ExpandPreview found;
  EXPECT_EQ(core.previewExpandDataFile(dat, dir.file("data"), false, found).value, kExpandBadRecord);
  EXPECT_EQ(found.recoverable, 0u);
  ExpandPreview recovering;
  ASSERT_TRUE(core.previewExpandDataFile(dat, dir.file("data"), true, recovering).ok());
  EXPECT_EQ(recovering.recoverable, 2u);
}

}  // namespace
}  // namespace varnix::frontend
