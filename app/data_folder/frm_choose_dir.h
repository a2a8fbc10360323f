// SPDX-License-Identifier: GPL-3.0-or-later
// The folder chooser: browses drives and folders, creates a folder, and
// hands the chosen path to the data folder dialog's new-folder box.
#pragma once

#include "app/shared/forms.h"

class QLineEdit;

namespace varnix::app {

class FolderBrowser;

class FrmChooseDir : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmChooseDir";

  FrmChooseDir();
  void load() override;

  FolderBrowser* browser() const { return browser_; }

 private:
  void newFolderClicked();
  void okClicked();
  void cancelClicked();

  FolderBrowser* browser_ = nullptr;
  QLineEdit* path_ = nullptr;
};

}  // namespace varnix::app
