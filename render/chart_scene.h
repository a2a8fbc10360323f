// SPDX-License-Identifier: GPL-3.0-or-later
// The chart scene of one flight: its panels (frontend/chart PanelPlan)
// stacked on one time axis of clock time, each with its axes, lines,
// legend, MARK shading and the cursor and ruler items. The flight window
// shows these panels and adds its interactions; the picture export, the
// report and varnix-cli chart paint the same scene with PaintChart, so
// screen and paper are drawn by one code.
#pragma once

#include <QRectF>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flight/flight.h"
#include "frontend/chart/panel_plan.h"
#include "frontend/chart/value_extremes.h"
#include "render/chart_annotations.h"

class QCustomPlot;
class QCPItemStraightLine;
class QCPItemRect;
class QCPPainter;
class QCPAxis;

namespace varnix::render {

struct Comparison;  // render/compare_overlay.h

// QCustomPlot's own buffered top layer, where the cursor and ruler live:
// redrawing it alone leaves the series' pixels as they are.
inline constexpr const char* kOverlayLayer = "overlay";

// One panel: its plot and the items the cursor and ruler draw with.
struct ScenePanel {
  QCustomPlot* plot = nullptr;
  QCPItemStraightLine* cursor = nullptr;
  QCPItemStraightLine* ruler[2] = {nullptr, nullptr};
  QCPItemRect* spanRect = nullptr;
  QCPItemRect* band = nullptr;  // the rubber band while it is dragged
  std::vector<int> channels;     // of its graphs, in graph order
  int fedWidth = 0;              // the pixel columns its graphs were fed for
  bool valueZoomed = false;      // its value axes zoomed by hand: no fitting until reset
};

// The key of `row` on the time axis: seconds after midnight of the
// flight's first day (the last row for a row beyond the end).
double KeyOfRow(const flight::Flight& f, std::size_t row);
// The whole flight, at least a minute.
std::pair<double, double> WholeRange(const flight::Flight& f);

// Lays out `plot` as the panel of `plan`: axes, clock ticks, legend and
// title, one graph per channel (its points come from FeedPanel), and the
// overlay's items.
// `rightMargin`: RightMargin of all the panels shown, so their time axes line up.
ScenePanel BuildPanel(QCustomPlot* plot, const flight::Flight& f, const frontend::PanelPlan& plan, int rightMargin);
int RightMargin(const std::vector<frontend::PanelPlan>& plans);
// A panel's value axes: left, right and a third one where it has it.
std::vector<QCPAxis*> ValueAxes(QCustomPlot* plot);
// The value axes fitted to the whole flight, the MARK rows shaded.
void FitPanel(const ScenePanel& p, const flight::Flight& f, const frontend::PanelPlan& plan);
// Per channel of `f`, the extremes of its values (made once per flight).
std::vector<frontend::ValueExtremes> ChannelExtremes(const flight::Flight& f);
// Each value axis fitted, with a little headroom, to its shown graphs'
// values: over the shown time range, or the whole flight when `shownRange`
// is false. A panel zoomed by hand keeps its value ranges.
void FitValues(const ScenePanel& p, const flight::Flight& f, const std::vector<frontend::ValueExtremes>& extremes,
               bool shownRange);
// As many value ticks as `height` pixels hold without their labels touching.
void FitTicksToHeight(QCustomPlot* plot, int height);
// Hides or shows the graph of `channel`, its legend entry greyed while hidden.
void ShowChannel(ScenePanel& p, int channel, bool shown);
// Time axis labels as elapsed time from the flight's first row, or clock time.
void UseElapsedTime(QCustomPlot* plot, const flight::Flight& f, bool elapsed);
// The graphs' points for the shown range, as many as `width` pixel columns show.
void FeedPanel(ScenePanel& p, const flight::Flight& f, int width);
// Time labels go under the lowest shown panel only.
void ShowTimeLabels(QCustomPlot* plot, bool shown, bool elapsed = false);


// Where the cursor, the ruler's lines and the rubber band are.
struct Overlay {
  std::size_t cursorRow = 0;
  std::optional<std::size_t> ruler[2];
  std::optional<std::pair<double, double>> band;  // keys
};
void PlaceOverlay(ScenePanel& p, const flight::Flight& f, const Overlay& overlay);

struct ChartOptions {
  std::optional<std::pair<double, double>> range;  // keys; the whole flight when unset
  // Per panel, its share of the height (0 hides it); by the plans' weights when empty.
  std::vector<double> heights;
  Overlay overlay;
  bool fitShown = false;       // value axes fitted to the range, not the whole flight
  bool elapsed = false;        // elapsed time on the time axis
  std::vector<int> hiddenChannels;
  bool cursor = false;         // the overlay's cursor, ruler and band drawn
  ChartAnnotations annotations;  // phases, findings' spans and limit lines, where the screen has them
  std::string title;           // lines above the panels ('\n' between them); none when empty
  // Flight B drawn dashed over the panels, as the flight window draws it; none when unset.
  std::shared_ptr<const Comparison> comparison;
};

// The picture's title line: aircraft, flight, date and start.
std::string PictureTitle(const flight::Flight& f);

// The panels stacked into `rect` on a white ground. QCustomPlot draws
// through its own painter class, a QPainter.
void PaintChart(QCPPainter& painter, const QRectF& rect, const flight::Flight& f,
                const std::vector<frontend::PanelPlan>& panels, const ChartOptions& options = {});

}  // namespace varnix::render
