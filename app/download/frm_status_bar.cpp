// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/download/frm_status_bar.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/config_files.h"
#include "app/download/download_and_expand.h"
#include "app/download/download_progress_panel.h"
#include "app/shared/message_box.h"
#include "app/shared/mod_status_bar.h"

namespace varnix::app {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  QFont f = l->font();
  f.setPointSizeF(f.pointSizeF() * 1.2);
  l->setFont(f);
  return l;
}

}  // namespace

std::optional<PortCaption> portCaptionOf(const QByteArray& fileBytes) {
  const auto settings = ParsePortSettings(std::string_view(fileBytes.constData(), std::size_t(fileBytes.size())));
  if (!settings) return std::nullopt;
  return PortCaption{QString::fromStdString(settings->portName), QString::number(settings->baudRate)};
}

FrmStatusBar::FrmStatusBar() : Form(kName) {
  setWindowTitle(QStringLiteral("Download Data"));
  auto* heading = label(this, "Label2_2", QStringLiteral("Instructions:"));
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  auto* step1 = label(this, "Label2_1", QStringLiteral("1. On the QTM, hold both STEP and LF buttons for five seconds."));
  auto* step2 = label(this, "Label2_0", QStringLiteral("2. Tap STEP a number of times until you see DUMP? N"));
  auto* step3 = label(this, "Label2_3", QStringLiteral("3. Tap LF to select NEW data or ALL data."));
  auto* step4 = label(this, "Label1", QStringLiteral("4. Press this button:"));
  auto* step5 = label(this, "Label2_4", QStringLiteral("5. Wait 2 seconds, tap STEP on the QTM."));
  start_ = new QPushButton(QStringLiteral("&Start"), this);
  start_->setObjectName(QStringLiteral("cmdStart"));
  start_->setMinimumWidth(120);
  status_ = label(this, "lblStatusBarText", QString());
  exit_ = new QPushButton(QStringLiteral("&Return to Main Menu"), this);
  exit_->setObjectName(QStringLiteral("cmdExit"));

  connect(start_, &QPushButton::clicked, this, &FrmStatusBar::start);
  connect(exit_, &QPushButton::clicked, this, [this] { unloadForm(this); });

  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(18);
  grid->setHorizontalSpacing(16);
  grid->addWidget(heading, 0, 0, 1, 3);
  grid->addWidget(step1, 1, 0, 1, 3);
  grid->addWidget(step2, 2, 0, 1, 3);
  grid->addWidget(step3, 3, 0, 1, 3);
  grid->addWidget(step4, 4, 0);
  grid->addWidget(start_, 4, 1);
  grid->addWidget(status_, 4, 2);
  grid->addWidget(step5, 5, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  grid->setColumnMinimumWidth(2, 260);

  progress_ = new DownloadProgressPanel(this);
  progress_->hide();

  auto* exitRow = new QHBoxLayout;
  exitRow->addWidget(exit_);
  exitRow->addStretch(1);

  auto* centre = new QVBoxLayout;
  centre->addLayout(grid);
  centre->addSpacing(18);
  centre->addWidget(progress_);
  centre->addSpacing(30);
  centre->addLayout(exitRow);
  auto* across = new QHBoxLayout;
  across->addStretch(1);
  across->addLayout(centre);
  across->addStretch(1);
  auto* page = new QVBoxLayout(this);
  page->addStretch(1);
  page->addLayout(across);
  page->addStretch(2);
}

void FrmStatusBar::load() {
  modStatusBar::FitToScreen(this);
  modStatusBar::CenterForm(this);
  QFile file(modStatusBar::JoinPath(modStatusBar::AppFolder, QStringLiteral("VARNIX.CFG")));
  if (!file.open(QIODevice::ReadOnly)) return;
  const std::optional<PortCaption> caption = portCaptionOf(file.read(4096));
  if (!caption) return;
  portName = caption->portName;
  setWindowTitle(QStringLiteral("Download Data - Port: ") + caption->portName + QStringLiteral("   Baud Rate: ") +
                 caption->baudRate);
}

void FrmStatusBar::setReceiving(bool receiving) {
  receiving_ = receiving;
  if (receiving) {
    progress_->begin();
    progress_->show();
  } else {
    progress_->hide();
  }
}

void FrmStatusBar::closedByFrame() {
  if (!receiving_) return Form::closedByFrame();
  if (progress_->stopAsked()) return;
  if (MsgBox(QStringLiteral("The download is still running. Stop it and keep what has arrived so far?"),
             QStringLiteral("Download Data"), MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes)
    progress_->askToStop();
}

void FrmStatusBar::start() {
  status_->setText(QStringLiteral("Please Wait for Downloading ..."));
  setCursor(Qt::WaitCursor);
  exit_->setEnabled(false);
  start_->setEnabled(false);  // one download at a time
  repaint();
  QDir::setCurrent(modStatusBar::AppFolder);
  QPointer<FrmStatusBar> self(this);
  modStatusBar::DownloadAndExpand();
  if (self) unloadForm(self);
}

}  // namespace varnix::app
