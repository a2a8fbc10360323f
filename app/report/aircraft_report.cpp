// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/report/aircraft_report.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include "render/aircraft_report_pdf.h"
#include "render/refused.h"

namespace varnix::app::report {

namespace {

QDate dayOf(const std::string& iso) { return QDate::fromString(QString::fromStdString(iso.substr(0, 10)), Qt::ISODate); }

std::string text(const QDate& d) { return d.toString(Qt::ISODate).toStdString(); }

}  // namespace

AircraftReportDialog::AircraftReportDialog(const store::AircraftLog& log, const QString& aircraft, QWidget* parent)
    : QDialog(parent), log_(log), aircraft_(aircraft) {
  setObjectName(QStringLiteral("dlgAircraftReport"));
  setWindowTitle(QStringLiteral("Aircraft report"));
  since_ = new QDateEdit(this);
  until_ = new QDateEdit(this);
  since_->setObjectName(QStringLiteral("dateSince"));
  until_->setObjectName(QStringLiteral("dateUntil"));
  for (QDateEdit* e : {since_, until_}) {
    e->setCalendarPopup(true);
    e->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  }
  // The logbook's flights are newest first.
  const QDate today = QDate::currentDate();
  setPeriod(log.flights.empty() ? today : dayOf(log.flights.back().entry.start),
            log.flights.empty() ? today : dayOf(log.flights.front().entry.start));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  QPushButton* save = buttons->addButton(QStringLiteral("&Save PDF…"), QDialogButtonBox::AcceptRole);
  QPushButton* print = buttons->addButton(QStringLiteral("&Print…"), QDialogButtonBox::ActionRole);
  save->setObjectName(QStringLiteral("cmdSavePdf"));
  print->setObjectName(QStringLiteral("cmdPrint"));
  connect(save, &QPushButton::clicked, this, [this] {
    if (this->save()) accept();
  });
  connect(print, &QPushButton::clicked, this, [this] {
    if (this->print()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* form = new QFormLayout(this);
  form->addRow(QStringLiteral("Aircraft:"), new QLabel(aircraft_, this));
  form->addRow(QStringLiteral("From:"), since_);
  form->addRow(QStringLiteral("To:"), until_);
  form->addRow(buttons);
}

void AircraftReportDialog::setPeriod(const QDate& since, const QDate& until) {
  since_->setDate(since);
  until_->setDate(until);
}

varnix::frontend::report::AircraftReportContent AircraftReportDialog::content() const {
  QDate since = since_->date(), until = until_->date();
  if (until < since) std::swap(since, until);
  return varnix::frontend::report::MakeAircraftReportContent(log_, aircraft_.toStdString(), text(since), text(until));
}

bool AircraftReportDialog::save() {
  const varnix::frontend::report::AircraftReportContent c = content();
  const QString suggested = QDir::home().filePath(QStringLiteral("%1-%2-%3.pdf")
                                                      .arg(aircraft_, since_->date().toString(Qt::ISODate),
                                                           until_->date().toString(Qt::ISODate)));
  const QString pdf =
      QFileDialog::getSaveFileName(this, QStringLiteral("Save aircraft report"), suggested, QStringLiteral("PDF (*.pdf)"));
  if (pdf.isEmpty()) return false;
  const render::ReportOutcome outcome = render::writeAircraftReport(c, pdf);
  if (outcome.ok()) return true;
  QMessageBox::warning(this, QStringLiteral("Varnix"), render::ProblemText(outcome));
  return false;
}

bool AircraftReportDialog::print() {
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  dialog.setWindowTitle(QStringLiteral("Print aircraft report"));
  if (dialog.exec() != QDialog::Accepted) return false;
  const render::ReportOutcome outcome = render::printAircraftReport(content(), printer);
  if (outcome.ok()) return true;
  QMessageBox::warning(this, QStringLiteral("Varnix"), render::ProblemText(outcome));
  return false;
}

void printAircraftReport(QWidget* parent, const store::AircraftLog& log, const QString& aircraft) {
  AircraftReportDialog(log, aircraft, parent).print();
}

}  // namespace varnix::app::report
