// SPDX-License-Identifier: GPL-3.0-or-later
// The main menu: one picture button per screen, each with a label that
// names its action and clicks it too, and the current data folder.
// Closing it ends the program.
#pragma once

#include "app/shared/forms.h"

class QGridLayout;
class QLabel;
class QPushButton;

namespace varnix::app {

class FrmVarnix : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmVarnix";

  FrmVarnix();
  void load() override;
  void focusDownload();

 protected:
  void closedByFrame() override;
  void activate() override;

 public:
  // What the Logbook entry does (`Varnix --logbook` starts there).
  void openLogbook() { logbookClicked(); }

 private:
  QPushButton* addAction(const char* button, const char* picture, const QString& label);

  void downloadClicked();
  void viewFileClicked();
  void logbookClicked();
  void palmClicked();
  void archiveClicked();
  void selectPortClicked();
  void changeDataDirClicked();
  void exitClicked();

  QGridLayout* grid_ = nullptr;
  int rows_ = 0;
  // The current data folder, under the menu.
  void showDataFolder();

  QPushButton* download_ = nullptr;
  QLabel* dataFolder_ = nullptr;
  QObject* labelClicks_ = nullptr;
};

}  // namespace varnix::app
