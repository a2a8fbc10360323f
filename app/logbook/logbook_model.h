// SPDX-License-Identifier: GPL-3.0-or-later
// The flights of one aircraft for the logbook's table: one row per flight
// (newest first), the columns of the logbook; sorting uses the numbers
// behind the text (Qt::UserRole).
#pragma once

#include <QAbstractTableModel>

#include "store/logbook.h"

namespace varnix::app::logbook {

class LogbookModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { Date, Flight, Duration, Interval, HottestEgt, HottestCht, MaxDif, Cooling, MinBat, Fuel, MagCheck, Findings,
                File,
                ColumnCount };
  static constexpr int kSortRole = Qt::UserRole;
  static constexpr int kFlightIndexRole = Qt::UserRole + 1;  // the row in the log's flights

  explicit LogbookModel(QObject* parent = nullptr);
  void setLog(std::shared_ptr<const store::AircraftLog> log);
  const store::AircraftLog* log() const { return log_.get(); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  std::shared_ptr<const store::AircraftLog> log_;
};

// "1.25 h" style texts shared by the logbook's views.
QString figureText(const analysis::Figure& f, int decimals = 0);

}  // namespace varnix::app::logbook
