// SPDX-License-Identifier: MIT
// The aircraft's maintenance log: what was done to the aircraft and when,
// kept by the owner in the aircraft's folder as `maintenance.csv`, a header
// line and one entry a line:
//   date,tach,kind,engine,cylinder,quantity,unit,text
//   2026-11-12,1234.5,injector,,3,,,"cleaned, it was partly blocked"
// It is the owner's data, never a cache: it is written whole or not at all
// (a temporary beside it, renamed into place), never through a link, and
// never while it holds a line that cannot be read back, so that no entry a
// person wrote by hand is ever lost by a save. Where a kind needs a word
// (what was done to the plugs, a borescope verdict, a full fill), it is the
// first word of the text; the README gives the layout of every kind.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/limits.h"
#include "flight/outcome.h"

namespace varnix::store {

enum class MaintenanceKind {
  OilChange,
  OilAdded,
  FuelFill,
  Plugs,
  Injector,
  Cylinder,
  Magneto,
  Borescope,
  Compression,
  Probe,
  Inspection,
  Other,
};

// Every kind, in the order the README lists them.
std::span<const MaintenanceKind> MaintenanceKinds();
// "oil_change", "fuel_fill", ...: the name in the file and on the command line.
std::string_view MaintenanceKindName(MaintenanceKind kind);
std::optional<MaintenanceKind> MaintenanceKindOfName(std::string_view name);
// The units an entry of `kind` takes, as the file writes them ("qt", "L");
// none for a kind that takes no quantity, or whose unit is the owner's word
// (`other`: see MaintenanceKindTakesQuantity).
std::vector<std::string_view> MaintenanceUnits(MaintenanceKind kind);
// Whether an entry of `kind` may give a quantity at all.
bool MaintenanceKindTakesQuantity(MaintenanceKind kind);

// A differential compression reading, "74/80": the cylinder's pressure over
// the pressure fed in (psi).
struct CompressionReading {
  int pressure = 0, reference = 0;
  bool operator==(const CompressionReading&) const = default;
};

struct MaintenanceEntry {
  std::string date;                                // "YYYY-MM-DD"
  std::optional<double> tach;                      // tach or Hobbs hours
  MaintenanceKind kind = MaintenanceKind::Other;
  char engine = 0;                                 // 'L' or 'R' on a twin, 0 when not given
  std::optional<int> cylinder;                     // 1 to kMaintenanceCylinders
  std::optional<double> quantity;                  // in `unit`
  std::optional<CompressionReading> compression;   // a compression entry's reading (its quantity)
  std::string unit;                                // "qt", "L", "gal", "psi", or the owner's for `other`
  std::string text;
  int line = 0;                                    // its line in the file; 0 for one not read from a file
  bool operator==(const MaintenanceEntry&) const = default;
};

inline constexpr int kMaintenanceCylinders = 12;

// The fields of an entry as written (the file's cells, the command line's
// options), before they are checked.
struct MaintenanceFields {
  std::string date, tach, kind, engine, cylinder, quantity, unit, text;
};

// What is wrong with one field: its column name ("quantity") and why.
struct MaintenanceFieldProblem {
  std::string field;
  std::string text;
};

// The entry the fields make, or the first field that is wrong. Numbers are
// plain decimals ("8", "8.5"); a unit is taken in any case and kept in the
// file's ("QT" is "qt", "l" is "L"); the text is trimmed and may hold no
// line break or other control character.
struct MaintenanceParse {
  std::optional<MaintenanceEntry> entry;
  MaintenanceFieldProblem problem;  // when there is no entry
};
MaintenanceParse ParseMaintenanceFields(const MaintenanceFields& fields);
// The fields of `entry` as the file writes them (ParseMaintenanceFields gives the entry back).
MaintenanceFields MaintenanceFieldsOf(const MaintenanceEntry& entry);

// The first word of the text (before a blank, comma, colon or semicolon), where the kind
// takes one: the action of plugs, injector, cylinder, magneto ("timed"),
// the verdict of a borescope, the channel of a probe, the inspection
// ("annual"), "full" for a fill to full tanks; empty otherwise.
std::string_view MaintenanceWord(const MaintenanceEntry& entry);
// A magneto entry's side: "left" or "right", the text's second word.
std::string_view MagnetoSide(const MaintenanceEntry& entry);
// Whether a fuel fill brought the tanks to full (its text begins with "full").
bool IsFullFill(const MaintenanceEntry& entry);

inline constexpr std::string_view kMaintenanceHeader = "date,tach,kind,engine,cylinder,quantity,unit,text";

struct MaintenanceFile {
  std::vector<MaintenanceEntry> entries;  // in the file's order, each with its line
  std::string path;                       // the file looked for ("" for a text)
  // A line that cannot be read back (its number and why), or the file that
  // cannot be read at all (line 0). Every readable entry is kept all the same.
  std::vector<analysis::LimitsProblem> problems;
  bool unreadable = false;  // the file is there but cannot be read (line 0's problem)
};

// The entries of a file's text: a UTF-8 byte-order mark and CR LF line ends
// are accepted, blank lines skipped; the first line is the header.
MaintenanceFile ParseMaintenance(std::string_view text);
// The file's text: the header and one line for each entry, fields quoted
// where they hold a comma or a quote.
std::string FormatMaintenance(const std::vector<MaintenanceEntry>& entries);

// The aircraft folder's file (no entries and no problem when there is none).
MaintenanceFile ReadMaintenance(const std::string& aircraftFolder);
// "<path> line N: ..." (or "<path>: ..."), one for each problem of `file`.
std::vector<std::string> MaintenanceProblemLines(const MaintenanceFile& file);

// Why a save stopped.
enum class MaintenanceStop {
  None,
  CannotRead,   // the file there cannot be read
  Damaged,      // the file there holds a line that cannot be read back
  CannotWrite,  // the file cannot be written (a full disk, a link at its name, no right to write)
};
// The stop, and `problem` saying why (a damaged file's lines, one a line).
using MaintenanceSaved = flight::Outcome<MaintenanceStop>;

// Replaces the folder's file with `entries`, unless the file there now
// cannot be read or holds a line that cannot be read back, or its name is a
// link; nothing at the file's name changes when the save fails.
MaintenanceSaved SaveMaintenance(const std::string& aircraftFolder, const std::vector<MaintenanceEntry>& entries);
// Adds `entry` after the file's entries, on the same terms.
MaintenanceSaved AddMaintenance(const std::string& aircraftFolder, const MaintenanceEntry& entry);

}  // namespace varnix::store
