// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz harness: the flight CSV reader. The input is read as a flight's text
// and, written to a file, read again in blocks through the bounded file
// reader. Whatever the bytes, both reads agree (the value hash of the file
// pass too), a refusal names its line, and a flight that is read holds one
// value per row in every column, with seconds that never go back; its
// summary, digest, panels and chart points are made without a fault.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/findings.h"
#include "flight/flight_reader.h"
#include "analysis/flight_summary.h"
#include "frontend/chart/panel_plan.h"
#include "frontend/chart/plot_points.h"
#include "fuzz_sandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnix;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const flight::FlightRead read = flight::ReadFlightText(text);

  fuzz::Sandbox& sandbox = fuzz::Sandbox::instance();
  sandbox.reset();
  std::uint64_t fileHash = 0;
  const flight::FlightRead fromFile = flight::ReadFlightFile(sandbox.put("F00001.CSV", data, size), {}, &fileHash);
  if (read.problem != fromFile.problem || read.ok() != fromFile.ok())
    fuzz::fail("the file read differs from the text read: '" + read.problem + "' / '" + fromFile.problem + "'");

  if (!read.ok()) {
    if (read.problem.empty()) fuzz::fail("a refusal without a reason");
    if (read.line > 0 && read.problem.rfind("line " + std::to_string(read.line) + ": ", 0) != 0)
      fuzz::fail("the reason does not name its line: " + read.problem);
    return 0;
  }
  const flight::Flight& f = read.value;
  if (f.columns.size() != f.channels.size()) fuzz::fail("a column count unlike the channel count");
  for (std::size_t c = 0; c < f.columns.size(); ++c)
    if (f.columns[c].size() != f.rows()) fuzz::fail("a column with more or fewer values than rows");
  for (std::size_t r = 1; r < f.rows(); ++r)
    if (!(f.seconds[r] >= f.seconds[r - 1])) fuzz::fail("seconds that go back");
  if (fromFile.value.seconds != f.seconds) fuzz::fail("the file read has other rows or seconds");
  if (fromFile.value.notes != f.notes) fuzz::fail("the file read has other notes");
  if (fileHash != flight::HashValueLines(text)) fuzz::fail("the file pass hashes other value lines");
  // Each kind of note is said for its first rows, then counted: a few, however many rows.
  if (f.notes.size() > 16) fuzz::fail("more notes than a few");

  const analysis::FlightSummary summary = analysis::SummarizeFlight(f);
  (void)summary;
  const analysis::FlightDigest digest = analysis::DigestFlight(f);
  for (const analysis::Envelope& e : digest.envelopes)
    if (e.min.size() > f.rows() + 1440) fuzz::fail("a digest larger than the rows");
  std::vector<frontend::PlotPoint> points;
  for (const frontend::PanelPlan& plan : frontend::PlanPanels(f))
    for (const int c : plan.left) {
      frontend::PlotPoints(f.seconds, f.column(static_cast<std::size_t>(c)), 0, f.rows(), 7, points);
      if (points.size() > std::max<std::size_t>(f.rows(), 21)) fuzz::fail("more chart points than rows");
    }
  return 0;
}
