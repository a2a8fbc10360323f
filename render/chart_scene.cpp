// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/chart_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <qcustomplot.h>

#include "flight/channels.h"
#include "frontend/chart/plot_points.h"
#include "render/chart_colors.h"

namespace varnix::render {

namespace {

constexpr int kLeftMargin = 84;   // the same in every panel, so their time axes line up
constexpr int kRightMargin = 84;
constexpr double kDay = 86400.0;
constexpr int kLeastFeedWidth = 640;  // before a panel is laid out its width says little
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

// MARK rows (the pilot pressed the button) as shaded spans.
void addMarks(QCustomPlot* plot, const flight::Flight& f) {
  for (int i = plot->itemCount() - 1; i >= 0; --i)
    if (plot->item(i)->layer()->name() == kMarksLayer) plot->removeItem(i);
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
    rect->topLeft->setCoords(KeyOfRow(f, r) - half, 0);
    rect->bottomRight->setCoords(KeyOfRow(f, end) + half, 1);
    rect->setPen(QPen(QColor(0xCC, 0x79, 0xA7, 160), 1));
    rect->setBrush(QColor(0xCC, 0x79, 0xA7, 50));
    r = end + 1;
  }
}

// The cursor, the ruler's lines, its span and the rubber band, on the overlay layer.
void addOverlayItems(ScenePanel& p) {
  QCustomPlot* plot = p.plot;
  QCPLayer* layer = plot->layer(QString::fromLatin1(kOverlayLayer));
  p.cursor = new QCPItemStraightLine(plot);
  p.cursor->setLayer(layer);
  p.cursor->setPen(QPen(QColor(0xC0, 0x00, 0x00), 1));
  for (auto*& r : p.ruler) {
    r = new QCPItemStraightLine(plot);
    r->setLayer(layer);
    r->setPen(QPen(QColor(0x40, 0x40, 0x40), 1, Qt::DashDotLine));
    r->setVisible(false);
  }
  for (auto** rect : {&p.spanRect, &p.band}) {
    *rect = new QCPItemRect(plot);
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
}

}  // namespace

double KeyOfRow(const flight::Flight& f, std::size_t row) {
  if (f.rows() == 0) return f.startOfDay;
  return f.startOfDay + f.seconds[std::min(row, f.rows() - 1)];
}

std::pair<double, double> WholeRange(const flight::Flight& f) {
  const double first = KeyOfRow(f, 0), last = KeyOfRow(f, f.rows() ? f.rows() - 1 : 0);
  return {first, std::max(last, first + 60)};
}

ScenePanel BuildPanel(QCustomPlot* plot, const flight::Flight& f, const flight::PanelPlan& plan) {
  plot->setObjectName(QString::fromStdString(plan.key));
  plot->setNoAntialiasingOnDrag(true);
  plot->setPlottingHint(QCP::phFastPolylines, true);
  QCPAxisRect* rect = plot->axisRect();
  rect->setAutoMargins(QCP::msTop | QCP::msBottom);
  rect->setMargins(QMargins(kLeftMargin, 0, kRightMargin, 0));
  plot->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new ClockTicker));
  plot->addLayer(kMarksLayer, plot->layer(QStringLiteral("grid")), QCustomPlot::limBelow);
  plot->layer(QString::fromLatin1(kOverlayLayer))->setMode(QCPLayer::lmBuffered);

  QFont small = plot->font();
  small.setPointSizeF(8);
  for (QCPAxis* axis : {plot->xAxis, plot->yAxis, plot->yAxis2}) {
    axis->setTickLabelFont(small);
    axis->setLabelFont(small);
  }

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

  ScenePanel p;
  p.plot = plot;
  p.channels = plan.left;
  p.channels.insert(p.channels.end(), plan.right.begin(), plan.right.end());
  addOverlayItems(p);
  return p;
}

void FitPanel(const ScenePanel& p, const flight::Flight& f, const flight::PanelPlan& plan) {
  fitValueAxis(p.plot->yAxis, f, plan.left);
  if (!plan.right.empty()) fitValueAxis(p.plot->yAxis2, f, plan.right);
  addMarks(p.plot, f);
}

// A graph holds only what its panel's width can show of the shown range
// (flight::PlotPoints): far less memory than every row of every channel, and
// a replot that does not grow with the flight. `width` is in pixels; the
// whole plot's, a little more than its axis rect's.
void FeedPanel(ScenePanel& p, const flight::Flight& f, int width) {
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

void ShowTimeLabels(QCustomPlot* plot, bool shown) {
  plot->xAxis->setTickLabels(shown);
  plot->xAxis->setLabel(shown ? QStringLiteral("Time of day") : QString());
}

void PlaceOverlay(ScenePanel& p, const flight::Flight& f, const Overlay& o) {
  const double key = KeyOfRow(f, o.cursorRow);
  p.cursor->point1->setCoords(key, 0);
  p.cursor->point2->setCoords(key, 1);
  for (int i = 0; i < 2; ++i) {
    p.ruler[i]->setVisible(o.ruler[i].has_value());
    if (o.ruler[i]) {
      p.ruler[i]->point1->setCoords(KeyOfRow(f, *o.ruler[i]), 0);
      p.ruler[i]->point2->setCoords(KeyOfRow(f, *o.ruler[i]), 1);
    }
  }
  const bool span = o.ruler[0] && o.ruler[1];
  p.spanRect->setVisible(span);
  if (span) {
    p.spanRect->topLeft->setCoords(KeyOfRow(f, std::min(*o.ruler[0], *o.ruler[1])), 0);
    p.spanRect->bottomRight->setCoords(KeyOfRow(f, std::max(*o.ruler[0], *o.ruler[1])), 1);
  }
  p.band->setVisible(o.band.has_value());
  if (o.band) {
    p.band->topLeft->setCoords(std::min(o.band->first, o.band->second), 0);
    p.band->bottomRight->setCoords(std::max(o.band->first, o.band->second), 1);
  }
}

void PaintChart(QCPPainter& painter, const QRectF& rect, const flight::Flight& f,
                const std::vector<flight::PanelPlan>& panels, const ChartOptions& options) {
  auto share = [&](std::size_t i) {
    return options.heights.empty() ? static_cast<double>(panels[i].weight)
                                   : i < options.heights.size() ? options.heights[i] : 0.0;
  };
  std::vector<std::size_t> shown;
  double total = 0;
  for (std::size_t i = 0; i < panels.size(); ++i)
    if (share(i) > 0) {
      shown.push_back(i);
      total += share(i);
    }
  painter.fillRect(rect, Qt::white);
  if (shown.empty()) return;
  const auto [lower, upper] = options.range ? *options.range : WholeRange(f);
  const int width = static_cast<int>(std::lround(rect.width()));
  double y = rect.top();
  for (const std::size_t i : shown) {
    // A plot of its own, never shown: only its drawing is wanted.
    auto plot = std::make_unique<QCustomPlot>();
    ScenePanel p = BuildPanel(plot.get(), f, panels[i]);
    ShowTimeLabels(plot.get(), i == shown.back());
    plot->xAxis->setRange(lower, upper);
    FitPanel(p, f, panels[i]);
    PlaceOverlay(p, f, options.overlay);
    FeedPanel(p, f, width);
    const int h = static_cast<int>(std::lround(share(i) / total * rect.height()));
    painter.save();
    painter.translate(rect.left(), y);
    plot->toPainter(&painter, width, h);
    painter.restore();
    y += h;
  }
}

}  // namespace varnix::render
