// SPDX-License-Identifier: GPL-3.0-or-later
#include "flight/flight_chart.h"

#include <QDataStream>
#include <QKeyEvent>
#include <QSplitter>
#include <QVBoxLayout>
#include <cmath>
#include <functional>
#include <limits>
#include <qcustomplot.h>

#include "flight/channels.h"
#include "flight/flight_colors.h"
#include "frontend/chart/plot_points.h"

namespace varnix::app::flight_view {

namespace {

constexpr int kLeftMargin = 84;   // the same in every panel, so their time axes line up
constexpr int kRightMargin = 84;
constexpr double kDay = 86400.0;
constexpr int kLeastFeedWidth = 640;  // before a panel is laid out its width says little
// QCustomPlot's own buffered top layer: the cursor shares its buffer, so a
// panel keeps two paint buffers, not three.
const QString kCursorLayer = QStringLiteral("overlay");
const QString kMarksLayer = QStringLiteral("marks");

// Clock time of day; the flight's keys run on past midnight.
class ClockTicker : public QCPAxisTickerTime {
 public:
  ClockTicker() { setTimeFormat(QStringLiteral("%h:%m")); }

 protected:
  QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override {
    return QCPAxisTickerTime::getTickLabel(std::fmod(tick, kDay), locale, formatChar, precision);
  }
};

// Short, so that it fits beside a low panel: the unit, after the channel's
// name when the axis has one channel ("BAT V", "RPM", "°F").
QString axisLabel(const flight::Flight& f, const std::vector<int>& channels, const std::string& unit) {
  const QString u = QString::fromStdString(unit);
  if (channels.size() != 1) return u;
  const QString name = QString::fromStdString(f.channels[static_cast<std::size_t>(channels.front())].name);
  return u.isEmpty() || u == name ? name : name + QLatin1Char(' ') + u;
}

// Replots after a resize on the next pass of the event loop, as after every
// other change: laying out a splitter of panels resizes each of them more
// than once, and QCustomPlot's immediate replot on each made opening a
// flight slow. `resized` hears the new width first.
class PanelPlot : public QCustomPlot {
 public:
  PanelPlot(QWidget* parent, std::function<void(QCustomPlot*, int)> resized)
      : QCustomPlot(parent), resized_(std::move(resized)) {}

 protected:
  void resizeEvent(QResizeEvent* event) override {
    resized_(this, event->size().width());
    setViewport(rect());
    replot(rpQueuedReplot);
  }

 private:
  std::function<void(QCustomPlot*, int)> resized_;
};

// The whole flight's values of `channels`, with a margin above and below.
void fitValueAxis(QCPAxis* axis, const flight::Flight& f, const std::vector<int>& channels) {
  float low = std::numeric_limits<float>::infinity(), high = -low;
  for (const int c : channels)
    for (const float v : f.column(static_cast<std::size_t>(c))) {
      low = std::min(low, v);  // NaN loses both comparisons
      high = std::max(high, v);
    }
  if (low > high) return;  // no values at all
  const double pad = high > low ? (high - low) * 0.06 : 1.0;
  axis->setRange(low - pad, high + pad);
}

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

double FlightChart::keyOfRow(std::size_t row) const {
  if (!flight_) return 0;
  if (flight_->rows() == 0) return flight_->startOfDay;
  return flight_->startOfDay + flight_->seconds[std::min(row, flight_->rows() - 1)];
}

void FlightChart::buildPanels() {
  clear();
  // Laid out once, when it shows again, not once per panel added.
  splitter_->hide();
  for (const flight::PanelPlan& plan : plans_) {
    Panel p;
    p.plot = makePanel(plan);
    p.channels = plan.left;
    p.channels.insert(p.channels.end(), plan.right.begin(), plan.right.end());
    splitter_->addWidget(p.plot);
    splitter_->setStretchFactor(splitter_->count() - 1, plan.weight);
    panels_.push_back(p);
  }
  splitter_->show();
  for (Panel& p : panels_) {
    QCPLayer* layer = p.plot->layer(kCursorLayer);
    p.cursor = new QCPItemStraightLine(p.plot);
    p.cursor->setLayer(layer);
    p.cursor->setPen(QPen(QColor(0xC0, 0x00, 0x00), 1));
    for (auto*& r : p.ruler) {
      r = new QCPItemStraightLine(p.plot);
      r->setLayer(layer);
      r->setPen(QPen(QColor(0x40, 0x40, 0x40), 1, Qt::DashDotLine));
      r->setVisible(false);
    }
    for (auto** rect : {&p.spanRect, &p.band}) {
      *rect = new QCPItemRect(p.plot);
      (*rect)->setLayer(layer);
      (*rect)->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
      (*rect)->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
      (*rect)->setPen(Qt::NoPen);
      (*rect)->setVisible(false);
    }
    p.spanRect->setBrush(QColor(0x00, 0x72, 0xB2, 28));
    p.band->setBrush(QColor(0x80, 0x80, 0x80, 60));
    for (QCPItemStraightLine* line : {p.cursor, p.ruler[0], p.ruler[1]}) {
      line->point1->setTypeY(QCPItemPosition::ptAxisRectRatio);
      line->point2->setTypeY(QCPItemPosition::ptAxisRectRatio);
    }
    connect(p.plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, &FlightChart::onPanelRange);
    QCustomPlot* plot = p.plot;
    connect(plot, &QCustomPlot::mousePress, this, [this, plot](QMouseEvent* e) { mousePressed(plot, e); });
    connect(plot, &QCustomPlot::mouseMove, this, [this, plot](QMouseEvent* e) { mouseMoved(plot, e); });
    connect(plot, &QCustomPlot::mouseRelease, this, [this, plot](QMouseEvent* e) { mouseReleased(plot, e); });
    connect(plot, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { resetZoom(); });
  }
  updateTimeLabels();
}

void FlightChart::setFlight(std::shared_ptr<const flight::Flight> flight, std::vector<flight::PanelPlan> panels) {
  // Panels laid out for the flight's header while its rows were read are kept.
  const bool laidOut = !panels_.empty() && plans_ == panels;
  flight_ = std::move(flight);
  plans_ = std::move(panels);
  if (!laidOut) buildPanels();
  cursorRow_ = 0;
  ruler_[0].reset();
  ruler_[1].reset();
  const double first = keyOfRow(0), last = std::max(keyOfRow(flight_->rows() ? flight_->rows() - 1 : 0), first + 60);
  syncing_ = true;  // each panel is set here
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    Panel& p = panels_[i];
    const flight::PanelPlan& plan = plans_[i];
    p.plot->xAxis->setRange(first, last);
    fitValueAxis(p.plot->yAxis, *flight_, plan.left);
    if (!plan.right.empty()) fitValueAxis(p.plot->yAxis2, *flight_, plan.right);
    addMarks(p.plot);
    // A panel already laid out (showing it in a visible window resizes it
    // at once) gets its points now, for this range; else they come with its
    // first width (panelResized) or a picture's (render).
    if (p.fedWidth > 0) feed(p, p.fedWidth);
    if (laidOut) p.plot->replot(QCustomPlot::rpQueuedReplot);
  }
  syncing_ = false;
  drawOverlay(false);  // the queued replots draw it
  emit timeRangeChanged();
}

QCustomPlot* FlightChart::makePanel(const flight::PanelPlan& plan) {
  const flight::Flight& f = *flight_;
  auto* plot = new PanelPlot(splitter_, [this](QCustomPlot* self, int width) { panelResized(self, width); });
  plot->setObjectName(QString::fromStdString(plan.key));
  plot->setMinimumHeight(90);
  plot->setNoAntialiasingOnDrag(true);
  plot->setPlottingHint(QCP::phFastPolylines, true);
  plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  QCPAxisRect* rect = plot->axisRect();
  rect->setRangeDrag(Qt::Horizontal);
  rect->setRangeZoom(Qt::Horizontal);
  rect->setAutoMargins(QCP::msTop | QCP::msBottom);
  rect->setMargins(QMargins(kLeftMargin, 0, kRightMargin, 0));
  plot->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new ClockTicker));
  plot->addLayer(kMarksLayer, plot->layer(QStringLiteral("grid")), QCustomPlot::limBelow);
  plot->layer(kCursorLayer)->setMode(QCPLayer::lmBuffered);

  QFont small = plot->font();
  small.setPointSizeF(8);
  for (QCPAxis* axis : {plot->xAxis, plot->yAxis, plot->yAxis2}) {
    axis->setTickLabelFont(small);
    axis->setLabelFont(small);
  }

  // The graphs get their points from feed(), for the range shown.
  auto addGraph = [&](int channel, QCPAxis* valueAxis) {
    const flight::Channel& ch = f.channels[static_cast<std::size_t>(channel)];
    QCPGraph* g = plot->addGraph(plot->xAxis, valueAxis);
    g->setName(QString::fromStdString(ch.name));
    g->setPen(channelPen(ch));
  };
  for (int c : plan.left) addGraph(c, plot->yAxis);
  for (int c : plan.right) addGraph(c, plot->yAxis2);
  plot->yAxis->setLabel(axisLabel(f, plan.left, plan.leftUnit));
  if (!plan.right.empty()) {
    plot->yAxis2->setVisible(true);
    plot->yAxis2->setLabel(axisLabel(f, plan.right, plan.rightUnit));
  }

  // The legend in a row of its own above the axes, one entry per channel.
  plot->legend->setVisible(true);
  plot->legend->setFont(small);
  plot->legend->setBorderPen(Qt::NoPen);
  plot->legend->setBrush(Qt::NoBrush);
  plot->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  plot->legend->setWrap(14);
  plot->legend->setRowSpacing(0);
  plot->legend->setColumnSpacing(8);
  plot->legend->setIconSize(18, 8);
  plot->legend->setIconTextPadding(3);
  plot->legend->setMargins(QMargins(0, 0, 0, 0));
  plot->axisRect()->insetLayout()->take(plot->legend);
  plot->plotLayout()->insertRow(0);
  auto* title = new QCPTextElement(plot, QString::fromStdString(plan.title), QFont(small.family(), 9, QFont::Bold));
  title->setMargins(QMargins(0, 0, 10, 0));
  auto* top = new QCPLayoutGrid;
  plot->plotLayout()->addElement(0, 0, top);
  top->addElement(0, 0, title);
  top->addElement(0, 1, plot->legend);
  top->addElement(0, 2, new QCPLayoutElement(plot));  // takes the rest, so the legend stays compact
  top->setColumnStretchFactor(0, 0.001);
  top->setColumnStretchFactor(1, 0.001);
  top->setColumnStretchFactor(2, 1);
  top->setMargins(QMargins(8, 2, kRightMargin, 0));
  plot->plotLayout()->setRowStretchFactor(0, 0.001);
  plot->plotLayout()->setRowSpacing(0);
  return plot;
}

// A graph holds only what its panel's width can show of the shown range
// (flight::PlotPoints): far less memory than every row of every channel, and
// a replot that does not grow with the flight. `width` is in pixels; the
// whole widget's, a little more than its axis rect's.
void FlightChart::feed(Panel& p, int width) {
  const flight::Flight& f = *flight_;
  width = std::max(width, kLeastFeedWidth);
  const QCPRange range = p.plot->xAxis->range();
  // One row beyond each edge, so that the lines run on to the axes.
  const std::size_t first = f.rowAt(range.lower - f.startOfDay);
  const std::size_t last = f.rowAt(range.upper - f.startOfDay) + 1;
  std::vector<flight::PlotPoint> points;
  QVector<QCPGraphData> data;
  for (std::size_t g = 0; g < p.channels.size(); ++g) {
    flight::PlotPoints(f.seconds, f.column(static_cast<std::size_t>(p.channels[g])), first, last,
                       static_cast<std::size_t>(width), points);
    data.resize(static_cast<qsizetype>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i)
      data[static_cast<qsizetype>(i)] = QCPGraphData(f.startOfDay + points[i].seconds, points[i].value);
    p.plot->graph(static_cast<int>(g))->data()->set(data, true);
  }
  p.fedWidth = width;
}

// A panel grown wider than its points were made for gets finer ones; a
// splitter moved up or down changes no width and costs no new points.
void FlightChart::panelResized(QCustomPlot* plot, int width) {
  for (Panel& p : panels_)
    if (p.plot == plot && width > p.fedWidth) feed(p, width);
}

// MARK rows (the pilot pressed the button) as shaded spans.
void FlightChart::addMarks(QCustomPlot* plot) {
  for (int i = plot->itemCount() - 1; i >= 0; --i)
    if (plot->item(i)->layer()->name() == kMarksLayer) plot->removeItem(i);
  const flight::Flight& f = *flight_;
  const int column = f.channelIndex("MARK");
  if (column < 0) return;
  const std::span<const float> mark = f.column(static_cast<std::size_t>(column));
  auto marked = [&mark](std::size_t r) { return mark[r] == 1.0f; };
  const double half = f.facts.interval > 0 ? f.facts.interval / 2.0 : 1.0;
  for (std::size_t r = 0; r < f.rows();) {
    if (!marked(r)) {
      ++r;
      continue;
    }
    std::size_t end = r;
    while (end + 1 < f.rows() && marked(end + 1)) ++end;
    auto* rect = new QCPItemRect(plot);
    rect->setLayer(kMarksLayer);
    rect->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
    rect->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
    rect->topLeft->setCoords(keyOfRow(r) - half, 0);
    rect->bottomRight->setCoords(keyOfRow(end) + half, 1);
    rect->setPen(QPen(QColor(0xCC, 0x79, 0xA7, 160), 1));
    rect->setBrush(QColor(0xCC, 0x79, 0xA7, 50));
    r = end + 1;
  }
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
    plot->xAxis->setTickLabels(i == last);
    plot->xAxis->setLabel(i == last ? QStringLiteral("Time of day") : QString());
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
    if (p.fedWidth > 0) feed(p, p.fedWidth);  // else its first width feeds it
    // A panel not on screen yet draws when it is first laid out.
    if (p.plot->isVisible()) p.plot->replot(QCustomPlot::rpQueuedReplot);
  }
  syncing_ = false;
  emit timeRangeChanged();
}

void FlightChart::resetZoom() {
  if (!flight_ || panels_.empty()) return;
  const double first = keyOfRow(0), last = keyOfRow(flight_->rows() ? flight_->rows() - 1 : 0);
  setTimeRange(first, std::max(last, first + 60.0));
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
  const double key = keyOfRow(cursorRow_);
  const auto s = span();
  for (Panel& p : panels_) {
    p.cursor->point1->setCoords(key, 0);
    p.cursor->point2->setCoords(key, 1);
    for (int i = 0; i < 2; ++i) {
      p.ruler[i]->setVisible(ruler_[i].has_value());
      if (ruler_[i]) {
        p.ruler[i]->point1->setCoords(keyOfRow(*ruler_[i]), 0);
        p.ruler[i]->point2->setCoords(keyOfRow(*ruler_[i]), 1);
      }
    }
    p.spanRect->setVisible(s.has_value());
    if (s) {
      p.spanRect->topLeft->setCoords(keyOfRow(s->first), 0);
      p.spanRect->bottomRight->setCoords(keyOfRow(s->second), 1);
    }
    p.band->setVisible(bandStart_.has_value());
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
    for (Panel& p : panels_) {
      p.band->topLeft->setCoords(key, 0);
      p.band->bottomRight->setCoords(key, 1);
    }
    drawOverlay();
  }
}

void FlightChart::mouseMoved(QCustomPlot* plot, QMouseEvent* event) {
  if (!flight_) return;
  const double key = plot->xAxis->pixelToCoord(event->position().x());
  if (bandStart_)
    for (Panel& p : panels_) {
      p.band->topLeft->setCoords(std::min(*bandStart_, key), 0);
      p.band->bottomRight->setCoords(std::max(*bandStart_, key), 1);
    }
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

void FlightChart::render(QCPPainter& painter, const QSize& size) {
  std::vector<int> shown;
  double total = 0;
  for (int i = 0; i < panelCount(); ++i)
    if (panelVisible(i)) {
      shown.push_back(i);
      // As the window shows it when it is on screen; by weight when it is not.
      total += isVisible() ? panel(i)->height() : plans_[static_cast<std::size_t>(i)].weight;
    }
  painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
  // A picture wider than the panels gets points for its own width.
  std::vector<int> widths;
  for (Panel& p : panels_) {
    widths.push_back(p.fedWidth);
    if (size.width() > p.fedWidth) feed(p, size.width());
  }
  double y = 0;
  for (int i : shown) {
    const double share = (isVisible() ? panel(i)->height() : plans_[static_cast<std::size_t>(i)].weight) / total;
    const int h = static_cast<int>(std::lround(share * size.height()));
    painter.save();
    painter.translate(0, y);
    panel(i)->toPainter(&painter, size.width(), h);
    painter.restore();
    y += h;
  }
  for (std::size_t i = 0; i < panels_.size(); ++i)
    if (widths[i] > 0 && panels_[i].fedWidth != widths[i]) feed(panels_[i], widths[i]);
}

QImage FlightChart::picture(const QSize& size) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QCPPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  render(painter, size);
  painter.end();
  return image;
}

}  // namespace varnix::app::flight_view
