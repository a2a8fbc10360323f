// SPDX-License-Identifier: GPL-3.0-or-later
// The flight report: a PDF a mechanic reads without Varnix. The flight's
// facts and headline figures, the findings under the aircraft's limits, the
// summary per cylinder and per channel (frontend/report, the same content
// the flight window shows) and the chart scene. Written by the flight
// window, the logbook and varnix-cli report.
#pragma once

#include <QString>

#include "platform/output_file.h"

namespace varnix::render {

struct ReportOutcome {
  enum class Code {
    Written,
    CannotOpen,
    NotAFlight,
    CannotWrite,   // nothing at the PDF's name changed
    NameTaken,     // NeverReplace, and the name is taken
    SameAsFlight,  // the PDF's name names the flight file itself
  };
  Code code = Code::Written;
  QString problem;  // what went wrong, for the user; empty when written
};

// Writes the report of the flight file `csvPath` to `pdfPath`, checked
// against the limits in the file's folder. The PDF is written whole or not at
// all; `mode` says whether a file at `pdfPath` may be replaced.
ReportOutcome writeFlightReport(const QString& csvPath, const QString& pdfPath,
                                platform::ReplacingFile::Mode mode = platform::ReplacingFile::Mode::Replace);

}  // namespace varnix::render
