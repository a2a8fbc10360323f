// SPDX-License-Identifier: GPL-3.0-or-later
// Builds dump bytes from a description, so that tests say what a dump holds
// instead of pasting hex (the encoder in sim/encoder), and the files and
// folders the tests work in.
#pragma once

#include <string>
#include <string_view>

#include "encoder/dump_encoder.h"

namespace varnix::test {

// The encoder lives with the simulated instrument; tests name it as their own.
using sim::encode::assembleDump;
using sim::encode::Bytes;
using sim::encode::checkDigits;
using sim::encode::DumpBuilder;
using sim::encode::DumpPlan;
using sim::encode::flightHeader;
using sim::encode::FlightHeaderFields;
using sim::encode::FlightPlan;
using sim::encode::headerLine;
using sim::encode::RecordBuilder;
using sim::encode::withXorCheck;

// Reads a whole file (binary); empty when it cannot be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, std::string_view bytes);

// `path` with the system's separators ('\\' on Windows), as the library joins
// the paths it gives back.
std::string nativePath(std::string path);

// A fresh folder below the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const;
  // The folder argument the library takes: the folder plus one separator.
  std::string folderArgument() const;

 private:
  std::string path_;
};

}  // namespace varnix::test
