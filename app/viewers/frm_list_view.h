// SPDX-License-Identifier: GPL-3.0-or-later
// The list viewer: shows one flight file that the archive screen picked;
// closing it brings the archive screen back.
#pragma once

#include "app/shared/forms.h"

class QLabel;
class QPlainTextEdit;

namespace varnix::app {

class FrmListView : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmListView";

  FrmListView();
  void load() override;

  // The archive screen hands over the file's path and its text.
  void showFile(const QString& path, const QString& text);

 protected:
  void closedByFrame() override;

 private:
  void closeClicked();

  QLabel* fileName_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace varnix::app
