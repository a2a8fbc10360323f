// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/chart_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <qcustomplot.h>

#include "flight/channels.h"
#include "frontend/chart/axis_span.h"
#include "frontend/chart/plot_points.h"
#include "frontend/report/time_text.h"
#include "render/chart_colors.h"
#include "render/compare_overlay.h"
#include "store/catalog_entry.h"

namespace varnix::render {

namespace {

constexpr int kLeftMargin = 84;   // the same in every panel, so their time axes line up
constexpr int kRightMargin = 84;
constexpr int kThirdAxisWidth = 62;  // beside the right axis, in every panel when one has it
constexpr double kDay = 86400.0;
constexpr int kLeastFeedWidth = 640;  // before a panel is laid out its width says little
const QString kMarksLayer = QStringLiteral("marks");

// Clock time of day (the flight's keys run on past midnight), or the time
// elapsed since `origin`, the key of the flight's first row, with its ticks
// on whole minutes of elapsed time.
class ClockTicker : public QCPAxisTickerTime {
 public:
  ClockTicker() { setTimeFormat(QStringLiteral("%h:%m")); }
  void setElapsedFrom(std::optional<double> origin) { origin_ = origin; }

 protected:
  QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override {
    const double shown = origin_ ? std::max(0.0, tick - *origin_) : std::fmod(tick, kDay);
    return QCPAxisTickerTime::getTickLabel(shown, locale, formatChar, precision);
  }
  QVector<double> createTickVector(double tickStep, const QCPRange& range) override {
    const double o = origin_.value_or(0.0);
    QVector<double> ticks = QCPAxisTickerTime::createTickVector(tickStep, QCPRange(range.lower - o, range.upper - o));
    for (double& t : ticks) t += o;
    return ticks;
  }

 private:
  std::optional<double> origin_;
};

// Short, so that it fits beside a low panel: the unit, after the channel's
// name when the axis has one channel ("BAT V", "RPM", "°F").
QString axisLabel(const flight::Flight& f, const std::vector<int>& channels, const std::string& unit) {
  const QString u = QString::fromStdString(unit);
  if (channels.size() != 1) return u;
  const QString name = QString::fromStdString(f.channels[static_cast<std::size_t>(channels.front())].name);
  return u.isEmpty() || u == name ? name : name + QLatin1Char(' ') + u;
}

// The least span of an axis drawing `channels` of `f` (frontend/chart/axis_span.h).
double leastSpanOf(const flight::Flight& f, const std::vector<int>& channels) {
  double least = 0;
  for (const int c : channels) {
    const flight::Channel& drawn = f.channels[static_cast<std::size_t>(c)];
    least = std::max(least, frontend::MinimumAxisSpan(drawn.kind, drawn.unit));
  }
  return least;
}

// `low` to `high`, at least `leastSpan`, with a margin above and below; nothing for no values.
void setValueRange(QCPAxis* axis, float low, float high, double leastSpan) {
  if (!(low <= high) || !std::isfinite(low) || !std::isfinite(high)) return;
  const auto [lower, upper] = frontend::AxisRange(low, high, leastSpan);
  axis->setRange(lower, upper);
}

// The whole flight's values of `channels`, with a margin above and below.
void fitValueAxis(QCPAxis* axis, const flight::Flight& f, const std::vector<int>& channels) {
  float low = std::numeric_limits<float>::infinity(), high = -low;
  for (const int c : channels)
    for (const float v : f.column(static_cast<std::size_t>(c))) {
      low = std::min(low, v);  // NaN loses both comparisons
      high = std::max(high, v);
    }
  setValueRange(axis, low, high, leastSpanOf(f, channels));
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

int RightMargin(const std::vector<frontend::PanelPlan>& plans) {
  for (const frontend::PanelPlan& p : plans)
    if (!p.third.empty()) return kRightMargin + kThirdAxisWidth;
  return kRightMargin;
}

std::vector<QCPAxis*> ValueAxes(QCustomPlot* plot) {
  const QList<QCPAxis*> axes = plot->axisRect()->axes(QCPAxis::atLeft | QCPAxis::atRight);
  return std::vector<QCPAxis*>(axes.begin(), axes.end());
}

ScenePanel BuildPanel(QCustomPlot* plot, const flight::Flight& f, const frontend::PanelPlan& plan, int rightMargin) {
  plot->setObjectName(QString::fromStdString(plan.key));
  plot->setNoAntialiasingOnDrag(true);
  plot->setPlottingHint(QCP::phFastPolylines, true);
  QCPAxisRect* rect = plot->axisRect();
  rect->setAutoMargins(QCP::msTop | QCP::msBottom);
  rect->setMargins(QMargins(kLeftMargin, 0, rightMargin, 0));
  QCPAxis* third = plan.third.empty() ? nullptr : rect->addAxis(QCPAxis::atRight);
  plot->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new ClockTicker));
  plot->addLayer(kMarksLayer, plot->layer(QStringLiteral("grid")), QCustomPlot::limBelow);
  plot->layer(QString::fromLatin1(kOverlayLayer))->setMode(QCPLayer::lmBuffered);

  QFont small = plot->font();
  small.setPointSizeF(8);
  for (QCPAxis* axis : {plot->xAxis, plot->yAxis, plot->yAxis2, third}) {
    if (!axis) continue;
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
  if (third) {
    for (int c : plan.third) addGraph(c, third);
    third->setLabel(axisLabel(f, plan.third, plan.thirdUnit));
    // Fixed margins leave its offset to us: beyond the right axis's labels.
    third->setOffset(kRightMargin - 6);
    third->setPadding(2);
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
  top->setMargins(QMargins(8, 2, rightMargin, 0));
  // A low panel squeezes its plot, never its legend row.
  top->setMinimumSize(0, QFontMetrics(title->font()).height() + 4);
  plot->plotLayout()->setRowStretchFactor(0, 0.001);
  plot->plotLayout()->setRowSpacing(0);

  ScenePanel p;
  p.plot = plot;
  p.channels = plan.left;
  p.channels.insert(p.channels.end(), plan.right.begin(), plan.right.end());
  p.channels.insert(p.channels.end(), plan.third.begin(), plan.third.end());
  addOverlayItems(p);
  return p;
}

void FitPanel(const ScenePanel& p, const flight::Flight& f, const frontend::PanelPlan& plan) {
  fitValueAxis(p.plot->yAxis, f, plan.left);
  if (!plan.right.empty()) fitValueAxis(p.plot->yAxis2, f, plan.right);
  if (!plan.third.empty()) fitValueAxis(p.plot->axisRect()->axis(QCPAxis::atRight, 1), f, plan.third);
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
  std::vector<frontend::PlotPoint> points;
  QVector<QCPGraphData> data;
  for (std::size_t g = 0; g < p.channels.size(); ++g) {
    frontend::PlotPoints(f.seconds, f.column(static_cast<std::size_t>(p.channels[g])), first, last,
                       static_cast<std::size_t>(width), points);
    data.resize(static_cast<qsizetype>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i)
      data[static_cast<qsizetype>(i)] = QCPGraphData(f.startOfDay + points[i].seconds, points[i].value);
    p.plot->graph(static_cast<int>(g))->data()->set(data, true);
  }
  p.fedWidth = width;
}

std::vector<frontend::ValueExtremes> ChannelExtremes(const flight::Flight& f) {
  std::vector<frontend::ValueExtremes> out;
  out.reserve(f.channels.size());
  for (std::size_t c = 0; c < f.channels.size(); ++c) out.emplace_back(f.column(c));
  return out;
}

void FitValues(const ScenePanel& p, const flight::Flight& f, const std::vector<frontend::ValueExtremes>& extremes,
               bool shownRange) {
  if (p.valueZoomed || f.rows() == 0) return;
  std::size_t first = 0, last = f.rows() - 1;
  if (shownRange) {
    const QCPRange range = p.plot->xAxis->range();
    first = f.rowAt(range.lower - f.startOfDay);
    last = f.rowAt(range.upper - f.startOfDay);
  }
  for (QCPAxis* axis : ValueAxes(p.plot)) {
    float low = std::numeric_limits<float>::infinity(), high = -low;
    std::vector<int> drawn;
    for (std::size_t g = 0; g < p.channels.size(); ++g) {
      const QCPGraph* graph = p.plot->graph(static_cast<int>(g));
      const auto c = static_cast<std::size_t>(p.channels[g]);
      if (graph->valueAxis() != axis || !graph->visible() || c >= extremes.size()) continue;
      drawn.push_back(p.channels[g]);
      if (const auto e = extremes[c].of(first, last)) {
        low = std::min(low, e->first);
        high = std::max(high, e->second);
      }
    }
    setValueRange(axis, low, high, leastSpanOf(f, drawn));
  }
}

void FitTicksToHeight(QCustomPlot* plot, int height) {
  // A label is a line of the 8 pt tick font, with a line and a half between;
  // the axis is the panel less its legend row and time axis (about 40 px).
  const int line = QFontMetrics(plot->yAxis->tickLabelFont()).height();
  const int ticks = std::clamp((height - 40) * 2 / std::max(1, 5 * line), 2, 6);
  for (QCPAxis* axis : ValueAxes(plot)) {
    axis->ticker()->setTickStepStrategy(QCPAxisTicker::tssMeetTickCount);
    axis->ticker()->setTickCount(ticks);
  }
}

void ShowChannel(ScenePanel& p, int channel, bool shown) {
  for (std::size_t g = 0; g < p.channels.size(); ++g) {
    if (p.channels[g] != channel) continue;
    QCPGraph* graph = p.plot->graph(static_cast<int>(g));
    graph->setVisible(shown);
    if (QCPAbstractLegendItem* item = p.plot->legend->itemWithPlottable(graph))
      if (auto* entry = qobject_cast<QCPPlottableLegendItem*>(item))
        entry->setTextColor(shown ? Qt::black : QColor(0xA0, 0xA0, 0xA0));
  }
}

void UseElapsedTime(QCustomPlot* plot, const flight::Flight& f, bool elapsed) {
  if (auto ticker = plot->xAxis->ticker().dynamicCast<ClockTicker>())
    ticker->setElapsedFrom(elapsed ? std::optional<double>(KeyOfRow(f, 0)) : std::nullopt);
  if (!plot->xAxis->label().isEmpty()) ShowTimeLabels(plot, true, elapsed);
}

void ShowTimeLabels(QCustomPlot* plot, bool shown, bool elapsed) {
  plot->xAxis->setTickLabels(shown);
  plot->xAxis->setLabel(!shown ? QString() : elapsed ? QStringLiteral("Elapsed time") : QStringLiteral("Time of day"));
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
                const std::vector<frontend::PanelPlan>& panels, const ChartOptions& options) {
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
  QRectF area = rect;
  if (!options.title.empty()) {
    QFont font = painter.font();
    font.setPointSizeF(10);
    font.setBold(true);
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QString title = QString::fromStdString(options.title);
    const double h = QFontMetricsF(font, painter.device()).height() * (0.6 + title.count(QLatin1Char('\n')) + 1);
    painter.drawText(QRectF(rect.left() + 8, rect.top(), rect.width() - 16, h), Qt::AlignLeft | Qt::AlignVCenter,
                     title);
    painter.restore();
    area.setTop(rect.top() + h);
  }
  if (shown.empty()) return;
  const auto [lower, upper] = options.range ? *options.range : WholeRange(f);
  const int width = static_cast<int>(std::lround(rect.width()));
  const std::vector<frontend::ValueExtremes> extremes =
      options.fitShown || !options.hiddenChannels.empty() ? ChannelExtremes(f) : std::vector<frontend::ValueExtremes>{};
  double y = area.top();
  for (const std::size_t i : shown) {
    // A plot of its own, never shown: only its drawing is wanted.
    auto plot = std::make_unique<QCustomPlot>();
    ScenePanel p = BuildPanel(plot.get(), f, panels[i], RightMargin(panels));
    const Comparison* compared = options.comparison.get();
    LayOutComparison(p, compared);
    ShowTimeLabels(plot.get(), i == shown.back());
    plot->xAxis->setRange(lower, upper);
    FitPanel(p, f, panels[i]);
    for (const int c : options.hiddenChannels) ShowChannel(p, c, false);
    if (options.fitShown || !options.hiddenChannels.empty()) FitValues(p, f, extremes, options.fitShown);
    if (compared) WidenForComparison(p, f, *compared, options.fitShown);
    if (options.elapsed) UseElapsedTime(plot.get(), f, true);
    DrawAnnotations(plot.get(), f, panels[i], options.annotations);
    if (options.cursor) {
      PlaceOverlay(p, f, options.overlay);
    } else {
      for (QCPAbstractItem* item : {static_cast<QCPAbstractItem*>(p.cursor), static_cast<QCPAbstractItem*>(p.ruler[0]),
                                    static_cast<QCPAbstractItem*>(p.ruler[1]), static_cast<QCPAbstractItem*>(p.spanRect),
                                    static_cast<QCPAbstractItem*>(p.band)})
        item->setVisible(false);
    }
    FeedPanel(p, f, width);
    if (compared) FeedComparison(p, f, *compared, width);
    const int h = static_cast<int>(std::lround(share(i) / total * area.height()));
    FitTicksToHeight(plot.get(), h);
    painter.save();
    painter.translate(rect.left(), y);
    plot->toPainter(&painter, width, h);
    painter.restore();
    y += h;
  }
}

std::string PictureTitle(const flight::Flight& f) {
  return f.facts.aircraft + " · " + flight::FlightName(f.facts) + " · " + store::IsoStart(f.facts).substr(0, 10) +
         " · start " + frontend::report::ClockText(f.startOfDay);
}

}  // namespace varnix::render
