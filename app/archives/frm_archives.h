// SPDX-License-Identifier: GPL-3.0-or-later
// The archive screen: files a dump that is already on disk into its user
// folder, expands it, lists its flights and shows any of them in the list
// viewer. The download road and the Palm screen reuse it, retitled, to list
// the files of an expansion they ran.
#pragma once

#include <QString>
#include <functional>

#include "app/shared/background_task.h"
#include "app/shared/forms.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QVBoxLayout;

namespace varnix::app {

class FolderBrowser;

class FrmArchives : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmArchives";

  FrmArchives();
  void load() override;

  FolderBrowser* browser() const { return browser_; }
  QListWidget* lstFiles() const { return lstFiles_; }
  QLabel* label1() const { return label1_; }
  // Under the list after a download: what is new (download/new_flights_panel.h
  // fills them); hidden until then.
  QLabel* newFlightsLine() const { return newFlights_; }
  QPushButton* openLogbookButton() const { return openLogbook_; }
  // Reads the new flights for those two; cancelled when the page goes.
  BackgroundTask& newFlightsTask() { return newFlightsTask_; }
  const QString& selectedFile() const { return selected_; }
  void setSelectedFile(const QString& path) { selected_ = path; }

  // "&Decompress", "Browse..." and a double-click on a line of lstFiles.
  void decompress();
  void browse();
  void viewFlightFile(QListWidgetItem* item);  // "Show as text": the raw text
  void openFlightWindow(QListWidgetItem* item);  // double-click or Enter: the charts

  // Replaces the standard open-file dialog of "Browse..." (tests); the
  // function gets the initial folder and returns the chosen file or "".
  void setOpenFileChooser(std::function<QString(const QString&)> chooser) { chooser_ = std::move(chooser); }

 private:
  // The flight file a line of lstFiles names; empty, after telling why, when none.
  QString flightFileOf(QListWidgetItem* item);
  void folderChanged();
  void addNewFlightsRow(QVBoxLayout* column);

  FolderBrowser* browser_ = nullptr;
  QListWidget* lstFiles_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* newFlights_ = nullptr;
  QPushButton* openLogbook_ = nullptr;
  QString selected_;
  std::function<QString(const QString&)> chooser_;
  BackgroundTask newFlightsTask_{this};
};

}  // namespace varnix::app
