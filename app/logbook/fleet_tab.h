// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook's Fleet tab: one row per aircraft of the data folder, each
// counted as its own logbook counts it (under its limits, with its
// acknowledged findings); a double-click asks for that aircraft's flights.
#pragma once

#include <QString>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "app/logbook/catalog_worker.h"
#include "store/fleet.h"

namespace varnix::app::logbook {

class FleetTab : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FleetTab(QWidget* parent);

  // The rows of the catalog's aircraft folders with a readable flight, as
  // the catalog worker counted them.
  void build(const CatalogSnapshot& snapshot);
  const std::vector<store::FleetRow>& rows() const { return rows_; }

 signals:
  void aircraftActivated(const QString& folder);

 private:
  void fill();

  std::vector<store::FleetRow> rows_;
  std::vector<QString> problems_;  // beside each row: its rules' problems, one a line
};

}  // namespace varnix::app::logbook
