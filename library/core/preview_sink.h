// SPDX-License-Identifier: MIT
// The look before an expansion: a sink that keeps, of the flights the
// expansion would write, which come after a damaged one and which lie in
// their user folder already. It writes nothing, creates no folder and
// prints nothing: the expansion that follows says what it has to say.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/expand.h"
#include "core/flight_sink.h"

namespace varnix {

class PreviewSink : public FlightSink {
 public:
  // `folderArgument` names the data folder as for ExpandDataFile.
  PreviewSink(std::string_view folderArgument, ExpandPreview& preview);

  bool beginFlight(const FlightStart& start) override;
  void rows(const FlightRows&) override {}
  void endFlight(const FlightEnd& end) override;
  void diagnostic(std::string_view) override {}
  // Which flights there are is all it needs: the values are not decoded.
  bool readsValues() const override { return false; }

 private:
  std::string_view folderArgument_;
  ExpandPreview& preview_;
  std::string userFolder_;
  bool userFolderExists_ = false;
  FlightHeader flight_{};
  bool recovered_ = false;
  // The flight numbers begun so far, one per file the expansion would name.
  std::vector<std::uint16_t> begun_;
};

// Whether a CSV file of the flight (its number and start, under any of the
// 53 suffixes) lies in `userFolder`, judged by its title line.
bool FlightFileIn(const std::string& userFolder, const FlightHeader& flight);

}  // namespace varnix
