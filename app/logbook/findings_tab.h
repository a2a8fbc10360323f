// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook's Findings tab: an aircraft's trend findings, then every
// finding of its flights (the acknowledged ones greyed, with their reasons),
// grouped by issue (one kind on one channel): an issue seen on several
// flights is one row, its dates, flights and newest text, that opens to each
// flight's finding; an issue the maintenance log resolved says by what. Above
// them the maintenance log's figures: each entry's before and after, the oil
// used, the fuel flow's error. Activating a finding asks for its flight at its time.
#pragma once

#include <QTreeWidget>

#include "store/logbook.h"

namespace varnix::app::logbook {

class FindingsTab : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FindingsTab(QWidget* parent);

  // Lists the findings of `log` (none without one); the count of findings listed.
  int show(const store::AircraftLog* log);

 signals:
  // `flightIndex` in the log's flights, `seconds` from the flight's start.
  void findingActivated(int flightIndex, double seconds);
};

}  // namespace varnix::app::logbook
