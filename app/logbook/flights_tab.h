// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook's Flights tab: an aircraft's flights as a sortable table, the
// typed filter above it, "With findings" and the totals of the shown rows
// under it, and the shown rows as CSV text.
#pragma once

#include <QModelIndexList>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "store/logbook.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QTableView;

namespace varnix::app::logbook {

class FlightsFilter;
class LogbookModel;

class FlightsTab : public QWidget {
  Q_OBJECT

 public:
  explicit FlightsTab(QWidget* parent);

  void setLog(std::shared_ptr<const store::AircraftLog> log);

  QTableView* table() const { return table_; }
  QSortFilterProxyModel* proxy() const;
  QCheckBox* withFindingsBox() const { return withFindings_; }
  QLabel* totalsLine() const { return totals_; }
  // The selected rows, in the table's order of selection.
  QModelIndexList selectedRows() const;
  // The log's index of the current row's flight, the first row's without one.
  int currentFlight() const;
  // The table's row of the first shown flight with one of `files` (paths
  // relative to the data folder); -1 without one.
  int rowOfFlightWith(const QStringList& files) const;
  // Selects the table's row `row` and scrolls to it.
  void selectRow(int row);

  // The shown rows (filtered, in their order) as CSV text, the column titles first.
  QString shownCsv() const;
  // Writes shownCsv() whole to `path`; an existing file is replaced only
  // with `replace`. The problem for a message, empty when written.
  QString writeShownCsv(const QString& path, bool replace) const;

 signals:
  void flightActivated(int flightIndex);  // in the log's flights
  void selectionChanged();

 private:
  void showTotals();

  std::shared_ptr<const store::AircraftLog> log_;
  QLineEdit* filter_ = nullptr;
  QTableView* table_ = nullptr;
  LogbookModel* model_ = nullptr;
  FlightsFilter* filterModel_ = nullptr;
  QCheckBox* withFindings_ = nullptr;
  QLabel* totals_ = nullptr;
};

}  // namespace varnix::app::logbook
