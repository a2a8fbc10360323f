// SPDX-License-Identifier: GPL-3.0-or-later
// The Maintenance editor: an aircraft's maintenance log (maintenance.csv in
// its folder) as a table to add to, edit and remove from. Each value is
// checked as it is typed, by the library's own reading of an entry: a wrong
// one is marked, its reason shown under the table, and OK stays disabled.
// OK saves through the library's writer (whole or not at all) on a worker
// thread and closes when it wrote; a file that holds a line that cannot be
// read back is named and never saved.
#pragma once

#include <QDialog>
#include <QRect>
#include <QString>
#include <string>
#include <vector>

#include "app/shared/background_task.h"
#include "store/maintenance_log.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace varnix::app::logbook {

class MaintenanceEditor : public QDialog {
  Q_OBJECT

 public:
  // The table's columns, as the file's.
  enum Column { Date, Tach, Kind, Engine, Cylinder, Quantity, Unit, Text, Columns };

  // `file`: what ReadMaintenance read from `aircraftFolder`.
  MaintenanceEditor(QWidget* parent, const QString& aircraft, std::string aircraftFolder, store::MaintenanceFile file);

  QTableWidget* table() const { return table_; }
  QPushButton* okButton() const { return ok_; }
  QLabel* problemLine() const { return problem_; }
  // The cell's editor: a QLineEdit, or a QComboBox for the kind, engine and unit.
  QWidget* cell(int row, Column column) const;
  // A new entry at the end (today, `other`), and the selected rows removed.
  void addEntry();
  void removeSelected();
  // Sizes the dialog for a screen whose available area is `area`: as large
  // as its entries need, never larger than the area with a title bar.
  void fitInto(const QRect& area);
  // The entries as the table holds them (those read keep their line).
  const std::vector<store::MaintenanceEntry>& entries() const { return entries_; }

 signals:
  void saved();  // the file holds entries() now

 private:
  void addRow(const store::MaintenanceFields& fields);
  void offerUnits(int row);
  void check();
  void save();
  void restoreSize();

  std::string folder_;
  bool damaged_ = false;  // the file read holds a line that cannot be read back
  QString damage_;        // the library's words for it
  bool busy_ = false;     // a save is on its way
  std::vector<store::MaintenanceEntry> entries_;
  QTableWidget* table_ = nullptr;
  QLabel* problem_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* remove_ = nullptr;
  BackgroundTask saving_{this};
};

}  // namespace varnix::app::logbook
