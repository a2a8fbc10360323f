// SPDX-License-Identifier: GPL-3.0-or-later
// The aircraft report: an aircraft's flights over a period as a PDF (the
// flights table, the totals, the findings and the trend findings, a panel
// per series of figures), every page with a header line (aircraft,
// period) and its number. Written by the logbook window and varnix-cli
// report --aircraft; printed from the logbook.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "frontend/report/aircraft_report_content.h"
#include "platform/output_file.h"
#include "render/report_pages.h"
#include "render/report_pdf.h"

class QPrinter;

namespace varnix::render {

// Writes the report whole or not at all; CannotWrite or NameTaken when it is not written.
ReportOutcome writeAircraftReport(const frontend::report::AircraftReportContent& content, const QString& pdfPath,
                                  platform::ReplacingFile::Mode mode = platform::ReplacingFile::Mode::Replace,
                                  ReportPages* pages = nullptr);
ReportOutcome printAircraftReport(const frontend::report::AircraftReportContent& content, QPrinter& printer);
// Its pages as A4 images at 96 per inch (the screenshots).
std::vector<QImage> aircraftReportImages(const frontend::report::AircraftReportContent& content);

}  // namespace varnix::render
