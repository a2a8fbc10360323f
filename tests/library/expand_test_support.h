// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers of the expansion tests: expand a described dump in a fresh folder
// and read back what it wrote.
#pragma once

#include <string>
#include <vector>

#include "core/expand.h"
#include "platform/platform.h"
#include "support/dump_builder.h"

namespace varnix::test {

inline std::vector<std::string> crlfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(text.substr(pos) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

// A dump file and a data folder (the "data" subfolder) in a temporary folder.
struct ExpandFixture {
  TempDir dir;
  std::string dat = dir.file("R030714.DAT");
  std::string data = dir.file("data");
  HeaderState header{};
  ExpandOptions options;
  ExpandFixture() { platform::makeFolder(data); }
  int expand(const std::string& dump) {
    writeFile(dat, dump);
    return ExpandDataFile(dat, data + platform::kPathSeparator, header, options);
  }
  std::vector<std::string> index() const { return crlfLines(readFile(dir.file("R030714.TXT"))); }
  std::string csv(const std::string& name, const std::string& user = "N123AB") const {
    return readFile(data + "/" + user + "/" + name);
  }
};

// A flight with the given presence flags, start 7/14/3 10:30:0, interval 6.
inline FlightPlan flight(std::uint16_t number, std::uint32_t presence, std::vector<RecordBuilder> records = {}) {
  FlightPlan f;
  f.header.flightNumber = number;
  f.header.presence = presence;
  f.header.option = 0x20;
  f.header.interval = 6;
  f.header.day = 14;
  f.header.month = 7;
  f.header.year = 3;
  f.header.hours = 10;
  f.header.minutes = 30;
  f.records = std::move(records);
  return f;
}

}  // namespace varnix::test
