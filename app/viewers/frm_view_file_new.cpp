// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/viewers/frm_view_file_new.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/data_folder/folder_browser.h"
#include "app/flight/flight_window.h"
#include "app/shared/message_box.h"
#include "app/shared/mod_status_bar.h"
#include "app/viewers/text_view.h"

namespace varnix::app {

namespace {

const QString kViewerInfo = QStringLiteral("File Viewer Info");

}  // namespace

FrmViewFileNew::FrmViewFileNew() : Form(kName) {
  setWindowTitle(QStringLiteral("File Viewer"));

  auto* label1 = new QLabel(QStringLiteral("Choose a file:"), this);
  label1->setObjectName(QStringLiteral("Label1"));
  browser_ = new FolderBrowser(this, QStringLiteral("*.TXT;*.CSV"));
  auto* label2 = new QLabel(QStringLiteral("Display the file:"), this);
  label2->setObjectName(QStringLiteral("Label2"));
  shownPath_ = new QLabel(this);
  shownPath_->setObjectName(QStringLiteral("Label3"));
  shownPath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont bold = shownPath_->font();
  bold.setBold(true);
  shownPath_->setFont(bold);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("txtShowFile"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setUndoRedoEnabled(false);

  auto* show = new QPushButton(QStringLiteral("&Display"), this);
  show->setObjectName(QStringLiteral("cmdShowFile"));
  auto* close = new QPushButton(QStringLiteral("&Close the File"), this);
  close->setObjectName(QStringLiteral("cmdClose"));
  auto* exit = new QPushButton(QStringLiteral("&Return to Main Menu"), this);
  exit->setObjectName(QStringLiteral("cmdExit"));

  connect(browser_, &FolderBrowser::folderChanged, this, &FrmViewFileNew::folderChanged);
  connect(browser_, &FolderBrowser::fileClicked, this, [this](const QString& path) { selected_ = path; });
  connect(browser_, &FolderBrowser::fileDoubleClicked, this, [this](const QString& path) {
    selected_ = path;
    // A flight opens in its window; "Display" still shows its raw text.
    if (QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0)
      flight_view::FlightWindow::open(path);
    else
      display();
  });
  connect(show, &QPushButton::clicked, this, &FrmViewFileNew::display);
  connect(close, &QPushButton::clicked, this, &FrmViewFileNew::closeFile);
  connect(exit, &QPushButton::clicked, this, [this] { unloadForm(this); });

  auto* left = new QVBoxLayout;
  left->addWidget(label1);
  left->addWidget(browser_->driveList());
  left->addWidget(browser_->folderList(), 1);
  left->addWidget(browser_->fileList(), 1);
  auto* right = new QVBoxLayout;
  auto* heading = new QHBoxLayout;
  heading->addWidget(label2);
  heading->addWidget(shownPath_, 1);
  right->addLayout(heading);
  right->addWidget(text_, 1);

  auto* body = new QHBoxLayout;
  body->setSpacing(16);
  auto* leftBox = new QWidget(this);
  leftBox->setLayout(left);
  left->setContentsMargins(0, 0, 0, 0);
  leftBox->setFixedWidth(300);
  body->addWidget(leftBox);
  body->addLayout(right, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addSpacing(60);
  buttons->addWidget(show);
  buttons->addSpacing(24);
  buttons->addWidget(close);
  buttons->addStretch(1);
  buttons->addWidget(exit);
  buttons->addSpacing(60);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(20, 16, 20, 16);
  page->setSpacing(12);
  page->addLayout(body, 1);
  page->addLayout(buttons);
}

void FrmViewFileNew::load() {
  browser_->openOn(modStatusBar::DataFolder);
  selected_.clear();
  modStatusBar::FitToScreen(this);
  modStatusBar::CenterForm(this);
}

void FrmViewFileNew::folderChanged() {
  selected_.clear();
  shown_.clear();
  text_->clear();
  shownPath_->clear();
}

void FrmViewFileNew::closeFile() {
  shown_.clear();
  text_->clear();
}

void FrmViewFileNew::display() {
  if (selected_.isEmpty()) {
    MsgBox(QStringLiteral("Please select a file."), kViewerInfo, MsgIcon::Exclamation);
    return;
  }
  shown_.clear();
  text_->clear();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  ShownText read = readFileForDisplay(selected_);
  if (read.status == ShownText::Shown) {
    try {
      text_->setPlainText(read.text);
      shown_ = std::move(read.text);
    } catch (const std::bad_alloc&) {
      text_->clear();
      read.status = ShownText::TooLarge;
    }
  }
  QApplication::restoreOverrideCursor();
  switch (read.status) {
    case ShownText::Shown:
      shownPath_->setText(selected_);
      break;
    case ShownText::CannotOpen:
      // Gone since it was listed: say so and list the folder afresh.
      MsgBox(QStringLiteral("'") + selected_ + QStringLiteral("' could not be opened."), kViewerInfo,
             MsgIcon::Exclamation);
      browser_->refreshFiles();
      selected_.clear();
      break;
    case ShownText::TooLarge:
      MsgBox(QStringLiteral("The specified file is too large to display."), kProgramTitle, MsgIcon::Exclamation);
      break;
  }
}

}  // namespace varnix::app
