// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a flight's report from the desktop program: where to, then
// render/report_pdf.h writes it.
#pragma once

#include <QString>

#include "render/report_pdf.h"

class QWidget;

namespace varnix::app::report {

using render::ReportOutcome;
using render::writeFlightReport;

// Asks where to save the report of `csvPath` and writes it, with the
// flight compared to it on the chart page when there is one.
void saveFlightReport(QWidget* parent, const QString& csvPath, const std::optional<render::ComparedFile>& compare = {});
// Asks for a printer (QPrintDialog) and prints the report of `csvPath`.
void printFlightReport(QWidget* parent, const QString& csvPath, const std::optional<render::ComparedFile>& compare = {});

}  // namespace varnix::app::report
