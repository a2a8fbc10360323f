// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook's Findings tab: an aircraft's trend findings, then every
// finding of its flights (the acknowledged ones greyed, with their reasons);
// activating one asks for its flight at the finding's time.
#pragma once

#include <QTreeWidget>

#include "store/logbook.h"

namespace varnix::app::logbook {

class FindingsTab : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FindingsTab(QWidget* parent);

  // Lists the findings of `log` (none without one); the count listed.
  int show(const store::AircraftLog* log);

 signals:
  // `flightIndex` in the log's flights, `seconds` from the flight's start.
  void findingActivated(int flightIndex, double seconds);
};

}  // namespace varnix::app::logbook
