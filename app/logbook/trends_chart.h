// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook's trends: per flight over calendar time, the max CHT and the
// cruise EGT of every cylinder (coloured as in the flight window), the max
// DIF, the fuel used per hour and the lowest battery voltage, in stacked
// panels on one date axis. Clicking a point asks for that flight.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "store/logbook.h"

class QCustomPlot;
class QCPAbstractPlottable;
class QMouseEvent;

namespace varnix::app::logbook {

class TrendsChart : public QWidget {
  Q_OBJECT

 public:
  explicit TrendsChart(QWidget* parent = nullptr);
  void setLog(std::shared_ptr<const flight::AircraftLog> log);
  QCustomPlot* plot() const { return plot_; }
  int seriesCount() const;

 signals:
  void flightClicked(int flightIndex);  // a row of the log's flights

 private:
  void clicked(QCPAbstractPlottable* plottable, int dataIndex, QMouseEvent* event);

  QCustomPlot* plot_ = nullptr;
  std::shared_ptr<const flight::AircraftLog> log_;
  // Per graph, the flight of each of its points.
  std::vector<std::pair<QCPAbstractPlottable*, std::vector<int>>> points_;
};

}  // namespace varnix::app::logbook
