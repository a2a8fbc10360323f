// SPDX-License-Identifier: GPL-3.0-or-later
// The aircraft report from the logbook window: a period to choose (the
// logbook's first to last flight by default), then saved as a PDF or
// printed (render/aircraft_report_pdf.h draws it).
#pragma once

#include <QDate>
#include <QDialog>
#include <QString>

#include "frontend/report/aircraft_report_content.h"
#include "store/logbook.h"

class QDateEdit;

namespace varnix::app::report {

class AircraftReportDialog : public QDialog {
 public:
  // `log` must outlive the dialog; `aircraft` names it when it has no flight.
  AircraftReportDialog(const store::AircraftLog& log, const QString& aircraft, QWidget* parent);
  void setPeriod(const QDate& since, const QDate& until);
  varnix::frontend::report::AircraftReportContent content() const;
  // Asks where to save the PDF and writes it; false when cancelled or not written (it said why).
  bool save();
  // Asks for a printer and prints; false when cancelled or not printed.
  bool print();

 private:
  const store::AircraftLog& log_;
  QString aircraft_;
  QDateEdit* since_ = nullptr;
  QDateEdit* until_ = nullptr;
};

// The report of the logbook's whole period on a printer the user chooses.
void printAircraftReport(QWidget* parent, const store::AircraftLog& log, const QString& aircraft);

}  // namespace varnix::app::report
