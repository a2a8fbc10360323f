// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/download/download_progress_panel.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shared/utf8_text.h"

namespace varnix::app {

namespace {

QLabel* figure(QWidget* parent, const char* name) {
  auto* l = new QLabel(parent);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

QString fromUtf8(const std::string& text) { return Utf8ToQString(text); }

}  // namespace

DownloadProgressPanel::DownloadProgressPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("progressPanel"));
  phase_ = figure(this, "lblPhase");
  QFont bold = phase_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  phase_->setFont(bold);
  phase_->setWordWrap(true);
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("barProgress"));
  bar_->setMinimumWidth(420);
  bytes_ = figure(this, "lblBytes");
  rate_ = figure(this, "lblRate");
  elapsed_ = figure(this, "lblElapsed");
  left_ = figure(this, "lblTimeLeft");
  stopButton_ = new QPushButton(QStringLiteral("Stop and keep what arrived"), this);
  stopButton_->setObjectName(QStringLiteral("cmdStop"));
  connect(stopButton_, &QPushButton::clicked, this, [this] {
    askToStop();
    emit stopClicked();
  });

  auto* figures = new QGridLayout;
  figures->setHorizontalSpacing(24);
  figures->addWidget(new QLabel(QStringLiteral("Received:"), this), 0, 0);
  figures->addWidget(bytes_, 0, 1);
  figures->addWidget(new QLabel(QStringLiteral("Rate:"), this), 1, 0);
  figures->addWidget(rate_, 1, 1);
  figures->addWidget(new QLabel(QStringLiteral("Elapsed:"), this), 0, 2);
  figures->addWidget(elapsed_, 0, 3);
  figures->addWidget(new QLabel(QStringLiteral("Time left:"), this), 1, 2);
  figures->addWidget(left_, 1, 3);
  figures->setColumnStretch(4, 1);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(0, 0, 0, 0);
  page->addWidget(phase_);
  page->addWidget(bar_);
  page->addLayout(figures);
  page->addWidget(stopButton_, 0, Qt::AlignLeft);
}

void DownloadProgressPanel::begin() {
  meter_ = {};
  *stop_ = false;
  clock_.start();
  stopButton_->setEnabled(true);
  stopButton_->setText(QStringLiteral("Stop and keep what arrived"));
  report(DownloadProgress{}, 0);
}

void DownloadProgressPanel::askToStop() {
  *stop_ = true;
  stopButton_->setEnabled(false);
  stopButton_->setText(QStringLiteral("Stopping\u2026"));
}

void DownloadProgressPanel::report(const DownloadProgress& progress) {
  report(progress, clock_.isValid() ? clock_.elapsed() : 0);
}

void DownloadProgressPanel::report(const DownloadProgress& progress, qint64 elapsedMs) {
  meter_.update(progress, elapsedMs);
  phase_->setText(fromUtf8(meter_.phaseText()));
  if (const auto percent = meter_.percent()) {
    bar_->setRange(0, 100);
    bar_->setValue(*percent);
  } else {
    bar_->setRange(0, 0);  // busy until the size is known
  }
  bytes_->setText(fromUtf8(meter_.bytesText()));
  const auto rate = meter_.bytesPerSecond();
  rate_->setText(rate ? fromUtf8(frontend::progress::rateText(*rate)) : QStringLiteral("\u2014"));
  elapsed_->setText(fromUtf8(frontend::progress::durationText(meter_.elapsedMs() / 1000 * 1000)));  // whole seconds gone
  const auto left = meter_.msLeft();
  left_->setText(left ? fromUtf8(frontend::progress::durationText(*left)) : QStringLiteral("\u2014"));
}

}  // namespace varnix::app
