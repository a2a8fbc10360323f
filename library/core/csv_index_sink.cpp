// SPDX-License-Identifier: MIT
#include "core/csv_index_sink.h"

#include <utility>

#include "core/expand.h"

namespace varnix {

CsvIndexSink::CsvIndexSink(std::FILE* index, std::string datPath, std::string_view folderArgument)
    : index_(index), datPath_(std::move(datPath)), folderArgument_(folderArgument) {}

CsvIndexSink::~CsvIndexSink() { close(); }

void CsvIndexSink::close() {
  CloseFlightCsv(csv_);
  if (index_) std::fclose(index_);
  index_ = nullptr;
}

bool CsvIndexSink::beginFlight(const FlightStart& start) {
  const CsvOpenResult opened = OpenFlightCsv(csv_, folderArgument_, start.flight.flightNumber, start.userId);
  if (opened != CsvOpenResult::Ok) {
    diagnostic(CsvOpenDiagnostic(opened, start.flight.flightNumber, datPath_));
    return false;
  }
  flight_ = start.flight;
  fuelUnit_ = start.fuelUnit;
  const CsvHeaderFacts facts{start.identification, start.userId,         &start.flight,
                             start.engineUnit,     start.outsideAirUnit, start.fuelUnit};
  WriteCsvHeader(csv_, facts, start.channels, start.fuelFlowPresent);
  return true;
}

void CsvIndexSink::rows(const FlightRows& rows) {
  WriteCsvRows(csv_, rows.values, fuelUnit_, rows.clock, rows.interval, rows.count);
}

void CsvIndexSink::endFlight(const FlightEnd& end) {
  FinishFlightCsv(csv_, csv_.durationPosition, end.interval, end.hours);
  WriteFlightTxtLine(index_, flight_, csv_.shortName, end.hours, end.interval);
}

}  // namespace varnix
