// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/data_folder/frm_choose_dir.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/data_folder/folder_browser.h"
#include "app/data_folder/frm_folder_info.h"
#include "app/shared/message_box.h"
#include "app/shared/mod_status_bar.h"

namespace varnix::app {

FrmChooseDir::FrmChooseDir() : Form(kName) {
  setWindowTitle(QStringLiteral("Choose Directory"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* label1 = new QLabel(QStringLiteral("Please choose the directory for data folder."), this);
  label1->setObjectName(QStringLiteral("Label1"));
  browser_ = new FolderBrowser(this);
  path_ = new QLineEdit(this);
  path_->setObjectName(QStringLiteral("Text1"));
  auto* newFolder = new QPushButton(QStringLiteral("Create a new folder"), this);
  newFolder->setObjectName(QStringLiteral("cmdNewFolder"));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("cmdCancel"));

  connect(browser_, &FolderBrowser::folderChanged, path_, &QLineEdit::setText);
  connect(newFolder, &QPushButton::clicked, this, &FrmChooseDir::newFolderClicked);
  connect(ok, &QPushButton::clicked, this, &FrmChooseDir::okClicked);
  connect(cancel, &QPushButton::clicked, this, &FrmChooseDir::cancelClicked);

  auto* lists = new QGridLayout;
  lists->addWidget(new QLabel(QStringLiteral("Drives:"), this), 0, 0);
  lists->addWidget(browser_->driveList(), 1, 0);
  lists->addWidget(new QLabel(QStringLiteral("Directories:"), this), 2, 0);
  lists->addWidget(browser_->folderList(), 3, 0);
  lists->addWidget(new QLabel(QStringLiteral("Path:"), this), 4, 0);
  lists->addWidget(path_, 5, 0);
  lists->setRowStretch(3, 1);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addSpacing(18);
  buttons->addWidget(newFolder);
  buttons->addStretch(1);

  auto* body = new QHBoxLayout;
  body->setSpacing(16);
  body->addLayout(lists, 1);
  body->addLayout(buttons);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(18, 18, 18, 18);
  page->setSpacing(12);
  page->addWidget(label1);
  page->addLayout(body);
}

void FrmChooseDir::load() {
  browser_->openOn(modStatusBar::DataFolder);
  resize(520, 420);
  modStatusBar::CenterForm(this);
}

void FrmChooseDir::newFolderClicked() {
  const auto answer =
      InputBox(QStringLiteral("Please Input a folder name:"), QStringLiteral("New Folder Name"), QString());
  if (!answer || answer->isEmpty()) return;
  const QString newPath = browser_->pathOf(*answer);
  const QFileInfo info(newPath);
  if (info.exists() || info.isSymLink()) {
    MsgBox(QStringLiteral("'") + newPath + QStringLiteral("' already exists."));
    return;
  }
  if (!QDir().mkdir(newPath) || !browser_->setFolder(newPath)) {
    MsgBox(QStringLiteral("Sorry, '") + newPath + QStringLiteral("' folder could not be generated. Please try again."));
  }
}

void FrmChooseDir::okClicked() {
  const QString chosen = path_->text();
  forms::get<FrmFolderInfo>().newFolderBox()->setEditText(chosen);
  unloadForm(this);
}

void FrmChooseDir::cancelClicked() {
  path_->clear();
  forms::get<FrmFolderInfo>().newFolderBox()->setEditText(path_->text());
  unloadForm(this);
}

}  // namespace varnix::app
