// SPDX-License-Identifier: GPL-3.0-or-later
// The main menu: one picture button per screen, each with a label that
// names its action. Closing it ends the program.
#pragma once

#include "shared/forms.h"

class QGridLayout;
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
  QPushButton* download_ = nullptr;
};

}  // namespace varnix::app
