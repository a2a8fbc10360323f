// SPDX-License-Identifier: MIT
// The expansion's files: one CSV per flight in the user's subfolder of the
// data folder, and one line per flight in the dump's index (.TXT).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "core/csv_writer.h"
#include "core/flight_sink.h"

namespace varnix {

class CsvIndexSink : public FlightSink {
 public:
  // `index` is the open index file, closed by the sink; `datPath` names the
  // dump in the lines that ask for old flight files to be removed.
  CsvIndexSink(std::FILE* index, std::string datPath, std::string_view folderArgument);
  ~CsvIndexSink() override;
  CsvIndexSink(const CsvIndexSink&) = delete;
  CsvIndexSink& operator=(const CsvIndexSink&) = delete;

  bool beginFlight(const FlightStart& start) override;
  void rows(const FlightRows& rows) override;
  void endFlight(const FlightEnd& end) override;

  // Closes the index (and a flight file left open by a stopped expansion).
  void close();

 private:
  std::FILE* index_;
  std::string datPath_;
  std::string_view folderArgument_;
  FlightCsv csv_;
  FlightHeader flight_{};
  std::int32_t fuelUnit_ = 0;
};

}  // namespace varnix
