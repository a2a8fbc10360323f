// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/report/flight_report.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

#include "render/refused.h"

namespace varnix::app::report {

void saveFlightReport(QWidget* parent, const QString& csvPath, const std::optional<render::ComparedFile>& compare) {
  const QFileInfo info(csvPath);
  const QString suggested = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-report.pdf");
  const QString pdf = QFileDialog::getSaveFileName(parent, QStringLiteral("Save report"), suggested,
                                                   QStringLiteral("PDF (*.pdf)"));
  if (pdf.isEmpty()) return;
  const ReportOutcome outcome = writeFlightReport(csvPath, pdf, platform::ReplacingFile::Mode::Replace, nullptr, compare);
  if (!outcome.ok()) QMessageBox::warning(parent, QStringLiteral("Varnix"), render::ProblemText(outcome));
}

void printFlightReport(QWidget* parent, const QString& csvPath, const std::optional<render::ComparedFile>& compare) {
  QPrinter printer;
  QPrintDialog dialog(&printer, parent);
  dialog.setWindowTitle(QStringLiteral("Print report"));
  if (dialog.exec() != QDialog::Accepted) return;
  const ReportOutcome outcome = render::printFlightReport(csvPath, printer, compare);
  if (!outcome.ok()) QMessageBox::warning(parent, QStringLiteral("Varnix"), render::ProblemText(outcome));
}

}  // namespace varnix::app::report
