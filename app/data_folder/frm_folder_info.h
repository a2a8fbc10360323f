// SPDX-License-Identifier: GPL-3.0-or-later
// The data folder dialog: shows the current data folder, takes a new one
// (typed, picked from the folders used before, or browsed), checks it,
// creates it when one level is missing, and applies it for good
// ("DataFolder.CFG") or until the program ends. "Close" records the folder
// in "FolderList.CFG".
#pragma once

#include "app/shared/forms.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace varnix::app {

class FrmFolderInfo : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmFolderInfo";

  FrmFolderInfo();
  void load() override;

  // 1 after a successful "Change Temporarily", 0 after "Change
  // Permanently"; lives as long as the program.
  static int temporaryFlag();
  static void setTemporaryFlag(int flag);

  QComboBox* newFolderBox() const { return combo_; }

 private:
  void apply(bool permanent);
  void browseClicked();
  void closeClicked();
  QString folderListPath() const;

  QLineEdit* current_ = nullptr;
  QLabel* mark_ = nullptr;
  QComboBox* combo_ = nullptr;
};

}  // namespace varnix::app
