// SPDX-License-Identifier: GPL-3.0-or-later
// The flight window comparing its flight (A) with another (B): B read off
// the GUI thread as A is, aligned once both are there, drawn dashed over A's
// panels, its values beside A's in the read-out.
#include <QAction>
#include <QActionGroup>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

#include "app/flight/compare_readout.h"
#include "app/flight/flight_chart.h"
#include "app/flight/flight_window.h"
#include "flight/open_flight.h"
#include "frontend/guarded_work.h"
#include "render/library_text.h"

namespace varnix::app::flight_view {

void FlightWindow::addCompareActions(QMenu* view) {
  view->addSeparator();
  QAction* compare = view->addAction(QStringLiteral("&Compare with…"), this, &FlightWindow::chooseComparison);
  compare->setObjectName(QStringLiteral("compareAction"));
  QMenu* align = view->addMenu(QStringLiteral("&Align by"));
  alignGroup_ = new QActionGroup(this);
  const std::pair<const char*, frontend::AlignBy> choices[] = {{"&Takeoff", frontend::AlignBy::Takeoff},
                                                             {"&Engine start", frontend::AlignBy::EngineStart},
                                                             {"&Clock time", frontend::AlignBy::Clock}};
  for (const auto& [text, by] : choices) {
    QAction* a = align->addAction(QString::fromUtf8(text));
    a->setCheckable(true);
    a->setChecked(by == alignBy_);
    a->setData(static_cast<int>(by));
    alignGroup_->addAction(a);
    connect(a, &QAction::triggered, this, [this, by = by] { setAlignBy(by); });
  }
  stopCompareAction_ = view->addAction(QStringLiteral("&Stop comparing"), this, &FlightWindow::stopComparing);
  stopCompareAction_->setEnabled(false);
}

void FlightWindow::chooseComparison() {
  // The flights of A's aircraft first; the dialog goes up to the data folder.
  const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Compare with"),
                                                    QFileInfo(path_).absolutePath(),
                                                    QStringLiteral("Flight files (*.csv *.CSV);;All files (*)"));
  if (!file.isEmpty()) compareWith(file);
}

std::optional<render::ComparedFile> FlightWindow::comparedFile() const {
  const Comparison* c = chart_->comparison();
  if (!c) return std::nullopt;
  return render::ComparedFile{c->path, alignBy_};
}

bool FlightWindow::isComparing() const { return chart_->comparison() != nullptr; }

void FlightWindow::compareWith(const QString& path) {
  if (readingComparison_) return;  // one at a time
  stopComparing();
  comparePath_ = path;
  compareProblem_.clear();
  compareHeading_->setText(
      QStringLiteral("<p>Reading %1 to compare…</p>").arg(QFileInfo(path).fileName().toHtmlEscaped()));
  compareHeading_->show();
  struct Result {
    flight::FlightRead read;
    frontend::FlightMoments moments;
    std::vector<frontend::ValueExtremes> extremes;
  };
  auto result = std::make_shared<Result>();
  const std::string file = toLibraryText(path);
  readingComparison_ = true;
  compareReader_.start([result, file, path](const TaskControl& task) {
    auto work = [&] {
      result->read = flight::OpenFlight(file);
      if (!result->read.ok() || task.stopAsked()) return;
      result->moments = frontend::MomentsOf(analysis::FindPhases(result->read.value));
      result->extremes = render::ChannelExtremes(result->read.value);
    };
    const std::string failed = frontend::GuardedWork(work);
    if (!failed.empty()) {
      result->read = flight::FlightRead::failed("The flight cannot be read: " + failed + ".");
    }
    task.deliverTo<FlightWindow>([result, path](FlightWindow& w) {
      w.readingComparison_ = false;
      if (path != w.comparePath_) return;  // stopped meanwhile
      if (!result->read.ok()) {
        w.compareProblem_ = QString::fromStdString(result->read.problem);
        w.compareHeading_->setText(
            QStringLiteral("<p><span style='color:#b00000'><b>%1 cannot be compared.</b><br>%2</span></p>")
                .arg(QFileInfo(path).fileName().toHtmlEscaped(), w.compareProblem_.toHtmlEscaped()));
        emit w.compared();
        return;
      }
      w.compareFlight_ = std::make_shared<const flight::Flight>(std::move(result->read.value));
      w.compareMoments_ = result->moments;
      w.compareExtremes_ = std::make_shared<const std::vector<frontend::ValueExtremes>>(std::move(result->extremes));
      w.applyComparison();
    });
  });
}

void FlightWindow::applyComparison() {
  if (!flight_ || !compareFlight_) return;
  chart_->setComparison(
      render::MakeComparison(*flight_, moments_, compareFlight_, compareMoments_, compareExtremes_, alignBy_, comparePath_));
  stopCompareAction_->setEnabled(true);
  updateCompareHeading();
  cursorMoved(chart_->cursorRow());
  emit compared();
}

void FlightWindow::updateCompareHeading() {
  const Comparison* c = chart_->comparison();
  compareHeading_->setVisible(c != nullptr);
  if (c) compareHeading_->setText(compareHeadingHtml(*flight_, *c));
}

void FlightWindow::setAlignBy(frontend::AlignBy by) {
  alignBy_ = by;
  for (QAction* a : alignGroup_->actions()) a->setChecked(a->data().toInt() == static_cast<int>(by));
  applyComparison();
}

void FlightWindow::stopComparing() {
  comparePath_.clear();
  compareFlight_.reset();
  compareExtremes_.reset();
  compareHeading_->hide();
  stopCompareAction_->setEnabled(false);
  if (!chart_->comparison()) return;
  chart_->setComparison(std::nullopt);
  if (flight_) cursorMoved(chart_->cursorRow());
}

void FlightWindow::showBaseline(const std::vector<analysis::CruiseBaseline>& baselines) {
  const flight::Unit unit = flight_ ? analysis::EngineUnit(flight_->facts) : flight::Unit::DegreesF;
  baselineReadout_->setText(baselineHtml(baselines, unit));
  baselineReadout_->show();
}

}  // namespace varnix::app::flight_view
