// SPDX-License-Identifier: GPL-3.0-or-later
// The file viewer: browse to a .TXT or .CSV file and show it whole.
#pragma once

#include "app/shared/forms.h"

class QLabel;
class QPlainTextEdit;

namespace varnix::app {

class FolderBrowser;

class FrmViewFileNew : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmViewFileNew";

  FrmViewFileNew();
  void load() override;

  FolderBrowser* browser() const { return browser_; }
  const QString& selectedFile() const { return selected_; }
  // What the text box was last given (lines each ended by CR LF).
  const QString& shownText() const { return shown_; }

  void display();

 private:
  void folderChanged();
  void closeFile();

  FolderBrowser* browser_ = nullptr;
  QLabel* shownPath_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QString selected_;
  QString shown_;
};

}  // namespace varnix::app
