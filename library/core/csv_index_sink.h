// SPDX-License-Identifier: MIT
// The expansion's files: one CSV per flight in the user's subfolder of the
// data folder, and one line per flight in the dump's index (.TXT).
#pragma once

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "core/csv_writer.h"
#include "core/flight_sink.h"

namespace varnix {

class CsvIndexSink : public FlightSink {
 public:
  // `index` is the open index file; whoever opened it closes it. `datPath`
  // names the dump in the lines that ask for old flight files to be removed.
  CsvIndexSink(std::FILE* index, std::string datPath, std::string_view folderArgument);
  ~CsvIndexSink() override;
  CsvIndexSink(const CsvIndexSink&) = delete;
  CsvIndexSink& operator=(const CsvIndexSink&) = delete;

  bool beginFlight(const FlightStart& start) override;
  void rows(const FlightRows& rows) override;
  void endFlight(const FlightEnd& end) override;
  int failure() const override { return failure_; }

  // Closes a flight file left open by a stopped expansion.
  void close();

  // Writes one line (CR LF added) to the index, as the last: what stopped
  // the expansion. Index lines are never cut.
  void stopLine(const std::string& text);

  // Called with every line written to the index, CR LF included.
  std::function<void(std::string_view)> onIndexLine;

  // What failure() is about: "<file>: <reason>" ("the disk is full").
  const std::string& failureText() const { return failureText_; }

 private:
  std::FILE* index_;
  std::string datPath_;
  std::string_view folderArgument_;
  FlightCsv csv_;
  FlightHeader flight_{};
  std::int32_t fuelUnit_ = 0;
  bool recovered_ = false;
  int failure_ = 0;
  std::string failureText_;
  std::set<std::string> cleaned_;  // user folders rid of an interrupted run's temporaries

  bool writeIndex(const std::string& line);
  // The flight's CSV could not be completed: it is never named, so that no
  // half file looks like a flight, and the index says where the expansion stopped.
  void abandonFlight();
};

}  // namespace varnix
