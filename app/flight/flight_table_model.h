// SPDX-License-Identifier: GPL-3.0-or-later
// Every row and column of a flight for a table view, read straight from the
// flight's columns; cells take the colour of their channel's series.
#pragma once

#include <QAbstractTableModel>
#include <memory>

#include "flight/flight.h"

namespace varnix::app::flight_view {

class FlightTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit FlightTableModel(std::shared_ptr<const flight::Flight> flight, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  std::shared_ptr<const flight::Flight> flight_;
  std::vector<QColor> colors_;
};

}  // namespace varnix::app::flight_view
