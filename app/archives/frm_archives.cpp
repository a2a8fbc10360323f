// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/archives/frm_archives.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/shared/flow_helpers.h"
#include "app/archives/listing_procedures.h"
#include "app/binding/loaded_library.h"
#include "core/expand.h"
#include "app/data_folder/folder_browser.h"
#include "app/flight/flight_window.h"
#include "frontend/result_messages.h"
#include "frontend/roads.h"
#include "platform/platform.h"
#include "app/shared/message_box.h"
#include "app/shared/mod_status_bar.h"
#include "app/shared/screen_user.h"
#include "app/shared/text_lines.h"
#include "app/viewers/frm_list_view.h"
#include "app/viewers/text_view.h"

namespace varnix::app {

namespace {

const QString kArchivesInfo = QString::fromLatin1(frontend::messages::kArchivesTitle);

QLabel* label(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setWordWrap(true);
  return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

FrmArchives::FrmArchives() : Form(kName) {
  setWindowTitle(QStringLiteral("Decompress Archive Files"));
  browser_ = new FolderBrowser(this, QStringLiteral("*.DAT"));
  auto* choose = label(this, "lblChooseFiles", QStringLiteral("Choose a file to be decompressed:"));
  auto* label6 = label(this, "Label6",
                       QStringLiteral("If the file to be decompressed is not in current data directory, press Browse "
                                      "button to copy the file to current data directory."));
  auto* browseButton = button(this, "cmdBrowse", QStringLiteral("Browse..."));
  auto* decompressButton = button(this, "cmdDecompress", QStringLiteral("&Decompress"));
  label1_ = label(this, "Label1", QString());
  QFont bold = label1_->font();
  bold.setBold(true);
  label1_->setFont(bold);
  lstFiles_ = new QListWidget(this);
  lstFiles_->setObjectName(QStringLiteral("lstFiles"));
  lstFiles_->setFont(QFont(QStringLiteral("DejaVu Sans Mono")));
  auto* hint = label(this, "lblArchives", QStringLiteral("To view a decompressed file, double click that file."));
  auto* asText = button(this, "cmdShowAsText", QStringLiteral("Show as &text"));
  auto* exitButton = button(this, "cmdExit", QStringLiteral("&Return to Main Menu"));

  connect(browser_, &FolderBrowser::folderChanged, this, &FrmArchives::folderChanged);
  connect(browser_, &FolderBrowser::fileClicked, this, [this](const QString& path) { selected_ = path; });
  connect(browser_, &FolderBrowser::fileDoubleClicked, this, [this](const QString& path) {
    selected_ = path;
    decompress();
  });
  connect(browseButton, &QPushButton::clicked, this, &FrmArchives::browse);
  connect(decompressButton, &QPushButton::clicked, this, &FrmArchives::decompress);
  connect(lstFiles_, &QListWidget::itemActivated, this, &FrmArchives::openFlightWindow);
  connect(asText, &QPushButton::clicked, this, [this] { viewFlightFile(lstFiles_->currentItem()); });
  connect(exitButton, &QPushButton::clicked, this, [this] { unloadForm(this); });

  auto* left = new QVBoxLayout;
  left->addWidget(choose);
  left->addWidget(browser_->driveList());
  left->addWidget(browser_->folderList(), 1);
  left->addWidget(browser_->fileList(), 1);
  auto* leftBox = new QWidget(this);
  leftBox->setLayout(left);
  left->setContentsMargins(0, 0, 0, 0);
  leftBox->setFixedWidth(320);

  auto* right = new QVBoxLayout;
  right->addWidget(label6);
  auto* browseRow = new QHBoxLayout;
  browseRow->addWidget(browseButton);
  browseRow->addStretch(1);
  right->addLayout(browseRow);
  right->addSpacing(12);
  right->addWidget(label1_);
  right->addWidget(lstFiles_, 1);
  addNewFlightsRow(right);
  auto* hintRow = new QHBoxLayout;
  hintRow->addWidget(hint, 1);
  hintRow->addWidget(asText);
  right->addLayout(hintRow);

  auto* body = new QHBoxLayout;
  body->setSpacing(24);
  body->addWidget(leftBox);
  body->addLayout(right, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addSpacing(60);
  buttons->addWidget(decompressButton);
  buttons->addStretch(1);
  buttons->addWidget(exitButton);
  buttons->addSpacing(60);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(20, 16, 20, 16);
  page->setSpacing(12);
  page->addLayout(body, 1);
  page->addLayout(buttons);
}

void FrmArchives::addNewFlightsRow(QVBoxLayout* column) {
  newFlights_ = label(this, "lblNewFlights", QString());
  newFlights_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  openLogbook_ = button(this, "cmdOpenLogbook", QStringLiteral("Open &logbook"));
  auto* row = new QHBoxLayout;
  row->addWidget(newFlights_, 1);
  row->addWidget(openLogbook_, 0, Qt::AlignTop);
  column->addLayout(row);
  newFlights_->hide();
  openLogbook_->hide();
}

void FrmArchives::load() {
  browser_->openOn(modStatusBar::DataFolder);
  selected_.clear();
  modStatusBar::FitToScreen(this);
  modStatusBar::CenterForm(this);
}

void FrmArchives::folderChanged() { selected_.clear(); }

void FrmArchives::browse() {
  using modStatusBar::DataFolder;
  browser_->setFolder(modStatusBar::AppFolder);
  const QString chosen = chooser_ ? chooser_(DataFolder)
                                  : QFileDialog::getOpenFileName(this, QStringLiteral("Open"), DataFolder,
                                                                 QStringLiteral("Text files (*.dat)"));
  if (!chosen.isEmpty()) {
    const QString target = modStatusBar::JoinPath(DataFolder, QFileInfo(chosen).fileName());
    // A file that already lies in the data folder is left as it is:
    // copying it over itself would empty it.
    // The copy is whole or not there at all; a failure is said.
    if (!sameFile(chosen, target) && !platform::copyFile(toLibraryText(chosen), toLibraryText(target)))
      MsgBox(fromLibraryText(frontend::messages::archiveMessage(frontend::messages::ArchiveNotice::NotCopied,
                                                      toLibraryText(QFileInfo(chosen).fileName()),
                                                      toLibraryText(DataFolder))),
             kArchivesInfo, MsgIcon::Exclamation);
  }
  browser_->setFolder(DataFolder);
  browser_->refreshFiles();
}

void FrmArchives::decompress() {
  using namespace modStatusBar;
  QDir::setCurrent(AppFolder);
  lstFiles_->clear();
  newFlights_->hide();  // of a download before
  openLogbook_->hide();
  if (selected_.isEmpty()) {
    MsgBox(QStringLiteral("Please select a file."), kArchivesInfo, MsgIcon::Exclamation);
    return;
  }

  LoadedLibrary library(programLibrary());
  ScreenUser user;
  const std::string chosen = toLibraryText(selected_);
  const frontend::ArchiveOutcome out =
      frontend::runArchiveRoad(library, user, {chosen, toLibraryText(DataFolder)});
  if (out.userIdRead) UserID = fromLibraryText(out.userId);
  if (out.dump != chosen) selected_ = fromLibraryText(out.dump);
  if (out.stop != frontend::ArchiveStop::Expanded) return;
  if (out.code == kExpandCannotOpenDump || out.code == kExpandCannotOpenIndex || out.code == kExpandNoDot) return;

  label1_->setText(QStringLiteral("The following files decompressed from: ") + selected_);
  const std::optional<QString> index = indexFileOf(selected_);
  if (!index || !platform::fileExists(toLibraryText(*index))) return;
  const std::optional<QStringList> lines = readTextLines(*index);
  if (!lines) return;
  lstFiles_->addItems(*lines);

  if (!lines->isEmpty() && !lines->first().isEmpty()) {
    QString first = lines->first();
    QString word = SecondWord(first);
    if (!WarnMultipleFlightFile(word)) return;
  } else {
    MsgBox(QStringLiteral("No data was decompressed."), kArchivesInfo, MsgIcon::Exclamation);
    // Only an index that lists nothing at all is removed.
    if (lines->join(QString()).trimmed().isEmpty()) platform::removeFile(toLibraryText(*index));
  }
  browser_->setFolder(fromLibraryText(out.userFolder));
}

QString FrmArchives::flightFileOf(QListWidgetItem* item) {
  if (!item) item = lstFiles_->currentItem();
  if (!item) {
    MsgBox(QStringLiteral("Please choose a flight in the list first."), kArchivesInfo, MsgIcon::Exclamation);
    return {};
  }
  const QString fileName = modStatusBar::FlightFileOfLine(item->text());
  if (fileName.isEmpty()) {
    MsgBox(QStringLiteral("The line '") + item->text().trimmed() + QStringLiteral("' names no flight file."),
           kArchivesInfo, MsgIcon::Exclamation);
    return {};
  }
  const QString path = modStatusBar::JoinPath(modStatusBar::JoinPath(modStatusBar::DataFolder, modStatusBar::UserID),
                                              fileName);
  if (!QFileInfo(path).isFile()) {
    MsgBox(QStringLiteral("The flight file '") + path + QStringLiteral("' does not exist."), kArchivesInfo,
           MsgIcon::Exclamation);
    return {};
  }
  return path;
}

void FrmArchives::openFlightWindow(QListWidgetItem* item) {
  const QString path = flightFileOf(item);
  if (!path.isEmpty()) flight_view::FlightWindow::open(path);
}

void FrmArchives::viewFlightFile(QListWidgetItem* item) {
  const QString path = flightFileOf(item);
  if (path.isEmpty()) return;
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  const ShownText read = readFileForDisplay(path);
  QGuiApplication::restoreOverrideCursor();
  if (read.status != ShownText::Shown) {
    MsgBox(QStringLiteral("The specified file is too large to display."), kProgramTitle, MsgIcon::Exclamation);
    return;
  }
  FrmListView& viewer = forms::get<FrmListView>();
  viewer.showFile(path, read.text);
  viewer.show();
  hide();
}

}  // namespace varnix::app
