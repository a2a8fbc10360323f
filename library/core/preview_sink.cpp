// SPDX-License-Identifier: MIT
#include "core/preview_sink.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/csv_writer.h"
#include "core/naming.h"
#include "platform/platform.h"

namespace varnix {

namespace {

// A title line without its duplicate suffix: "Flight #7A 7/14/3 ..." and
// "Flight #7 7/14/3 ..." name the same flight.
std::string withoutSuffix(std::string line) {
  std::size_t at = line.find('#');
  if (at == std::string::npos) return {};
  while (++at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]))) {
  }
  std::size_t letters = at;
  while (letters < line.size() && std::isupper(static_cast<unsigned char>(line[letters]))) ++letters;
  return line.erase(at, letters - at);
}

// Line 4 of a flight file, its suffix left out; empty when unreadable.
std::string titleOf(const std::string& csv) {
  std::FILE* f = platform::openFile(csv, "rb");
  if (!f) return {};
  char text[512];
  const std::size_t n = std::fread(text, 1, sizeof text, f);
  std::fclose(f);
  std::string_view rest(text, n);
  for (int line = 0; line < 3; ++line) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) return {};
    rest.remove_prefix(end + 1);
  }
  return withoutSuffix(std::string(rest.substr(0, rest.find_first_of("\r\n"))));
}

}  // namespace

bool FlightFileIn(const std::string& userFolder, const FlightHeader& flight) {
  const std::string wanted = withoutSuffix(FlightTitleLine(flight, {}));
  const std::string base = userFolder + platform::kPathSeparator + FlightFileBase(flight.flightNumber);
  for (int i = 0; i < kNameSuffixCount; ++i) {
    if (titleOf(base + std::string(NameSuffix(i)) + ".CSV") == wanted) return true;
  }
  return false;
}

PreviewSink::PreviewSink(std::string_view folderArgument, ExpandPreview& preview)
    : folderArgument_(folderArgument), preview_(preview) {}

bool PreviewSink::beginFlight(const FlightStart& start) {
  // The expansion into an empty folder runs out of names for a flight
  // number at its 54th file in one dump, and stops there.
  if (std::count(begun_.begin(), begun_.end(), start.flight.flightNumber) >= kNameSuffixCount) return false;
  begun_.push_back(start.flight.flightNumber);
  if (userFolder_.empty()) {
    userFolder_ = SubfolderOf(FolderForUserId(start.folder.empty() ? start.userId : start.folder), folderArgument_);
    // A first expansion has no folder yet, and nothing to look for in it.
    userFolderExists_ = platform::folderExists(userFolder_);
  }
  flight_ = start.flight;
  recovered_ = start.recovered;
  return true;
}

void PreviewSink::endFlight(const FlightEnd&) {
  if (recovered_) ++preview_.recoverable;
  if (userFolderExists_ && FlightFileIn(userFolder_, flight_)) preview_.alreadyThere.push_back(flight_.flightNumber);
}

}  // namespace varnix
