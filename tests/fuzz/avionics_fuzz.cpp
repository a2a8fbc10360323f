// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz harness: the avionics engine data log reader. The input is read as a
// log's text and, written to a file, read again through the bounded file
// reader and through the one door for flight files. Whatever the bytes, the
// reads agree (the value hash of the file pass too), a refusal names its
// line, and a log that is read holds one value per row in every column,
// typed channels, seconds that never go back and finite facts; its summary,
// digest, phases, panels and chart points are made without a fault.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/findings.h"
#include "analysis/flight_phases.h"
#include "analysis/flight_summary.h"
#include "flight/avionics_reader.h"
#include "flight/open_flight.h"
#include "frontend/chart/panel_plan.h"
#include "frontend/chart/plot_points.h"
#include "fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnix;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const flight::FlightRead read = flight::ReadAvionicsText(text);

  fuzz::Sandbox& sandbox = fuzz::Sandbox::instance();
  sandbox.reset();
  const std::string path = sandbox.put("log.csv", data, size);
  std::uint64_t fileHash = 0;
  const flight::FlightRead fromFile = flight::ReadAvionicsFile(path, {}, &fileHash);
  if (read.problem != fromFile.problem || read.ok() != fromFile.ok())
    fuzz::fail("the file read differs from the text read: '" + read.problem + "' / '" + fromFile.problem + "'");
  if (flight::LooksLikeAvionicsLog(text.substr(0, 64))) {
    const flight::FlightRead door = flight::OpenFlight(path);
    if (door.problem != read.problem || door.ok() != read.ok())
      fuzz::fail("the door reads an avionics log otherwise: '" + door.problem + "'");
  }

  if (!read.ok()) {
    if (read.problem.empty()) fuzz::fail("a refusal without a reason");
    if (read.line > 0 && read.problem.rfind("line " + std::to_string(read.line) + ": ", 0) != 0)
      fuzz::fail("the reason does not name its line: " + read.problem);
    if (fileHash != 0) fuzz::fail("a refused file with a value hash");
    return 0;
  }
  const flight::Flight& f = read.value;
  if (f.facts.reader != "avionics") fuzz::fail("the facts do not name the reader");
  if (f.columns.size() != f.channels.size()) fuzz::fail("a column count unlike the channel count");
  if (f.seconds.size() != f.rows()) fuzz::fail("seconds unlike the rows");
  for (std::size_t c = 0; c < f.columns.size(); ++c) {
    if (f.columns[c].size() != f.rows()) fuzz::fail("a column with more or fewer values than rows");
    for (float v : f.columns[c])
      if (std::isinf(v)) fuzz::fail("an infinite value in " + f.channels[c].name);
  }
  for (std::size_t r = 1; r < f.rows(); ++r)
    if (!(f.seconds[r] >= f.seconds[r - 1])) fuzz::fail("seconds that go back");
  if (!std::isfinite(f.facts.durationHours) || f.facts.durationHours < 0) fuzz::fail("a duration that is no number");
  if (f.facts.interval < 1) fuzz::fail("an interval under a second");
  if (fromFile.value.seconds != f.seconds) fuzz::fail("the file read has other rows or seconds");
  if (fromFile.value.notes != f.notes) fuzz::fail("the file read has other notes");
  if (fileHash != flight::HashAvionicsValueLines(text)) fuzz::fail("the file pass hashes other value lines");
  if (f.notes.size() > f.channels.size() + 30) fuzz::fail("more notes than a few a channel");

  const analysis::FlightSummary summary = analysis::SummarizeFlight(f);
  (void)summary;
  const analysis::FlightDigest digest = analysis::DigestFlight(f);
  for (const analysis::Envelope& e : digest.envelopes)
    if (e.min.size() > f.rows() + 1440) fuzz::fail("a digest larger than the rows");
  const analysis::FlightPhases phases = analysis::FindPhases(f);
  for (const analysis::PhaseSpan& s : phases.spans)
    if (!(s.end >= s.start)) fuzz::fail("a phase that ends before it starts");
  std::vector<frontend::PlotPoint> points;
  for (const frontend::PanelPlan& plan : frontend::PlanPanels(f))
    for (const int c : plan.left) {
      frontend::PlotPoints(f.seconds, f.column(static_cast<std::size_t>(c)), 0, f.rows(), 7, points);
      if (points.size() > std::max<std::size_t>(f.rows(), 21)) fuzz::fail("more chart points than rows");
    }
  return 0;
}
