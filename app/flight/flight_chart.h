// SPDX-License-Identifier: GPL-3.0-or-later
// The stacked chart panels of one flight on a shared time axis (clock time
// of day): zoom and pan move every panel together, a cursor line runs
// through all of them on its own buffered layer (moving it redraws no
// series), two ruler lines mark a span, MARK rows are shaded. The panels
// are the chart scene's (render/chart_scene.h); this widget stacks them
// in a splitter and adds the interactions.
#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/findings.h"
#include "analysis/flight_phases.h"
#include "analysis/limits.h"
#include "render/compare_overlay.h"
#include "render/chart_annotations.h"
#include "flight/flight.h"
#include "frontend/chart/panel_plan.h"
#include "render/chart_scene.h"

class QCustomPlot;
class QCPItemStraightLine;
class QCPItemRect;
class QSplitter;
class QCPRange;
class QCPAbstractLegendItem;

namespace varnix::app::flight_view {

using render::Comparison;

class FlightChart : public QWidget {
  Q_OBJECT

 public:
  explicit FlightChart(QWidget* parent = nullptr);
  ~FlightChart() override;

  // `flight` may be a header without rows: its panels are laid out, and kept
  // when the whole flight comes with the same panels.
  void setFlight(std::shared_ptr<const flight::Flight> flight, std::vector<frontend::PanelPlan> panels);
  const flight::Flight* flight() const { return flight_.get(); }
  const std::vector<frontend::PanelPlan>& plans() const { return plans_; }

  int panelCount() const { return static_cast<int>(panels_.size()); }
  QCustomPlot* panel(int i) const { return panels_[static_cast<std::size_t>(i)].plot; }
  void setPanelVisible(int i, bool visible);
  bool panelVisible(int i) const;

  // The shown time span, in seconds after midnight of the flight's first day.
  double rangeLower() const;
  double rangeUpper() const;
  void setTimeRange(double lower, double upper);
  void zoom(double factor);  // < 1 zooms in, about the cursor
  void pan(double fraction); // of the shown span; negative goes back
  void resetZoom();  // the whole flight, the value axes fitted again

  // Value axes fitted to the shown time range (else to the whole flight).
  void setFitShown(bool on);
  bool fitShown() const { return fitShown_; }
  // Elapsed time on the time axis (else clock time).
  void setElapsedTime(bool on);
  bool elapsedTime() const { return elapsed_; }
  // Ctrl+wheel: panel `i`'s value axes zoomed about pixel row `y` (< 1 zooms in).
  void zoomValues(int i, double factor, double y);
  // A channel's graph hidden or shown: a cylinder's in every panel at once.
  void setChannelShown(int channel, bool shown);
  bool channelShown(int channel) const;

  std::size_t cursorRow() const { return cursorRow_; }
  void setCursorRow(std::size_t row);
  // The ruler: two rows that mark a span, or none.
  std::optional<std::pair<std::size_t, std::size_t>> span() const;
  void setRuler(std::size_t row);  // first, then second line; a third starts again
  void clearRuler();

  // Splitter sizes and hidden panels, by panel key.
  QByteArray saveLayout() const;
  void restoreLayout(const QByteArray& state);

  // The chart scene as the window shows it: its range, the visible panels
  // in their heights, the cursor and the ruler; for pictures.
  render::ChartOptions shown() const;
  QImage picture(const QSize& size) const;
  // The phases, findings and limits set below.
  render::ChartAnnotations annotations() const;

  double keyOfRow(std::size_t row) const;

  // The phases as a strip along the foot of every panel, the findings' spans
  // along its top, and the limits as lines in the panels of their channels
  // (CHT, TIT, DIF, oil); kept when the panels are laid out again.
  void setAnnotations(std::vector<analysis::PhaseSpan> phases, std::vector<analysis::Finding> findings,
                      const analysis::Limits& limits);
  // A second flight drawn dashed over these panels; none stops comparing.
  void setComparison(std::optional<Comparison> comparison);
  const Comparison* comparison() const { return compare_ ? &*compare_ : nullptr; }

  // The layer they are drawn on, below the grid.
  static constexpr const char* kAnnotationLayer = render::kAnnotationLayer;

 signals:
  void cursorMoved(std::size_t row);
  void timeRangeChanged();
  void spanChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  using Panel = render::ScenePanel;

  void clear();
  void buildPanels();
  void feed(Panel& p, int width);  // A's points, then B's when comparing
  void panelResized(QCustomPlot* plot, int width);
  void onPanelRange(const QCPRange& range);
  void drawOverlay(bool redraw = true);
  void fitValues(Panel& p);
  void legendClicked(QCustomPlot* plot, QCPAbstractLegendItem* item);
  void updateTimeLabels();
  void drawAnnotations();
  void mousePressed(QCustomPlot* plot, QMouseEvent* event);
  void mouseMoved(QCustomPlot* plot, QMouseEvent* event);
  void mouseReleased(QCustomPlot* plot, QMouseEvent* event);

  std::shared_ptr<const flight::Flight> flight_;
  std::vector<frontend::PanelPlan> plans_;
  std::vector<Panel> panels_;
  std::vector<frontend::ValueExtremes> extremes_;  // per channel, for fitting the value axes
  std::vector<int> hidden_;                      // channels whose graphs are hidden
  bool fitShown_ = true;
  bool elapsed_ = false;
  QSplitter* splitter_ = nullptr;
  std::size_t cursorRow_ = 0;
  std::optional<std::size_t> ruler_[2];
  std::optional<double> bandStart_;
  double bandEnd_ = 0;
  bool syncing_ = false;
  std::vector<analysis::PhaseSpan> phases_;
  std::vector<analysis::Finding> findings_;
  std::optional<analysis::Limits> limits_;
  std::optional<Comparison> compare_;
};

}  // namespace varnix::app::flight_view
