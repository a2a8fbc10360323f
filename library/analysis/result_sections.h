// SPDX-License-Identifier: MIT
// What an analysis found, as the presenters show it: sections of typed
// cells. Each analysis describes its result here once (beside its `run`);
// the terminal, the paper report and the Summary tab walk the sections and
// differ only in how they draw a kind of cell: a time as a clock or as
// seconds, a unit in a column's title or beside each figure, a tone as a
// colour or not at all.
#pragma once

#include <cmath>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/flight_phases.h"

namespace varnix::analysis {

// How a cell reads: good (a verdict that passed), normal, caution, warning.
enum class Tone { Normal, Good, Caution, Warning };

struct ResultCell {
  enum class Kind {
    Text,      // `text`
    Value,     // `value` with `decimals` decimals and its `unit` ("" when none); not a number when unknown
    Time,      // `value` seconds into the flight
    Duration,  // `value` seconds long
    Phase,     // `phase`, by its name
  };
  Kind kind = Kind::Text;
  std::string text;
  double value = NAN;
  int decimals = 0;
  std::string unit;
  Phase phase = Phase::Ground;
  Tone tone = Tone::Normal;
  bool strong = false;  // stands out in its line

  static ResultCell Text(std::string text, bool strong = false) {
    ResultCell c;
    c.text = std::move(text);
    c.strong = strong;
    return c;
  }
  static ResultCell Value(double value, int decimals, std::string unit = {}, bool strong = false) {
    ResultCell c;
    c.kind = Kind::Value;
    c.value = value;
    c.decimals = decimals;
    c.unit = std::move(unit);
    c.strong = strong;
    return c;
  }
  static ResultCell Time(double seconds) {
    ResultCell c;
    c.kind = Kind::Time;
    c.value = seconds;
    return c;
  }
  static ResultCell Duration(double seconds) {
    ResultCell c;
    c.kind = Kind::Duration;
    c.value = seconds;
    return c;
  }
  static ResultCell PhaseName(Phase phase) {
    ResultCell c;
    c.kind = Kind::Phase;
    c.phase = phase;
    return c;
  }
  ResultCell toned(Tone t) && {
    tone = t;
    return std::move(*this);
  }
};

// A column: its title and, where every figure in it shares one, their unit
// (a presenter may write it in the title instead of beside each figure).
struct ResultColumn {
  std::string title;
  std::string unit;
};

// A row and the part of the flight it stands for (a click goes there): its
// span and the moment within it.
struct ResultRow {
  std::vector<ResultCell> cells;
  double start = 0, end = 0, at = 0;
};

// A line of text: its runs, drawn one after the other.
using ResultLine = std::vector<ResultCell>;

// A chart a presenter may draw beside a section's lines, over the result
// the section describes.
enum class ResultChart {
  None,
  LeanSweep,  // each cylinder's EGT against the fuel flow over a leaning sweep
};

struct ResultSection {
  std::string title;
  std::vector<ResultLine> lines;
  std::vector<ResultColumn> columns;  // empty when the section has no table
  std::vector<ResultRow> rows;
  // What the table's place shows when it has no rows ("" for nothing).
  std::string empty;
  bool tableAlways = false;  // on paper too the table stands without rows
  // What a click on a row shows on screen: its whole span, or its moment.
  bool rowShowsSpan = false;
  ResultChart chart = ResultChart::None;
};

// The title of the lines beside the phases: power and mixture, the valve
// screen and the sensors each add theirs to one section of it.
inline constexpr const char* kEngineLinesTitle = "Power, mixture, valves and sensors";

using ResultSections = std::vector<ResultSection>;

// Words of a name as the presenters write them: "fuel_flow_lop" as "fuel flow lop", the first capital when asked.
std::string NameWords(std::string_view name, bool capital = false);

}  // namespace varnix::analysis
