// SPDX-License-Identifier: GPL-3.0-or-later
// The folder browser panel that the folder chooser, the archive screen, the
// Palm screen and the file viewer share: a drive list (Drive1), a folder
// list (Dir1) and, where the screen has one, a file list (File1) of the
// files that match the screen's pattern. The screen places the three
// controls in its own layout and reacts to the signals.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "app/data_folder/volumes.h"

class QComboBox;
class QListWidget;
class QWidget;

namespace varnix::app {

class FolderBrowser : public QObject {
  Q_OBJECT

 public:
  // `filePattern` such as "*.TXT;*.CSV"; empty for a panel without a file list.
  explicit FolderBrowser(QWidget* owner, const QString& filePattern = {});

  QComboBox* driveList() const { return drive_; }
  QListWidget* folderList() const { return dir_; }
  QListWidget* fileList() const { return file_; }  // nullptr without one

  // Replaces the system's drives or volumes (tests).
  void setVolumes(const QList<Volume>& volumes);
  const QList<Volume>& volumes() const { return volumes_; }

  // Opens on `folder`: the drive list on its drive, the folder list on it.
  // A folder that is not there opens its nearest existing parent, or the
  // home folder. Always announces the folder.
  void openOn(const QString& folder);

  // Moves the folder list; false when `folder` is no folder. Announces the
  // folder when it changed.
  bool setFolder(const QString& folder);
  // The folder list's path, with the system's separators.
  QString folder() const;

  // The user picks entry `index` of the drive list.
  void pickDrive(int index);

  // The path of `name` in the folder list's folder (no second separator
  // after a root folder).
  QString pathOf(const QString& name) const;

  // Lists the folder's files again.
  void refreshFiles();

 signals:
  void folderChanged(const QString& folder);
  void fileClicked(const QString& path);
  void fileDoubleClicked(const QString& path);

 private:
  void fillFolderList();
  void showDriveOf(const QString& path);

  QComboBox* drive_ = nullptr;
  QListWidget* dir_ = nullptr;
  QListWidget* file_ = nullptr;
  QStringList patterns_;
  QList<Volume> volumes_;
  QString folder_;  // with '/' separators
};

}  // namespace varnix::app
