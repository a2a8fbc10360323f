// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz harness: the catalog opening a damaged database. The input takes the
// place of the catalog's database in a data folder that holds one flight.
// Whatever the bytes, the catalog opens, brings itself up to date and then
// holds that flight as the reader reads it (a damaged database is made anew
// from the files), and nothing is written outside the data folder.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "store/catalog.h"
#include "flight/flight_reader.h"
#include "fuzz_sandbox.h"

namespace {

// A small flight file as the expansion writes it.
const char kFlight[] =
    "\"Copyright (C) Varnix\"\r\n\"Model 830 Firmware 288\"\r\n\"Aircraft Number N7\"\r\n"
    "\"Flight #7 6/3/24 9:12:0\"\r\n\"Eng Deg F     OAT Deg F     F/F GPH\"\r\n"
    "\"Duration  0.01Hours   Interval 6 seconds    \"\r\n\"TIME\",\"E1\",\"C1\",\"FF\",\r\n"
    "\"9:12:0\",1300,350,12.5\r\n\"9:12:6\",1310,\"NA\",12.6\r\n\"9:12:12\",1320,352,12.4\r\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnix;
  namespace fs = std::filesystem;
  fuzz::Sandbox& sandbox = fuzz::Sandbox::instance();
  sandbox.reset();
  // A database that cannot be kept in the data folder goes to the cache
  // folder: here, inside the scratch folder too.
  static const bool cacheSet = setenv("XDG_CACHE_HOME", (sandbox.work() / "cache").c_str(), 1) == 0;
  (void)cacheSet;
  fs::create_directories(sandbox.work() / "N7");
  sandbox.put("N7/F00007.CSV", reinterpret_cast<const std::uint8_t*>(kFlight), sizeof kFlight - 1);
  sandbox.put(store::kCatalogFileName, data, size);

  auto [catalog, problem] = store::Catalog::open(sandbox.work().string());
  if (!catalog) fuzz::fail("the catalog could not be opened: " + problem);
  const store::CatalogUpdate update = catalog->update();
  if (!update.ok()) fuzz::fail("the catalog could not be brought up to date: " + update.problem);
  const flight::Outcome<std::vector<store::CatalogEntry>> listed = catalog->entries();
  if (!listed.ok()) fuzz::fail("the catalog's entries could not be read: " + listed.problem);
  const std::vector<store::CatalogEntry>& entries = listed.value;
  if (entries.size() != 1) {
    std::string files;
    for (const store::CatalogEntry& e : entries) files += " " + e.file;
    fuzz::fail("the catalog holds " + std::to_string(entries.size()) + " files, not 1:" + files);
  }
  const store::CatalogEntry& e = entries.front();
  if (!e.problem.empty() || e.aircraft != "N7" || e.flightNumber != 7 || e.rows != 3)
    fuzz::fail("the catalog holds the flight wrongly: " + e.file + " " + e.problem);
  const std::string escaped = sandbox.firstEscape();
  if (!escaped.empty()) fuzz::fail("written outside the data folder: " + escaped);
  return 0;
}
