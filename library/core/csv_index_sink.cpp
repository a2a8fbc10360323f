// SPDX-License-Identifier: MIT
#include "core/csv_index_sink.h"

#include <cerrno>
#include <utility>

#include "core/expand.h"
#include "core/naming.h"
#include "platform/output_file.h"
#include "platform/platform.h"

namespace varnix {

CsvIndexSink::CsvIndexSink(std::FILE* index, std::string datPath, std::string_view folderArgument)
    : index_(index), datPath_(std::move(datPath)), folderArgument_(folderArgument) {}

CsvIndexSink::~CsvIndexSink() { close(); }

void CsvIndexSink::close() {
  // A flight file still open here was cut short by a damaged record or a
  // refusal; it is closed as it stands, as the expansion has always left it.
  CloseFlightCsv(csv_);
}

bool CsvIndexSink::writeIndex(const std::string& line) {
  if (!index_) return true;
  if (!platform::writeAll(index_, line.data(), line.size()) || std::fflush(index_) != 0) {
    if (failure_ == 0) {
      failure_ = kExpandCannotOpenIndex;
      failureText_ = platform::failureText(datPath_.empty() ? "index" : *IndexFilePath(datPath_), errno);
      diagnostic("Could not write " + failureText_ + "\n");
    }
    return false;
  }
  if (onIndexLine) onIndexLine(line);
  return true;
}

void CsvIndexSink::stopLine(const std::string& text) { writeIndex(text + "\r\n"); }

void CsvIndexSink::abandonFlight() {
  const int error = csv_.error != 0 ? csv_.error : EIO;
  DiscardFlightCsv(csv_);
  failure_ = kExpandCannotWriteCsv;
  failureText_ = platform::failureText(csv_.path, error);
  diagnostic("Could not write " + failureText_ + "\n");
  stopLine("Stopped at Flt#" + std::to_string(flight_.flightNumber) + ": " + csv_.shortName +
           " could not be written (" + platform::failureReason(error) + ")");
}

bool CsvIndexSink::beginFlight(const FlightStart& start) {
  if (failure_ != 0) return false;
  const std::string_view folder = start.folder.empty() ? start.userId : start.folder;
  // What an interrupted run left in the folder goes before the first flight
  // is written there: its temporaries, by the exact names the expansion
  // gives them (a half-written flight's file is replaced by the flight).
  if (const std::string subfolder = FolderForUserId(folder); cleaned_.insert(subfolder).second)
    platform::removeLeftoverTemporaries(SubfolderOf(subfolder, folderArgument_), IsExpandedFlightName);
  const CsvOpenResult opened = OpenFlightCsv(csv_, folderArgument_, start.flight.flightNumber, folder, &start.flight);
  if (opened != CsvOpenResult::Ok) {
    diagnostic(CsvOpenDiagnostic(opened, start.flight.flightNumber, datPath_));
    return false;
  }
  flight_ = start.flight;
  fuelUnit_ = start.fuelUnit;
  recovered_ = start.recovered;
  const CsvHeaderFacts facts{start.identification, start.userId,         &start.flight,
                             start.engineUnit,     start.outsideAirUnit, start.fuelUnit};
  WriteCsvHeader(csv_, facts, start.channels, start.fuelFlowPresent);
  if (csv_.error != 0) abandonFlight();
  return failure_ == 0;
}

void CsvIndexSink::rows(const FlightRows& rows) {
  if (failure_ != 0) return;
  WriteCsvRows(csv_, rows.values, fuelUnit_, rows.clock, rows.interval, rows.count);
  if (csv_.error != 0) abandonFlight();
}

void CsvIndexSink::endFlight(const FlightEnd& end) {
  if (failure_ != 0) return;
  if (!FinishFlightCsv(csv_, csv_.durationPosition, end.interval, end.hours)) {
    abandonFlight();
    return;
  }
  std::string line = FlightTxtLine(flight_, csv_.shortName, end.hours, end.interval);
  if (recovered_) line.insert(line.size() - 2, " recovered");
  writeIndex(line);
}

}  // namespace varnix
