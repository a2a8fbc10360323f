// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/data_folder/frm_folder_info.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/data_folder/frm_choose_dir.h"
#include "app/data_folder/typed_folder.h"
#include "frontend/data_folder_setting.h"
#include "render/library_text.h"
#include "app/shared/message_box.h"
#include "app/shared/mod_status_bar.h"
#include "app/shared/text_lines.h"

namespace varnix::app {

namespace {

int& flag() {
  static int temporary = 0;
  return temporary;
}

const QString kTryAgain = QStringLiteral("Please try again.");

}  // namespace

int FrmFolderInfo::temporaryFlag() { return flag(); }
void FrmFolderInfo::setTemporaryFlag(int value) { flag() = value; }

FrmFolderInfo::FrmFolderInfo() : Form(kName) {
  setWindowTitle(QStringLiteral("Change Data Directory"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* label1 = new QLabel(QStringLiteral("Current Data Directory:"), this);
  label1->setObjectName(QStringLiteral("Label1"));
  current_ = new QLineEdit(this);
  current_->setObjectName(QStringLiteral("Text1"));
  current_->setReadOnly(true);
  mark_ = new QLabel(this);
  mark_->setObjectName(QStringLiteral("Label4"));
  auto* label2 = new QLabel(
      QStringLiteral("If you want to set a new data directory or folder, please type the full path or press Browse button."),
      this);
  label2->setObjectName(QStringLiteral("Label2"));
  label2->setWordWrap(true);
  combo_ = new QComboBox(this);
  combo_->setObjectName(QStringLiteral("Combo1"));
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  combo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo_->setMinimumContentsLength(30);
  auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
  browse->setObjectName(QStringLiteral("cmdBrowse"));
  auto* permanent = new QPushButton(QStringLiteral("Change Permanently"), this);
  permanent->setObjectName(QStringLiteral("cmdPermanent"));
  auto* temporary = new QPushButton(QStringLiteral("Change Temporarily"), this);
  temporary->setObjectName(QStringLiteral("cmdTemporary"));
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("cmdClose"));
  auto* label5 = new QLabel(QStringLiteral("Downloaded and Decompressed data files will be stored in a subdirectory of  "
                                           "the current data directotry."),
                            this);
  label5->setObjectName(QStringLiteral("Label5"));
  label5->setWordWrap(true);

  connect(browse, &QPushButton::clicked, this, &FrmFolderInfo::browseClicked);
  connect(permanent, &QPushButton::clicked, this, [this] { apply(true); });
  connect(temporary, &QPushButton::clicked, this, [this] { apply(false); });
  connect(close, &QPushButton::clicked, this, &FrmFolderInfo::closeClicked);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(10);
  grid->addWidget(label1, 0, 0, 1, 2);
  grid->addWidget(current_, 1, 0);
  grid->addWidget(mark_, 1, 1);
  grid->addWidget(label2, 2, 0, 1, 2);
  grid->addWidget(combo_, 3, 0);
  grid->addWidget(browse, 3, 1);
  grid->setColumnStretch(0, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(permanent);
  buttons->addWidget(temporary);
  buttons->addStretch(1);
  buttons->addWidget(close);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(18, 18, 18, 18);
  page->setSpacing(14);
  page->addLayout(grid);
  page->addLayout(buttons);
  page->addWidget(label5);
}

QString FrmFolderInfo::folderListPath() const {
  return modStatusBar::JoinPath(modStatusBar::AppFolder, QStringLiteral("FolderList.CFG"));
}

void FrmFolderInfo::load() {
  if (const auto lines = readTextLines(folderListPath())) combo_->addItems(*lines);
  combo_->setEditText(QString());
  current_->setText(stripBlanks(modStatusBar::DataFolder));
  mark_->setText(flag() == 1 ? QStringLiteral("(Temporary)") : QStringLiteral("(Permanent)"));
  setMinimumWidth(560);
  resize(600, sizeHint().height());
  modStatusBar::CenterForm(this);
}

void FrmFolderInfo::apply(bool permanent) {
  modStatusBar::DataFolder = stripBlanks(current_->text());
  const TypedFolder typed = checkTypedFolder(combo_->currentText());
  const QString& p = typed.path;
  if (typed.verdict == TypedFolder::Empty) {
    MsgBox(QStringLiteral("Please type a full path."));
    return;
  }
  if (typed.verdict == TypedFolder::NotCorrect) {
    MsgBox(QStringLiteral("'") + p + QStringLiteral("' is not a correct path. ") + kTryAgain);
    combo_->setEditText(QString());
    return;
  }
  if (typed.onDriveA) {
    const QString question =
        permanent ? QStringLiteral("If you want to set A drive to store the data, it may cause data overflow, continue?")
                  : QStringLiteral("If you want to set A drive to be the data folder, it may cause data overflow, continue?");
    if (MsgBox(question, kProgramTitle, MsgIcon::None, MsgButtons::YesNo) != MsgAnswer::Yes) {
      combo_->setEditText(QString());
      return;
    }
  }
  const FolderOutcome outcome = ensureDataFolder(p);
  if (outcome == FolderOutcome::InvalidPath) {
    MsgBox(QStringLiteral("'") + p + QStringLiteral("' is a invalid path. ") + kTryAgain);
    combo_->setEditText(QString());
    return;
  }
  const bool stored = outcome == FolderOutcome::Ready &&
                      (!permanent || frontend::settings::writeDataFolderSetting(toLibraryText(modStatusBar::AppFolder), toLibraryText(p)));
  if (!stored) {
    MsgBox(QStringLiteral("Sorry, '") + p + QStringLiteral("' folder could not be generated. ") + kTryAgain);
    combo_->setEditText(QString());
    return;
  }
  modStatusBar::DataFolder = p;
  current_->setText(p);
  mark_->setText(permanent ? QStringLiteral("(Permanent)") : QStringLiteral("(Temporary)"));
  flag() = permanent ? 0 : 1;
  combo_->addItem(p);
  combo_->setEditText(QString());
}

void FrmFolderInfo::browseClicked() { forms::get<FrmChooseDir>().showModal(); }

void FrmFolderInfo::closeClicked() {
  const QString shown = current_->text();
  const auto lines = readTextLines(folderListPath());
  if (lines && !lines->contains(shown)) appendTextLine(folderListPath(), shown);
  modStatusBar::DataFolder = stripBlanks(shown);
  unloadForm(this);
}

}  // namespace varnix::app
