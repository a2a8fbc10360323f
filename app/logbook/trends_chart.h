// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook's trends as small multiples over calendar time: a row of
// panels for the cruise CHT, one panel per cylinder, a row for the cruise
// EGT, and a row for the oil temperature, the oil pressure and the battery
// in cruise. A cylinder's panel draws its flights and its rolling median in
// its colour over the other cylinders' medians in grey, so a cylinder that
// leaves the pack shows at a glance. A twin shows one engine at a time (the
// Engine choice): twelve cylinders' panels at once would be too small to
// read at 1280×720. The Period choice shows the last 12 months up to the
// newest flight unless asked for more or less. No line crosses a gap of more
// than 60 days; hovering a
// point tells its flight, date and value, and the trend findings are marked
// on their panel. Clicking a point asks for that flight. Each entry of the
// maintenance log is a thin vertical line on the time axis, its tooltip the
// entry: one that names a cylinder on that cylinder's panels only, the
// others on the engine's and the aircraft's panels, beside the oil the
// engine uses (quarts per hour between oil entries).
#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "store/logbook.h"
#include "store/maintenance_log.h"
#include "store/trend_series.h"

class QComboBox;
class QCustomPlot;
class QCPAxisRect;
class QCPGraph;
class QLabel;
class QMouseEvent;

namespace varnix::app::logbook {

class TrendsChart : public QWidget {
  Q_OBJECT

 public:
  struct Panel {
    QString title;  // "C3 cruise CHT", "Oil pressure", ...
    flight::Engine engine = flight::Engine::Only;
    QCPAxisRect* rect = nullptr;
    const store::TrendSeries* series = nullptr;  // the one it highlights
    QCPGraph* median = nullptr;                   // its median line, NaN between segments
  };

  explicit TrendsChart(QWidget* parent = nullptr);
  // The aircraft's flights and its maintenance log, and their trend series
  // (BuildTrendSeries of `log` and its maintenance entries, built off the GUI
  // thread by whoever passes them).
  void setLog(std::shared_ptr<const store::AircraftLog> log, std::shared_ptr<const store::AircraftTrends> trends);
  // The entries marked on `panel`, as it shows them.
  std::vector<const store::MaintenanceEntry*> entriesOn(const Panel& panel) const;
  // Where `entry`'s line is drawn on `panel`, in the plot's pixels (its x).
  double entryPosition(const Panel& panel, const store::MaintenanceEntry& entry) const;
  // The engine shown (an index of engines()); a single engine has one.
  void setEngine(int index);
  // The period shown: the last `days` days up to the newest flight; 0 for
  // every flight. The choices are those of periodDays().
  void setPeriodDays(int days);
  static const std::vector<int>& periodDays();
  const std::vector<flight::Engine>& engines() const { return trends_->engines; }
  QCustomPlot* plot() const { return plot_; }
  int seriesCount() const;
  const std::vector<Panel>& panels() const { return panels_; }
  // Where value `index` of `panel` is drawn, in the plot's pixels.
  QPointF pointPosition(const Panel& panel, std::size_t index) const;
  // What the tooltip says at `pos` (the plot's pixels); empty away from a point.
  QString toolTipAt(QPoint pos) const;

 signals:
  void flightClicked(int flightIndex);  // a row of the log's flights

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Hit {
    const Panel* panel = nullptr;
    std::size_t index = 0;
  };
  Hit hitAt(QPoint pos) const;
  // The entries whose line is within reach of `pos`, on the panel under it.
  std::vector<const store::MaintenanceEntry*> entriesAt(QPoint pos) const;
  void rebuild();

  QComboBox* engine_ = nullptr;
  QComboBox* period_ = nullptr;
  QLabel* legend_ = nullptr;
  QCustomPlot* plot_ = nullptr;
  std::shared_ptr<const store::AircraftLog> log_;
  std::shared_ptr<const store::AircraftTrends> trends_ = std::make_shared<const store::AircraftTrends>();
  std::vector<Panel> panels_;
};

}  // namespace varnix::app::logbook
