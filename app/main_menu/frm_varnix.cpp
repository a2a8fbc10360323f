// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_menu/frm_varnix.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/data_folder/frm_folder_info.h"
#include "app/select_port/frm_select_port.h"
#include "app/shared/mod_status_bar.h"
#include "app/shared/pictures.h"

namespace varnix::app {

namespace {

// Makes a label click its buddy button, so that the whole line is the action.
class LabelClicks : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      auto* label = qobject_cast<QLabel*>(watched);
      if (auto* button = label ? qobject_cast<QPushButton*>(label->buddy()) : nullptr) {
        if (button->isEnabled()) button->click();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

FrmVarnix::FrmVarnix() : Form(kName) {
  setWindowTitle(QStringLiteral("Varnix Main Menu"));
  setWindowIcon(pictureIcon(QStringLiteral("varnix")));
  setStyleSheet(QStringLiteral("#frmVarnix { background: #eef3f8; }"
                               "#lblTitle { color: #1f3b5c; }"
                               "#menuPanel { background: #ffffff; border: 1px solid #c5d3e2; border-radius: 14px; }"
                               "#menuPanel QLabel { color: #1f3b5c; }"
                               "#Label7 { color: #4b5d70; }"));

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(24, 24, 24, 24);
  page->addStretch(2);

  auto* title = new QLabel(QStringLiteral("Varnix Main Menu"), this);
  title->setObjectName(QStringLiteral("lblTitle"));
  QFont titleFont = title->font();
  titleFont.setPointSizeF(titleFont.pointSizeF() * 2.2);
  titleFont.setBold(true);
  title->setFont(titleFont);
  title->setAlignment(Qt::AlignCenter);
  page->addWidget(title);
  page->addSpacing(18);

  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("menuPanel"));
  panel->setAttribute(Qt::WA_StyledBackground);
  grid_ = new QGridLayout(panel);
  grid_->setContentsMargins(28, 20, 40, 20);
  grid_->setHorizontalSpacing(20);
  grid_->setVerticalSpacing(10);
  auto* centre = new QHBoxLayout;
  centre->addStretch(1);
  centre->addWidget(panel);
  centre->addStretch(1);
  page->addLayout(centre);

  download_ = addAction("cmdDownload", "btn_download", QStringLiteral("Download and decompress data"));
  connect(download_, &QPushButton::clicked, this, &FrmVarnix::downloadClicked);
  connect(addAction("cmdViewFile", "btn_view", QStringLiteral("View data")), &QPushButton::clicked, this,
          &FrmVarnix::viewFileClicked);
#ifdef VARNIX_HAVE_LOGBOOK
  connect(addAction("cmdLogbook", "btn_logbook", QStringLiteral("Logbook")), &QPushButton::clicked, this,
          &FrmVarnix::logbookClicked);
#endif
  connect(addAction("cmdPalm", "btn_palm", QStringLiteral("Decompress palm data")), &QPushButton::clicked, this,
          &FrmVarnix::palmClicked);
  connect(addAction("cmdArchive", "btn_archive", QStringLiteral("Decompress archive data")), &QPushButton::clicked,
          this, &FrmVarnix::archiveClicked);
  connect(addAction("cmdSelectPort", "btn_port", QStringLiteral("Select COM port and  baud rate")),
          &QPushButton::clicked, this, &FrmVarnix::selectPortClicked);
  connect(addAction("cmdChangeDataDir", "btn_folder", QStringLiteral("Change data folder")), &QPushButton::clicked,
          this, &FrmVarnix::changeDataDirClicked);
  connect(addAction("cmdExit", "btn_exit", QStringLiteral("Exit Varnix")), &QPushButton::clicked, this,
          &FrmVarnix::exitClicked);

  page->addStretch(3);
  auto* notice = new QLabel(
      QStringLiteral("Downloaded dumps and their flight files are kept in the data folder, one subfolder per aircraft."),
      this);
  notice->setObjectName(QStringLiteral("Label7"));
  notice->setAlignment(Qt::AlignCenter);
  notice->setWordWrap(true);
  page->addWidget(notice);
  dataFolder_ = new QLabel(this);
  dataFolder_->setObjectName(QStringLiteral("lblDataFolder"));
  dataFolder_->setAlignment(Qt::AlignCenter);
  dataFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  page->addWidget(dataFolder_);
  showDataFolder();
}

void FrmVarnix::showDataFolder() {
  dataFolder_->setText(QStringLiteral("Data folder: ") + QDir::toNativeSeparators(modStatusBar::DataFolder));
}

void FrmVarnix::activate() { showDataFolder(); }

QPushButton* FrmVarnix::addAction(const char* button, const char* pictureName, const QString& label) {
  auto* cmd = new QPushButton(this);
  cmd->setObjectName(QString::fromLatin1(button));
  cmd->setIcon(pictureIcon(QString::fromLatin1(pictureName)));
  cmd->setIconSize(QSize(40, 40));
  cmd->setFixedSize(64, 56);
  cmd->setToolTip(label);
  cmd->setAccessibleName(label);
  auto* text = new QLabel(label, this);
  text->setObjectName(QStringLiteral("lbl") + QString::fromLatin1(button + 3));
  QFont f = text->font();
  f.setPointSizeF(f.pointSizeF() * 1.25);
  text->setFont(f);
  text->setBuddy(cmd);
  text->setCursor(Qt::PointingHandCursor);
  if (!labelClicks_) labelClicks_ = new LabelClicks(this);
  text->installEventFilter(labelClicks_);
  grid_->addWidget(cmd, rows_, 0);
  grid_->addWidget(text, rows_, 1);
  ++rows_;
  return cmd;
}

void FrmVarnix::load() {
  modStatusBar::FitToScreen(this);
  modStatusBar::CenterForm(this);
}

void FrmVarnix::focusDownload() { download_->setFocus(); }

void FrmVarnix::downloadClicked() {
  modStatusBar::CloseSubForms();
  // The first download, before any port was chosen, goes through the port
  // screen; without a choice there is no download.
  const QString cfg = modStatusBar::JoinPath(modStatusBar::AppFolder, QStringLiteral("VARNIX.CFG"));
  if (!QFileInfo::exists(cfg)) {
    FrmSelectPort& ports = forms::get<FrmSelectPort>();
    ports.setBeforeFirstDownload(true);
    ports.showModal();
    if (!QFileInfo::exists(cfg)) return;
  }
  if (Form* screen = forms::get(QStringLiteral("frmStatusBar"))) {
    screen->show();
    if (auto* start = screen->findChild<QWidget*>(QStringLiteral("cmdStart"))) start->setFocus();
  }
}

void FrmVarnix::viewFileClicked() {
  modStatusBar::CloseSubForms();
  if (Form* screen = forms::get(QStringLiteral("frmViewFileNew"))) screen->show();
}

void FrmVarnix::logbookClicked() {
  modStatusBar::CloseSubForms();
  if (Form* screen = forms::get(QStringLiteral("frmLogbook"))) screen->show();
}

void FrmVarnix::palmClicked() {
  modStatusBar::CloseSubForms();
  setCursor(Qt::WaitCursor);
  forms::get(QStringLiteral("frmPalm"));  // the Palm screen shows itself
  unsetCursor();
}

void FrmVarnix::archiveClicked() {
  modStatusBar::CloseSubForms();
  if (Form* screen = forms::get(QStringLiteral("frmArchives"))) screen->show();
}

void FrmVarnix::selectPortClicked() {
  modStatusBar::CloseSubForms();
  forms::get<FrmSelectPort>().showModal();
}

void FrmVarnix::changeDataDirClicked() {
  forms::get<FrmFolderInfo>().showModal();
  showDataFolder();
}

void FrmVarnix::exitClicked() {
  modStatusBar::UnloadAllForms();
  modStatusBar::EndProgram();
}

void FrmVarnix::closedByFrame() { exitClicked(); }

}  // namespace varnix::app
