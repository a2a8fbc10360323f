// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/palm/frm_palm.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shared/flow_helpers.h"
#include "app/binding/loaded_library.h"
#include "app/data_folder/folder_browser.h"
#include "app/download/show_decompressed_files.h"
#include "frontend/result_messages.h"
#include "frontend/roads.h"
#include "app/palm/palm_files.h"
#include "app/shared/message_box.h"
#include "app/shared/mod_status_bar.h"
#include "app/shared/screen_user.h"

namespace varnix::app {

namespace {

const QString kPalmInfo = QString::fromLatin1(frontend::messages::kPalmTitle);

QLabel* label(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setWordWrap(true);
  return l;
}

}  // namespace

FrmPalm::FrmPalm() : Form(kName) {
  setWindowTitle(QStringLiteral("Decompress Palm Files"));
  browser_ = new FolderBrowser(this);
  auto* choose = label(this, "lblPalmFiles", QStringLiteral("Choose the \"Backup\" Folder:"));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("lstPalmFiles"));
  auto* hint = label(this, "lblPalm",
                     QStringLiteral("Double click a palm file to generate a file with extension \".DAT\"  and "
                                    "individual flight files with extension \".CSV\""));
  auto* frame = new QGroupBox(
      QStringLiteral("If palm data files are not displayed, please follow the instructions:"), this);
  frame->setObjectName(QStringLiteral("Frame1"));
  auto* steps = new QVBoxLayout(frame);
  steps->addWidget(label(frame, "Label2", QStringLiteral("1. Choose the Drive in which Palm Pilot software was installed.")));
  steps->addWidget(label(frame, "Label3", QStringLiteral("2. Look for \"Palm\" folder, double click it.")));
  steps->addWidget(label(
      frame, "Label4",
      QStringLiteral("3. Assume the user registered the Palm Pilot with name \"MyName\", double click it.")));
  steps->addWidget(label(frame, "Label5", QStringLiteral("4. Double click \"Backup\".")));
  auto* exit = new QPushButton(QStringLiteral("&Return to Main Menu"), this);
  exit->setObjectName(QStringLiteral("cmdExit"));

  connect(browser_, &FolderBrowser::folderChanged, this, &FrmPalm::rebuildList);
  connect(list_, &QListWidget::itemDoubleClicked, this, &FrmPalm::convert);
  connect(exit, &QPushButton::clicked, this, [this] { unloadForm(this); });

  auto* left = new QVBoxLayout;
  left->addWidget(choose);
  left->addWidget(browser_->driveList());
  left->addWidget(browser_->folderList(), 1);
  auto* leftBox = new QWidget(this);
  leftBox->setLayout(left);
  left->setContentsMargins(0, 0, 0, 0);
  leftBox->setFixedWidth(320);
  auto* right = new QVBoxLayout;
  right->addWidget(hint);
  right->addWidget(list_, 1);
  auto* body = new QHBoxLayout;
  body->setSpacing(24);
  body->addWidget(leftBox);
  body->addLayout(right, 1);
  auto* exitRow = new QHBoxLayout;
  exitRow->addStretch(1);
  exitRow->addWidget(exit);
  exitRow->addSpacing(60);
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(20, 16, 20, 16);
  page->setSpacing(12);
  page->addLayout(body, 1);
  page->addWidget(frame);
  page->addLayout(exitRow);
}

void FrmPalm::load() {
  const std::optional<QString> remembered = rememberedPalmFolder(modStatusBar::AppFolder);
  browser_->openOn(remembered && QFileInfo(*remembered).isDir() ? *remembered : modStatusBar::DataFolder);
  modStatusBar::FitToScreen(this);
  modStatusBar::CenterForm(this);
  show();
}

void FrmPalm::rebuildList() {
  list_->clear();
  const QString folder = browser_->folder();
  const QList<QFileInfo> files = palmPatternFiles(folder);
  if (!files.isEmpty()) rememberPalmFolder(modStatusBar::AppFolder, folder);
  for (const QFileInfo& file : files) {
    if (!isPalmBackupName(file.fileName())) continue;
    auto* item = new QListWidgetItem(palmEntryText(file.lastModified(), file.fileName()), list_);
    // The name itself, so that a name or a date format with blanks can
    // never be misread from the entry's text.
    item->setData(Qt::UserRole, file.fileName());
  }
}

void FrmPalm::convert(QListWidgetItem* item) {
  using namespace modStatusBar;
  QDir::setCurrent(AppFolder);
  if (!item) item = list_->currentItem();
  if (!item) {
    MsgBox(QStringLiteral("Please choose a Palm file in the list first."), kPalmInfo, MsgIcon::Exclamation);
    return;
  }
  const QString backup = browser_->pathOf(item->data(Qt::UserRole).toString());

  LoadedLibrary library(programLibrary());
  ScreenUser user;
  const frontend::PalmOutcome out =
      frontend::runPalmRoad(library, user, {toLibraryText(backup), toLibraryText(DataFolder), true});
  if (out.userIdRead) UserID = fromLibraryText(out.userId);
  if (out.stop != frontend::PalmStop::Expanded) return;
  ShowDecompressedFiles(fromLibraryText(out.dump));
  unloadForm(this);
}

}  // namespace varnix::app
