// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flight/flight_chart.h"
#include "app/flight/summary_view.h"

#include <QDataStream>
#include <QKeyEvent>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <qcustomplot.h>

#include "flight/channels.h"
#include "render/chart_annotations.h"
#include "render/picture_export.h"

namespace varnix::app::flight_view {

namespace {

const QString kCursorLayer = QString::fromLatin1(render::kOverlayLayer);

// Replots after a resize on the next pass of the event loop, as after every
// other change: laying out a splitter of panels resizes each of them more
// than once, and QCustomPlot's immediate replot on each made opening a
// flight slow. `resized` hears the new width first.
// Ctrl+wheel zooms its value axes (`valueWheel` hears the steps and the
// pixel row); the wheel alone zooms time, as in every panel.
class PanelPlot : public QCustomPlot {
 public:
  PanelPlot(QWidget* parent, std::function<void(QCustomPlot*, int)> resized,
            std::function<void(QCustomPlot*, double, double)> valueWheel)
      : QCustomPlot(parent), resized_(std::move(resized)), valueWheel_(std::move(valueWheel)) {}

 protected:
  void resizeEvent(QResizeEvent* event) override {
    resized_(this, event->size().width());
    render::FitTicksToHeight(this, event->size().height());
    setViewport(rect());
    replot(rpQueuedReplot);
  }
  void wheelEvent(QWheelEvent* event) override {
    if (!(event->modifiers() & Qt::ControlModifier)) return QCustomPlot::wheelEvent(event);
    valueWheel_(this, event->angleDelta().y() / 120.0, event->position().y());
    event->accept();
  }

 private:
  std::function<void(QCustomPlot*, int)> resized_;
  std::function<void(QCustomPlot*, double, double)> valueWheel_;
};

}  // namespace

FlightChart::FlightChart(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setChildrenCollapsible(false);
  splitter_->setHandleWidth(5);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter_);
}

FlightChart::~FlightChart() = default;

void FlightChart::clear() {
  for (Panel& p : panels_) delete p.plot;
  panels_.clear();
}

double FlightChart::keyOfRow(std::size_t row) const { return flight_ ? render::KeyOfRow(*flight_, row) : 0; }

void FlightChart::buildPanels() {
  clear();
  // Laid out once, when it shows again, not once per panel added.
  splitter_->hide();
  for (const frontend::PanelPlan& plan : plans_) {
    const int index = static_cast<int>(panels_.size());
    auto* plot = new PanelPlot(
        splitter_, [this](QCustomPlot* self, int width) { panelResized(self, width); },
        [this, index](QCustomPlot*, double steps, double y) { zoomValues(index, std::pow(0.85, steps), y); });
    Panel p = render::BuildPanel(plot, *flight_, plan, render::RightMargin(plans_));
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot->axisRect()->setRangeDrag(Qt::Horizontal);
    plot->axisRect()->setRangeZoom(Qt::Horizontal);
    splitter_->addWidget(plot);
    splitter_->setStretchFactor(splitter_->count() - 1, plan.weight);
    panels_.push_back(p);
  }
  splitter_->show();
  for (Panel& p : panels_) {
    connect(p.plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, &FlightChart::onPanelRange);
    QCustomPlot* plot = p.plot;
    connect(plot, &QCustomPlot::mousePress, this, [this, plot](QMouseEvent* e) { mousePressed(plot, e); });
    connect(plot, &QCustomPlot::mouseMove, this, [this, plot](QMouseEvent* e) { mouseMoved(plot, e); });
    connect(plot, &QCustomPlot::mouseRelease, this, [this, plot](QMouseEvent* e) { mouseReleased(plot, e); });
    connect(plot, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { resetZoom(); });
    connect(plot, &QCustomPlot::legendClick, this,
            [this, plot](QCPLegend*, QCPAbstractLegendItem* item, QMouseEvent*) { legendClicked(plot, item); });
  }
  updateTimeLabels();
}

void FlightChart::setFlight(std::shared_ptr<const flight::Flight> flight, std::vector<frontend::PanelPlan> panels) {
  // Panels laid out for the flight's header while its rows were read are kept.
  const bool laidOut = !panels_.empty() && plans_ == panels;
  flight_ = std::move(flight);
  plans_ = std::move(panels);
  if (!laidOut) buildPanels();
  extremes_ = render::ChannelExtremes(*flight_);
  hidden_.clear();
  cursorRow_ = 0;
  ruler_[0].reset();
  ruler_[1].reset();
  const auto [first, last] = render::WholeRange(*flight_);
  syncing_ = true;  // each panel is set here
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    Panel& p = panels_[i];
    const frontend::PanelPlan& plan = plans_[i];
    LayOutComparison(p, comparison());
    fitValues(p);
    p.plot->xAxis->setRange(first, last);
    p.valueZoomed = false;
    for (std::size_t c = 0; c < p.channels.size(); ++c) render::ShowChannel(p, p.channels[c], true);
    render::FitPanel(p, *flight_, plan);
    fitValues(p);
    render::UseElapsedTime(p.plot, *flight_, elapsed_);
    // A panel already laid out (showing it in a visible window resizes it
    // at once) gets its points now, for this range; else they come with its
    // first width (panelResized).
    if (p.fedWidth > 0) feed(p, p.fedWidth);
    if (laidOut) p.plot->replot(QCustomPlot::rpQueuedReplot);
  }
  syncing_ = false;
  drawAnnotations();
  drawOverlay(false);  // the queued replots draw it
  emit timeRangeChanged();
}

void FlightChart::feed(Panel& p, int width) {
  render::FeedPanel(p, *flight_, width);
  if (compare_) FeedComparison(p, *flight_, *compare_, p.fedWidth);
}

void FlightChart::setComparison(std::optional<Comparison> c) {
  compare_ = std::move(c);
  if (!flight_) return;
  for (Panel& p : panels_) {
    LayOutComparison(p, comparison());
    if (p.fedWidth > 0) feed(p, p.fedWidth);
    p.plot->replot(QCustomPlot::rpQueuedReplot);
  }
}

void FlightChart::setAnnotations(std::vector<analysis::PhaseSpan> phases, std::vector<analysis::Finding> findings,
                                 const analysis::Limits& limits) {
  phases_ = std::move(phases);
  findings_ = std::move(findings);
  limits_ = limits;
  drawAnnotations();
  for (Panel& p : panels_) p.plot->replot(QCustomPlot::rpQueuedReplot);
}

void FlightChart::drawAnnotations() {
  if (!flight_ || !limits_ || flight_->rows() == 0) return;
  for (std::size_t i = 0; i < panels_.size(); ++i) render::DrawAnnotations(panels_[i].plot, *flight_, plans_[i], annotations());
}

render::ChartAnnotations FlightChart::annotations() const { return {phases_, findings_, limits_}; }

// A panel grown wider than its points were made for gets finer ones; a
// splitter moved up or down changes no width and costs no new points.
void FlightChart::panelResized(QCustomPlot* plot, int width) {
  for (Panel& p : panels_)
    if (p.plot == plot && width > p.fedWidth) feed(p, width);
}

void FlightChart::setPanelVisible(int i, bool visible) {
  panels_[static_cast<std::size_t>(i)].plot->setVisible(visible);
  updateTimeLabels();
}

bool FlightChart::panelVisible(int i) const { return !panels_[static_cast<std::size_t>(i)].plot->isHidden(); }

// Time labels only under the lowest visible panel.
void FlightChart::updateTimeLabels() {
  int last = -1;
  for (int i = 0; i < panelCount(); ++i)
    if (panelVisible(i)) last = i;
  for (int i = 0; i < panelCount(); ++i) {
    QCustomPlot* plot = panel(i);
    render::ShowTimeLabels(plot, i == last, elapsed_);
    // Its legend row and a plot to read; the lowest has the time axis too.
    // Eight panels of a twin still fit 720 px.
    plot->setMinimumHeight(i == last ? 100 : 64);
    if (plot->isVisible()) plot->replot(QCustomPlot::rpQueuedReplot);
  }
}

double FlightChart::rangeLower() const { return panels_.empty() ? 0 : panels_.front().plot->xAxis->range().lower; }
double FlightChart::rangeUpper() const { return panels_.empty() ? 0 : panels_.front().plot->xAxis->range().upper; }

void FlightChart::setTimeRange(double lower, double upper) {
  if (panels_.empty()) return;
  panels_.front().plot->xAxis->setRange(lower, upper);  // onPanelRange brings the others
}

void FlightChart::onPanelRange(const QCPRange& asked) {
  if (syncing_ || !flight_) return;
  syncing_ = true;
  // Never further out than the flight, never closer in than ten rows.
  const double first = keyOfRow(0), last = keyOfRow(flight_->rows() ? flight_->rows() - 1 : 0);
  const double full = std::max(last - first, 60.0);
  const double minimum = std::min(full, 10.0 * std::max(1, flight_->facts.interval));
  QCPRange range = asked;
  if (asked.size() < minimum || asked.size() > full || asked.lower < first || asked.upper > first + full) {
    const double size = std::clamp(asked.size(), minimum, full);
    const double lower = std::clamp(asked.center() - size / 2, first, std::max(first, first + full - size));
    range = QCPRange(lower, lower + size);
  }
  for (Panel& p : panels_) {
    if (p.plot->xAxis->range() != range) p.plot->xAxis->setRange(range);
    if (fitShown_) fitValues(p);
    if (p.fedWidth > 0) feed(p, p.fedWidth);  // else its first width feeds it
    // A panel not on screen yet draws when it is first laid out.
    if (p.plot->isVisible()) p.plot->replot(QCustomPlot::rpQueuedReplot);
  }
  syncing_ = false;
  emit timeRangeChanged();
}

void FlightChart::resetZoom() {
  if (!flight_ || panels_.empty()) return;
  for (Panel& p : panels_) {
    p.valueZoomed = false;
    fitValues(p);
    if (p.plot->isVisible()) p.plot->replot(QCustomPlot::rpQueuedReplot);
  }
  const double first = keyOfRow(0), last = keyOfRow(flight_->rows() ? flight_->rows() - 1 : 0);
  setTimeRange(first, std::max(last, first + 60.0));
}

void FlightChart::fitValues(Panel& p) {
  // Over the whole flight the visible graphs' extremes are those FitPanel
  // takes, but FitPanel counts hidden graphs too.
  render::FitValues(p, *flight_, extremes_, fitShown_);
  if (compare_) WidenForComparison(p, *flight_, *compare_, fitShown_);
}

void FlightChart::setFitShown(bool on) {
  fitShown_ = on;
  for (Panel& p : panels_) {
    fitValues(p);
    if (p.plot->isVisible()) p.plot->replot(QCustomPlot::rpQueuedReplot);
  }
}

void FlightChart::setElapsedTime(bool on) {
  elapsed_ = on;
  if (!flight_) return;
  for (Panel& p : panels_) render::UseElapsedTime(p.plot, *flight_, on);
  updateTimeLabels();
}

void FlightChart::zoomValues(int i, double factor, double y) {
  if (!flight_ || i < 0 || i >= panelCount()) return;
  Panel& p = panels_[static_cast<std::size_t>(i)];
  for (QCPAxis* axis : render::ValueAxes(p.plot)) {
    if (!axis->visible()) continue;
    const QCPRange r = axis->range();
    // About the value under the mouse; the middle when it is off the axis.
    const double at = axis->pixelToCoord(y);
    const double c = std::isfinite(at) && r.contains(at) ? at : r.center();
    axis->setRange(c + (r.lower - c) * factor, c + (r.upper - c) * factor);
  }
  p.valueZoomed = true;
  p.plot->replot(QCustomPlot::rpQueuedReplot);
}

bool FlightChart::channelShown(int channel) const {
  return std::find(hidden_.begin(), hidden_.end(), channel) == hidden_.end();
}

void FlightChart::setChannelShown(int channel, bool shown) {
  if (!flight_ || channel < 0 || static_cast<std::size_t>(channel) >= flight_->channels.size()) return;
  // A cylinder is one thing to the pilot: its EGT and CHT go together.
  const flight::Channel& asked = flight_->channels[static_cast<std::size_t>(channel)];
  std::vector<int> affected{channel};
  if (asked.cylinder > 0 && asked.kind != flight::ChannelKind::Tit)
    for (std::size_t c = 0; c < flight_->channels.size(); ++c) {
      const flight::Channel& k = flight_->channels[c];
      if (static_cast<int>(c) != channel && k.cylinder == asked.cylinder && k.engine == asked.engine &&
          k.kind != flight::ChannelKind::Tit)
        affected.push_back(static_cast<int>(c));
    }
  for (const int c : affected) {
    std::erase(hidden_, c);
    if (!shown) hidden_.push_back(c);
  }
  for (Panel& p : panels_) {
    for (const int c : affected) render::ShowChannel(p, c, shown);
    if (compare_ && p.fedWidth > 0) FeedComparison(p, *flight_, *compare_, p.fedWidth);  // B's lines follow
    fitValues(p);
    if (p.plot->isVisible()) p.plot->replot(QCustomPlot::rpQueuedReplot);
  }
}

void FlightChart::legendClicked(QCustomPlot* plot, QCPAbstractLegendItem* item) {
  auto* entry = qobject_cast<QCPPlottableLegendItem*>(item);
  if (!entry) return;
  for (const Panel& p : panels_) {
    if (p.plot != plot) continue;
    for (std::size_t g = 0; g < p.channels.size(); ++g)
      if (p.plot->graph(static_cast<int>(g)) == entry->plottable())
        return setChannelShown(p.channels[g], !channelShown(p.channels[g]));
  }
}

void FlightChart::zoom(double factor) {
  const double center = keyOfRow(cursorRow_);
  const double lower = rangeLower(), upper = rangeUpper();
  const double c = center >= lower && center <= upper ? center : (lower + upper) / 2;
  setTimeRange(c - (c - lower) * factor, c + (upper - c) * factor);
}

void FlightChart::pan(double fraction) {
  const double shift = (rangeUpper() - rangeLower()) * fraction;
  setTimeRange(rangeLower() + shift, rangeUpper() + shift);
}

void FlightChart::setCursorRow(std::size_t row) {
  if (!flight_ || flight_->rows() == 0) return;
  row = std::min(row, flight_->rows() - 1);
  if (row == cursorRow_) return;
  cursorRow_ = row;
  drawOverlay();
  emit cursorMoved(row);
}

std::optional<std::pair<std::size_t, std::size_t>> FlightChart::span() const {
  if (!ruler_[0] || !ruler_[1]) return std::nullopt;
  return std::make_pair(std::min(*ruler_[0], *ruler_[1]), std::max(*ruler_[0], *ruler_[1]));
}

void FlightChart::setRuler(std::size_t row) {
  if (ruler_[0] && ruler_[1]) clearRuler();
  ruler_[ruler_[0] ? 1 : 0] = row;
  drawOverlay();
  emit spanChanged();
}

void FlightChart::clearRuler() {
  ruler_[0].reset();
  ruler_[1].reset();
  drawOverlay();
  emit spanChanged();
}

// Cursor, ruler and span live on the buffered cursor layer: redrawing that
// layer alone leaves the series' pixels as they are.
void FlightChart::drawOverlay(bool redraw) {
  const render::Overlay overlay = shown().overlay;
  for (Panel& p : panels_) {
    render::PlaceOverlay(p, *flight_, overlay);
    if (redraw && p.plot->isVisible()) p.plot->layer(kCursorLayer)->replot();
  }
}

void FlightChart::mousePressed(QCustomPlot* plot, QMouseEvent* event) {
  setFocus();
  const double key = plot->xAxis->pixelToCoord(event->position().x());
  const std::size_t row = flight_->nearestRow(key - flight_->startOfDay);
  if (event->button() == Qt::LeftButton && event->modifiers() & Qt::ShiftModifier) {
    plot->setInteraction(QCP::iRangeDrag, false);
    setRuler(row);
    return;
  }
  // Right-drag or Ctrl+drag: a rubber band that zooms to the span it covers.
  if (event->button() == Qt::RightButton ||
      (event->button() == Qt::LeftButton && event->modifiers() & Qt::ControlModifier)) {
    plot->setInteraction(QCP::iRangeDrag, false);
    bandStart_ = key;
    bandEnd_ = key;
    drawOverlay();
  }
}

void FlightChart::mouseMoved(QCustomPlot* plot, QMouseEvent* event) {
  if (!flight_) return;
  const double key = plot->xAxis->pixelToCoord(event->position().x());
  if (bandStart_) bandEnd_ = key;
  const std::size_t row = flight_->nearestRow(key - flight_->startOfDay);
  if (row != cursorRow_)
    setCursorRow(row);
  else if (bandStart_)
    drawOverlay();
}

void FlightChart::mouseReleased(QCustomPlot* plot, QMouseEvent* event) {
  plot->setInteraction(QCP::iRangeDrag, true);
  if (!bandStart_) return;
  const double key = plot->xAxis->pixelToCoord(event->position().x());
  const double from = std::min(*bandStart_, key), to = std::max(*bandStart_, key);
  bandStart_.reset();
  drawOverlay();
  if (to - from > 0) setTimeRange(from, to);
}

void FlightChart::keyPressEvent(QKeyEvent* event) {
  if (!flight_) return QWidget::keyPressEvent(event);
  const bool shift = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      zoom(0.5);
      break;
    case Qt::Key_Minus:
      zoom(2.0);
      break;
    case Qt::Key_Home:
      resetZoom();
      break;
    case Qt::Key_Escape:
      clearRuler();
      break;
    case Qt::Key_PageUp:
      pan(-0.8);
      break;
    case Qt::Key_PageDown:
      pan(0.8);
      break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const bool back = event->key() == Qt::Key_Left;
      if (shift) {
        pan(back ? -0.2 : 0.2);
        break;
      }
      setCursorRow(back ? (cursorRow_ ? cursorRow_ - 1 : 0) : cursorRow_ + 1);
      // Keep the cursor in view.
      const double key = keyOfRow(cursorRow_);
      if (key < rangeLower() || key > rangeUpper()) {
        const double half = (rangeUpper() - rangeLower()) / 2;
        setTimeRange(key - half, key + half);
      }
      break;
    }
    default:
      return QWidget::keyPressEvent(event);
  }
  event->accept();
}

QByteArray FlightChart::saveLayout() const {
  QByteArray out;
  QDataStream s(&out, QIODevice::WriteOnly);
  QStringList hidden;
  for (int i = 0; i < panelCount(); ++i)
    if (!panelVisible(i)) hidden << QString::fromStdString(plans_[static_cast<std::size_t>(i)].key);
  s << splitter_->saveState() << hidden;
  return out;
}

void FlightChart::restoreLayout(const QByteArray& state) {
  QDataStream s(state);
  QByteArray splitterState;
  QStringList hidden;
  s >> splitterState >> hidden;
  if (s.status() != QDataStream::Ok) return;
  // The state of another flight's panel count would misplace the sizes.
  if (!splitterState.isEmpty()) splitter_->restoreState(splitterState);
  for (int i = 0; i < panelCount(); ++i) {
    const bool hide = hidden.contains(QString::fromStdString(plans_[static_cast<std::size_t>(i)].key));
    panel(i)->setVisible(!hide);
  }
  updateTimeLabels();
}

render::ChartOptions FlightChart::shown() const {
  render::ChartOptions o;
  o.range = std::make_pair(rangeLower(), rangeUpper());
  for (int i = 0; i < panelCount(); ++i)
    // As the window shows it when it is on screen; by weight when it is not.
    o.heights.push_back(!panelVisible(i) ? 0.0
                        : isVisible()    ? panel(i)->height()
                                         : plans_[static_cast<std::size_t>(i)].weight);
  o.fitShown = fitShown_;
  o.elapsed = elapsed_;
  o.hiddenChannels = hidden_;
  o.overlay.cursorRow = cursorRow_;
  o.overlay.ruler[0] = ruler_[0];
  o.overlay.ruler[1] = ruler_[1];
  if (bandStart_) o.overlay.band = std::make_pair(*bandStart_, bandEnd_);
  o.annotations = annotations();
  return o;
}

QImage FlightChart::picture(const QSize& size) const {
  if (!flight_) return {};
  return render::ChartImage({*flight_, plans_, shown()}, size);
}

}  // namespace varnix::app::flight_view
