// SPDX-License-Identifier: MIT
// What the catalog keeps of one flight CSV file: its header facts, the
// figures of the logbook's table and the limit-free digest its findings are
// evaluated from. Built from a read flight; stored as one blob.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
#include "analysis/flight_analysis.h"
#include "flight/flight.h"
#include "flight/flight_reader.h"
#include "flight/outcome.h"

namespace varnix::store {

struct CatalogEntry {
  // The file, as the catalog found it.
  std::string file;     // path relative to the data folder, '/' between folders
  std::string folder;   // the aircraft folder (the first part of `file`)
  std::int64_t size = 0;
  std::int64_t modified = 0;  // the file system's modification time
  std::int64_t added = 0;     // when the catalog first saw the file (seconds since 1970)
  std::string problem;        // why it is not a readable flight; empty when it is

  // The flight.
  std::string aircraft;       // the aircraft id of its header
  std::string airframe;       // the airframe a log names, "" for none (it picks the engine preset)
  std::string systemId;       // the avionics system that wrote a log, "" for none: its displays share it
  std::string flightLabel;    // number and suffix, e.g. "23A"
  long flightNumber = 0;
  std::string start;          // ISO 8601 local time, "2024-06-03T09:12:00"
  int interval = 0;
  std::uint64_t rows = 0;
  double recordedSeconds = 0;
  flight::Unit engineUnit = flight::Unit::DegreesF;
  std::string fuelUnit;
  std::uint64_t valueHash = 0;  // of the value lines: files with the same rows are one flight
  bool durationWritten = true;  // false while an expansion is still writing the file

  analysis::Figure hottestEgt, hottestCht, hottestTit, difMax, fastestCooling, batteryMin;
  std::vector<analysis::Figure> hottest;  // the summary's hottest per group and engine, keyed as varnix-cli info keys them
  float fuelUsed = 0;          // all engines; NaN without fuel figures
  std::vector<analysis::Figure> maxCht;  // per CHT channel, for the trends

  analysis::FlightDigest digest;
  analysis::LastLean lean;  // the flight's last lean test

  analysis::TrendPoint trendPoint() const;
};

// The entry of a flight read from `text` (the whole file); `problem` set
// when it cannot be read.
CatalogEntry MakeCatalogEntry(std::string_view text);
// The same from a flight read already and the HashValueLines of its file.
CatalogEntry MakeCatalogEntry(flight::FlightRead&& read, std::uint64_t valueHash);

// The entry of the flight file at `path`, read once through the bounded
// reader (OpenFlight), its value hash taken in the same pass: the same
// entry as MakeCatalogEntry of the file's text. Nothing when the file cannot
// be opened or read right now (gone, no permission, an I/O error).
std::optional<CatalogEntry> MakeCatalogEntryFromFile(const std::string& path);

// HashValueLines (flight_reader.h): FNV-1a over the lines after the column titles.

// The "YYYY-MM-DDTHH:MM:SS" of a flight's start (two-digit years are 20yy).
std::string IsoStart(const flight::FlightFacts& facts);

// The blob: a mark, then the fields in one list that the writer and the
// reader share. The catalog keeps the analysis version beside it.
std::string EncodeEntry(const CatalogEntry& entry);
// Everything but the file's own facts (path, size, times); a problem for a
// damaged blob or one of another layout.
flight::Outcome<CatalogEntry> DecodeEntry(std::string_view blob);

}  // namespace varnix::store
