// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup/frm_top.h"

#include <QFrame>
#include <QLabel>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "app/main_menu/frm_varnix.h"
#include "platform/platform.h"
#include "render/library_text.h"
#include "app/shared/mod_status_bar.h"
#include "app/shared/pictures.h"

namespace varnix::app {

FrmTop::FrmTop(QString programFolder) : Form(kName), programFolder_(std::move(programFolder)) {
  setWindowTitle(QStringLiteral("Varnix"));
  setWindowIcon(pictureIcon(QStringLiteral("varnix")));
  setStyleSheet(QStringLiteral("#frmTop { background: #1f3b5c; }"
                               "#Shape1 { border: 3px solid #e08a1e; border-radius: 18px; background: #f4f7fb; }"
                               "#Shape2 { border: 1px solid #9fb3c8; border-radius: 12px; background: #ffffff; }"
                               "QLabel { color: #1f3b5c; }"));

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(40, 40, 40, 40);
  auto* shape1 = new QFrame(this);
  shape1->setObjectName(QStringLiteral("Shape1"));
  outer->addWidget(shape1);
  auto* inShape1 = new QVBoxLayout(shape1);
  inShape1->setContentsMargins(24, 24, 24, 24);
  auto* shape2 = new QFrame(shape1);
  shape2->setObjectName(QStringLiteral("Shape2"));
  inShape1->addWidget(shape2);

  auto* column = new QVBoxLayout(shape2);
  column->setContentsMargins(32, 24, 32, 24);
  column->setSpacing(12);
  title_ = new QLabel(QStringLiteral("Varnix Systems"), shape2);
  title_->setObjectName(QStringLiteral("Label1"));
  title_->setAlignment(Qt::AlignCenter);
  motto_ = new QLabel(QStringLiteral("A quality product for airplanes"), shape2);
  motto_->setObjectName(QStringLiteral("Label2"));
  motto_->setAlignment(Qt::AlignCenter);
  image_ = new PictureBox(QStringLiteral("startup"), shape2);
  image_->setObjectName(QStringLiteral("Image1"));
  image_->setMinimumSize(160, 80);
  image_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  notice_ = new QLabel(QStringLiteral("Engine data download and decompression for the QTM engine data monitor"), shape2);
  notice_->setObjectName(QStringLiteral("Label3"));
  notice_->setAlignment(Qt::AlignCenter);
  notice_->setWordWrap(true);

  column->addSpacing(8);
  column->addWidget(title_);
  column->addWidget(motto_);
  column->addSpacing(12);
  column->addWidget(image_, 1);
  column->addSpacing(12);
  column->addWidget(notice_);

  timer_ = new QTimer(this);
  timer_->setObjectName(QStringLiteral("Timer1"));
  timer_->setInterval(2000);
  timer_->setSingleShot(false);
  connect(timer_, &QTimer::timeout, this, &FrmTop::timerFired);
}

void FrmTop::load() {
  modStatusBar::FitToScreen(this);
  scaleFonts();
  modStatusBar::CenterForm(this);
  const QString folder =
      programFolder_.isEmpty() ? fromLibraryText(platform::programFolder()) : programFolder_;
  modStatusBar::SettleFolders(folder);
  timer_->start();
}

void FrmTop::resizeEvent(QResizeEvent* event) {
  Form::resizeEvent(event);
  scaleFonts();
}

void FrmTop::scaleFonts() {
  // The texts grow with the window, as the screen's design scales them.
  const int h = std::max(height(), 300);
  QFont big = font();
  big.setPointSizeF(std::clamp(h / 18.0, 18.0, 54.0));
  big.setBold(true);
  title_->setFont(big);
  QFont medium = font();
  medium.setPointSizeF(std::clamp(h / 40.0, 11.0, 26.0));
  medium.setItalic(true);
  motto_->setFont(medium);
  QFont small = font();
  small.setPointSizeF(std::clamp(h / 70.0, 9.0, 14.0));
  notice_->setFont(small);

}

void FrmTop::closedByFrame() {
  timer_->stop();
  modStatusBar::UnloadAllForms();
  modStatusBar::EndProgram();
}

void FrmTop::timerFired() {
  timer_->stop();
  auto& menu = forms::get<FrmVarnix>();
  menu.show();
  menu.focusDownload();
  if (openLogbook_) menu.openLogbook();
  unloadForm(this);
}

}  // namespace varnix::app
