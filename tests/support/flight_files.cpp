// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/flight_files.h"

#include <algorithm>
#include <filesystem>

#include "core/expand.h"
#include "platform/platform.h"

namespace varnix::test {

std::vector<std::string> expandedFlights(const TempDir& dir, const std::string& dump) {
  const std::string data = dir.file("data");
  platform::makeFolder(data);
  const std::string dat = dir.file("R240603.DAT");
  writeFile(dat, dump);
  HeaderState header;
  ExpandDataFile(dat, data + platform::kPathSeparator, header);
  std::vector<std::string> files;
  for (const auto& user : std::filesystem::directory_iterator(data))
    for (const auto& f : std::filesystem::directory_iterator(user.path()))
      if (f.path().extension() == ".CSV") files.push_back(f.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

sim::encode::ProfileOptions shortFlight(sim::encode::ProfileLayout layout, double minutes) {
  sim::encode::ProfileOptions o;
  o.layout = layout;
  o.allChannels = layout == sim::encode::ProfileLayout::Extended;
  o.minutes = minutes;
  o.seed = 7;
  return o;
}

// Appended piece by piece: GCC 12 at -O3 warns of a false overlap (-Wrestrict)
// in chains of std::string additions.
std::string handFlight(const std::string& titles, const std::vector<std::string>& rows, int interval,
                       const std::string& fuel) {
  std::string t = "\"Varnix     12/07/26\"\r\n\"Model 830 Firmware 288\"\r\n\"Aircraft Number N7\"\r\n"
                  "\"Flight #7 6/3/24 23:59:48\"\r\n\"Eng Deg F     OAT Deg C     ";
  t.append(fuel).append("\"\r\n\"Duration  0.01Hours   Interval ").append(std::to_string(interval));
  t.append(" seconds    \"\r\n\"TIME\",").append(titles).append("\r\n");
  int clock = 23 * 3600 + 59 * 60 + 48;
  for (const std::string& r : rows) {
    const int c = clock % 86400;
    t.append("\"").append(std::to_string(c / 3600)).append(":").append(std::to_string(c / 60 % 60));
    t.append(":").append(std::to_string(c % 60)).append("\"").append(r).append("\r\n");
    clock += interval;
  }
  return t;
}

}  // namespace varnix::test
