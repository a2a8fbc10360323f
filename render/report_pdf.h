// SPDX-License-Identifier: GPL-3.0-or-later
// The flight report: a PDF a mechanic reads without Varnix. The flight's
// facts and headline figures, the findings under the aircraft's limits (with
// where to look, and those the owner acknowledged), the engine analysis as
// the Summary tab shows it, the summary per cylinder and per channel
// (frontend/report, the same content the flight window shows) and the chart
// scene with its phases and limit lines. Every page has a header line
// (aircraft, flight, date) and its number. Written by the flight window,
// the logbook and varnix-cli report; printed from the flight window.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "flight/outcome.h"
#include "frontend/compare/flight_compare.h"
#include "platform/output_file.h"
#include "render/report_pages.h"

class QPrinter;

namespace varnix::render {

// How a report ended; the command line's exit code follows it.
enum class ReportCode {
  Written,
  CannotOpen,
  NotAFlight,
  CannotWrite,   // nothing at the PDF's name changed
  NameTaken,     // NeverReplace, and the name is taken
  SameAsFlight,  // the PDF's name names the flight file itself
};
// The code, and what went wrong for the user (empty when written).
using ReportOutcome = flight::Outcome<ReportCode>;

// A second flight drawn dashed on the report's chart page, as the flight
// window compares it; a file that cannot be read fails the report as the
// flight's own would.
struct ComparedFile {
  QString path;
  frontend::AlignBy by = frontend::AlignBy::Takeoff;
};

// Writes the report of the flight file `csvPath` to `pdfPath`, checked
// against the limits and acknowledgements in the file's folder. The PDF is
// written whole or not at all; `mode` says whether a file at `pdfPath` may
// be replaced. `pages`, when given, gets the text drawn on each page.
ReportOutcome writeFlightReport(const QString& csvPath, const QString& pdfPath,
                                platform::ReplacingFile::Mode mode = platform::ReplacingFile::Mode::Replace,
                                ReportPages* pages = nullptr, const std::optional<ComparedFile>& compare = {});
// The same report on `printer` (QPrintDialog set it up).
ReportOutcome printFlightReport(const QString& csvPath, QPrinter& printer, const std::optional<ComparedFile>& compare = {});
// Writes a document as an A4 PDF, whole or not at all: the road of every report.
ReportOutcome writeReportPdf(const QString& pdfPath, platform::ReplacingFile::Mode mode, const QString& title,
                             const QString& header, ReportPages* pages,
                             const std::function<void(ReportPage&)>& document);
// Its pages as A4 images at 96 per inch (the screenshots); none when the flight cannot be read.
std::vector<QImage> flightReportImages(const QString& csvPath, const std::optional<ComparedFile>& compare = {});

}  // namespace varnix::render
