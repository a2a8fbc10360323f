// SPDX-License-Identifier: GPL-3.0-or-later
// The Palm screen: lists the Palm backup files of a folder; a double-click
// converts one into a dump, files it in its user folder, expands it and
// shows its flights on the archive screen.
#pragma once

#include "app/shared/forms.h"

class QListWidget;
class QListWidgetItem;

namespace varnix::app {

class FolderBrowser;

class FrmPalm : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmPalm";

  FrmPalm();
  // Opens on the remembered Backup folder (or the data folder) and shows
  // the screen.
  void load() override;

  FolderBrowser* browser() const { return browser_; }
  QListWidget* lstPalmFiles() const { return list_; }

  // A double-click on an entry of the list.
  void convert(QListWidgetItem* item);

 private:
  void rebuildList();

  FolderBrowser* browser_ = nullptr;
  QListWidget* list_ = nullptr;
};

}  // namespace varnix::app
