// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logbook/trends_chart.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QStringList>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>
#include <tuple>
#include <qcustomplot.h>

#include "frontend/chart/axis_span.h"
#include "render/chart_colors.h"

namespace varnix::app::logbook {

namespace {

constexpr double kHitPixels = 8;
const QColor kFaint(0xc8, 0xc8, 0xc8);
const QColor kApart(0x90, 0x90, 0x90);
const QColor kMarkLine(0xb0, 0x00, 0x00);
const QColor kMarkFill(0xff, 0xd0, 0x40);
const QColor kEntryLine(0x00, 0x80, 0x60);

char engineLetter(flight::Engine e) {
  return e == flight::Engine::Left ? 'L' : e == flight::Engine::Right ? 'R' : 0;
}

// Whether `entry` is marked on a panel of `engine` showing `cylinder` (0 for
// the engine's or the aircraft's panels): an entry that names a cylinder
// only on that cylinder's, one that names another engine on none of its.
bool marks(const store::MaintenanceEntry& entry, flight::Engine engine, int cylinder) {
  if (entry.engine && engineLetter(engine) && entry.engine != engineLetter(engine)) return false;
  return entry.cylinder.value_or(0) == cylinder;
}

QString entryText(const store::MaintenanceEntry& e) {
  QString what = QString::fromUtf8(store::MaintenanceKindName(e.kind));
  if (e.engine) what += QStringLiteral(", engine ") + QLatin1Char(e.engine);
  if (e.cylinder) what += QStringLiteral(", C%1").arg(*e.cylinder);
  if (e.compression) what += QStringLiteral(", %1/%2").arg(e.compression->pressure).arg(e.compression->reference);
  if (e.quantity) what += QStringLiteral(", %1 %2").arg(*e.quantity).arg(QString::fromStdString(e.unit));
  QString text = QStringLiteral("Maintenance %1: %2").arg(QString::fromStdString(e.date), what);
  if (!e.text.empty()) text += QStringLiteral("\n") + QString::fromStdString(e.text);
  return text;
}

QString engineName(flight::Engine e) {
  switch (e) {
    case flight::Engine::Left: return QStringLiteral("Left engine");
    case flight::Engine::Right: return QStringLiteral("Right engine");
    case flight::Engine::Only: break;
  }
  return QStringLiteral("Engine");
}

QString quantityName(store::TrendQuantity q) {
  switch (q) {
    case store::TrendQuantity::CruiseCht: return QStringLiteral("cruise CHT");
    case store::TrendQuantity::CruiseEgt: return QStringLiteral("cruise EGT");
    case store::TrendQuantity::OilTemperature: return QStringLiteral("Oil temperature in cruise");
    case store::TrendQuantity::OilPressure: return QStringLiteral("Oil pressure in cruise");
    case store::TrendQuantity::Battery: return QStringLiteral("Battery in cruise");
    case store::TrendQuantity::OilConsumption: return QStringLiteral("Oil consumption");
  }
  return {};
}

flight::Channel channelOf(const store::TrendSeries& s) {
  const flight::ChannelKind kind =
      s.quantity == store::TrendQuantity::CruiseEgt ? flight::ChannelKind::Egt : flight::ChannelKind::Cht;
  return {s.channel, kind, s.engine, s.cylinder};
}

QString unitText(const store::TrendSeries& s) {
  if (s.quantity == store::TrendQuantity::OilConsumption) return QStringLiteral("qt/h");
  return QString::fromUtf8(flight::UnitText(s.unit));
}

QString valueText(const store::TrendSeries& s, double v) {
  if (s.quantity == store::TrendQuantity::OilConsumption) return QString::number(v, 'f', 2) + QStringLiteral(" qt/h");
  const int decimals = s.unit == flight::Unit::Volts || s.unit == flight::Unit::Psi ? 1 : 0;
  return QString::number(v, 'f', decimals) + QLatin1Char(' ') + QString::fromUtf8(flight::UnitText(s.unit));
}

// A value range over [low, high] with room at the top for the panel's name.
// Room below and more above the values (the panel's title sits there), the
// values spread over at least the least span of their unit.
QCPRange headroom(double low, double high, flight::Unit unit) {
  std::tie(low, high) = frontend::AxisRange(low, high, frontend::MinimumAxisSpan(flight::ChannelKind::Other, unit), 0);
  const double m = std::max(unit == flight::Unit::Volts ? 0.1 : 1.0, (high - low) * 0.08);
  return {low - m, high + 3 * m};
}

// The median's segments as one line, broken by NaN where a gap parts them.
void setMedian(QCPGraph* g, const store::TrendSeries& s) {
  QVector<double> keys, values;
  for (const auto& line : s.median) {
    if (!keys.isEmpty()) {
      keys.push_back((keys.back() + line.front().when) / 2);
      values.push_back(NAN);
    }
    for (const store::MedianPoint& p : line) {
      keys.push_back(p.when);
      values.push_back(p.value);
    }
  }
  g->setData(keys, values, true);
}

}  // namespace

TrendsChart::TrendsChart(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* top = new QHBoxLayout;
  engine_ = new QComboBox(this);
  engine_->setObjectName(QStringLiteral("cboTrendsEngine"));
  engine_->hide();
  top->addWidget(engine_);
  period_ = new QComboBox(this);
  period_->setObjectName(QStringLiteral("cboTrendsPeriod"));
  period_->setToolTip(QStringLiteral("The period shown, up to the newest flight"));
  for (int days : periodDays())
    period_->addItem(days == 0      ? QStringLiteral("All flights")
                     : days >= 365 ? QStringLiteral("Last %1 months").arg(days / 365 * 12)
                                   : QStringLiteral("Last %1 months").arg(days / 30),
                     days);
  period_->setCurrentIndex(1);  // twelve months: a year of flights, not a smear of several
  top->addWidget(period_);
  legend_ = new QLabel(this);
  legend_->setObjectName(QStringLiteral("lblTrendsLegend"));
  legend_->setTextFormat(Qt::RichText);
  legend_->setText(QStringLiteral("<span style='color:#0072b2'>&#9679;</span> a flight &nbsp; "
                                  "<span style='color:#909090'>&#9675;</span> other power or OAT (not in the "
                                  "median) &nbsp; <b style='color:#0072b2'>&#8212;</b> median of the last %1 "
                                  "flights &nbsp; <b style='color:#c8c8c8'>&#8212;</b> the other cylinders &nbsp; "
                                  "<span style='color:#b00000'>&#9650;</span> a finding &nbsp; "
                                  "<b style='color:#008060'>&#124;</b> a&nbsp;maintenance&nbsp;entry &nbsp; · no line over gaps "
                                  "of more than %2 days · click a point to open its flight")
                       .arg(store::kTrendMedianFlights)
                       .arg(store::kTrendGapDays));
  legend_->setWordWrap(true);
  top->addWidget(legend_, 1);
  layout->addLayout(top);
  plot_ = new QCustomPlot(this);
  plot_->setObjectName(QStringLiteral("plotTrends"));
  plot_->setNoAntialiasingOnDrag(true);
  plot_->setPlottingHint(QCP::phFastPolylines, true);
  plot_->setMouseTracking(true);
  plot_->installEventFilter(this);
  layout->addWidget(plot_, 1);
  connect(engine_, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
  connect(period_, &QComboBox::currentIndexChanged, this, [this] { rebuild(); });
}

const std::vector<int>& TrendsChart::periodDays() {
  static const std::vector<int> days = {90, 365, 3 * 365, 0};
  return days;
}

void TrendsChart::setPeriodDays(int days) {
  const int at = period_->findData(days);
  if (at >= 0) period_->setCurrentIndex(at);
}

int TrendsChart::seriesCount() const { return plot_->graphCount(); }

void TrendsChart::setLog(std::shared_ptr<const store::AircraftLog> log, std::shared_ptr<const store::AircraftTrends> trends) {
  log_ = std::move(log);
  trends_ = log_ && trends ? std::move(trends) : std::make_shared<const store::AircraftTrends>();
  {
    const QSignalBlocker quiet(engine_);
    engine_->clear();
    for (flight::Engine e : trends_->engines) engine_->addItem(engineName(e));
  }
  engine_->setVisible(trends_->engines.size() > 1);
  rebuild();
}

void TrendsChart::setEngine(int index) {
  if (index >= 0 && index < engine_->count()) engine_->setCurrentIndex(index);
}

void TrendsChart::rebuild() {
  panels_.clear();
  plot_->clearItems();
  plot_->clearPlottables();
  plot_->plotLayout()->clear();
  const int chosen = engine_->currentIndex();
  if (chosen < 0 || static_cast<std::size_t>(chosen) >= trends_->engines.size()) {
    plot_->replot();
    return;
  }
  const flight::Engine engine = trends_->engines[static_cast<std::size_t>(chosen)];
  using Q = store::TrendQuantity;
  struct Row {
    std::vector<const store::TrendSeries*> series;
    bool cylinders = false;
  };
  std::vector<Row> rows;
  for (Q q : {Q::CruiseCht, Q::CruiseEgt})
    if (auto s = trends_->of(q, engine); !s.empty()) rows.push_back({std::move(s), true});
  Row other;
  for (Q q : {Q::OilTemperature, Q::OilPressure, Q::OilConsumption})
    for (const store::TrendSeries* s : trends_->of(q, engine)) other.series.push_back(s);
  for (const store::TrendSeries* s : trends_->of(Q::Battery, flight::Engine::Only)) other.series.push_back(s);
  if (!other.series.empty()) rows.push_back(std::move(other));

  double first = INFINITY, last = -INFINITY;
  for (const store::TrendSeries& s : trends_->series)
    for (const store::TrendValue& v : s.values) last = std::max(last, v.when);
  // The period's start: values before it are outside the time axis and its
  // value ranges.
  const int days = period_->currentData().toInt();
  const double from = days > 0 && std::isfinite(last) ? last - days * 86400.0 : -INFINITY;
  for (const store::TrendSeries& s : trends_->series)
    for (const store::TrendValue& v : s.values)
      if (v.when >= from) first = std::min(first, v.when);
  // Two dates under a cylinder's narrow panel, four under the wide ones.
  auto dates = [&](int count) {
    auto t = QSharedPointer<QCPAxisTickerDateTime>::create();
    t->setDateTimeSpec(Qt::UTC);
    t->setDateTimeFormat(last - first < 300 * 86400.0 ? QStringLiteral("d MMM") : QStringLiteral("MMM yy"));
    t->setTickStepStrategy(QCPAxisTicker::tssMeetTickCount);
    t->setTickCount(count);
    return t;
  };
  const QSharedPointer<QCPAxisTickerDateTime> narrow = dates(2), wide = dates(4);
  const double pad = std::isfinite(first) ? std::max(86400.0, (last - first) * 0.03) : 0;

  for (std::size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows[r];
    auto* grid = new QCPLayoutGrid;
    plot_->plotLayout()->addElement(static_cast<int>(r), 0, grid);
    auto* margins = new QCPMarginGroup(plot_);
    // One value range for a row of cylinders, so that their panels compare.
    double low = INFINITY, high = -INFINITY;
    for (const store::TrendSeries* s : row.series)
      for (const store::TrendValue& v : s->values) {
        if (v.when < from) continue;
        low = std::min(low, v.value);
        high = std::max(high, v.value);
      }
    for (std::size_t c = 0; c < row.series.size(); ++c) {
      const store::TrendSeries& s = *row.series[c];
      auto* rect = new QCPAxisRect(plot_);
      grid->addElement(0, static_cast<int>(c), rect);
      // A point every few weeks needs less room than the flights' panels, whose names are longer.
      if (s.quantity == store::TrendQuantity::OilConsumption) grid->setColumnStretchFactor(static_cast<int>(c), 0.7);
      rect->setMarginGroup(QCP::msTop | QCP::msBottom, margins);
      QCPAxis* x = rect->axis(QCPAxis::atBottom);
      QCPAxis* y = rect->axis(QCPAxis::atLeft);
      x->setTicker(row.cylinders || s.quantity == store::TrendQuantity::OilConsumption ? narrow : wide);
      if (std::isfinite(first)) x->setRange(first - pad, last + pad);
      Panel p;
      p.engine = engine;
      p.rect = rect;
      p.series = &s;
      const flight::Channel channel = channelOf(s);
      QPen pen = row.cylinders ? render::channelPen(channel) : QPen(QColor(0x30, 0x30, 0x30));
      if (row.cylinders) {
        p.title = QString::fromStdString(s.channel) + QLatin1Char(' ') + quantityName(s.quantity);
        if (c == 0)
          y->setLabel(quantityName(s.quantity).replace(0, 1, quantityName(s.quantity)[0].toUpper()) +
                      QLatin1Char(' ') + unitText(s));
        else
          y->setTickLabels(false);
        if (std::isfinite(low)) y->setRange(headroom(low, high, s.unit));
        // The other cylinders' medians, faint, under this one.
        for (const store::TrendSeries* o : row.series) {
          if (o == &s) continue;
          QCPGraph* g = plot_->addGraph(x, y);
          g->setPen(QPen(kFaint, 1));
          g->setAntialiased(false);
          setMedian(g, *o);
        }
      } else {
        p.title = quantityName(s.quantity);
        y->setLabel(unitText(s));
        double lo = INFINITY, hi = -INFINITY;
        for (const store::TrendValue& v : s.values) {
          if (v.when < from) continue;
          lo = std::min(lo, v.value);
          hi = std::max(hi, v.value);
        }
        if (s.quantity == store::TrendQuantity::OilConsumption) {
          // From none: how much oil is what matters, a tenth of a quart an hour apart is no change.
          if (std::isfinite(hi)) y->setRange(0, std::max(0.4, hi * 1.5));
        } else if (std::isfinite(lo)) {
          y->setRange(headroom(lo, hi, s.unit));
        }
      }
      QVector<double> keys, values, apartKeys, apartValues, markKeys, markValues;
      for (const store::TrendValue& v : s.values) {
        (v.comparable ? keys : apartKeys).push_back(v.when);
        (v.comparable ? values : apartValues).push_back(v.value);
      }
      for (const store::TrendMark& m : s.marks) {
        markKeys.push_back(s.values[m.value].when);
        markValues.push_back(s.values[m.value].value);
      }
      const QColor colour = pen.color();
      QCPGraph* apart = plot_->addGraph(x, y);
      apart->setLineStyle(QCPGraph::lsNone);
      apart->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, kApart, 4));
      apart->setData(apartKeys, apartValues, true);
      QCPGraph* points = plot_->addGraph(x, y);
      points->setLineStyle(QCPGraph::lsNone);
      points->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, colour, colour, 4));
      points->setData(keys, values, true);
      // The median a shade darker than the points, so that it reads over them.
      QCPGraph* median = plot_->addGraph(x, y);
      QPen line = pen;
      line.setColor(row.cylinders ? render::channelTextColor(channel) : QColor(0, 0, 0));
      line.setWidthF(2);
      median->setPen(line);
      setMedian(median, s);
      p.median = median;
      if (!markKeys.isEmpty()) {
        QCPGraph* marks = plot_->addGraph(x, y);
        marks->setLineStyle(QCPGraph::lsNone);
        marks->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangle, QPen(kMarkLine, 1.5), kMarkFill, 11));
        marks->setData(markKeys, markValues, true);
      }
      auto* name = new QCPItemText(plot_);
      name->setClipAxisRect(rect);
      name->position->setAxisRect(rect);
      name->position->setType(QCPItemPosition::ptAxisRectRatio);
      name->position->setCoords(0.03, 0.03);
      name->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
      name->setText(row.cylinders ? QString::fromStdString(s.channel) : p.title);
      QFont bold = name->font();
      bold.setBold(true);
      name->setFont(bold);
      name->setColor(row.cylinders ? render::channelTextColor(channel) : QColor(0x30, 0x30, 0x30));
      panels_.push_back(p);
      for (const store::MaintenanceEntry* e : entriesOn(panels_.back())) {
        auto* line = new QCPItemStraightLine(plot_);
        line->setClipAxisRect(rect);
        line->setPen(QPen(kEntryLine, 1, Qt::DashLine));
        const double when = store::TrendSeconds(e->date);
        for (QCPItemPosition* end : {line->point1, line->point2}) end->setAxes(x, y);
        line->point1->setCoords(when, 0);
        line->point2->setCoords(when, 1);
      }
    }
  }
  plot_->replot();
}

std::vector<const store::MaintenanceEntry*> TrendsChart::entriesOn(const Panel& panel) const {
  std::vector<const store::MaintenanceEntry*> out;
  const bool cylinderPanel =
      panel.series->quantity == store::TrendQuantity::CruiseCht || panel.series->quantity == store::TrendQuantity::CruiseEgt;
  const bool aircraftPanel = panel.series->quantity == store::TrendQuantity::Battery;
  if (!log_) return out;
  for (const store::MaintenanceRecord& r : log_->maintenance)
    if (std::isfinite(store::TrendSeconds(r.entry.date)) &&
        marks(r.entry, aircraftPanel ? flight::Engine::Only : panel.engine, cylinderPanel ? panel.series->cylinder : 0))
      out.push_back(&r.entry);
  return out;
}

double TrendsChart::entryPosition(const Panel& panel, const store::MaintenanceEntry& entry) const {
  return panel.rect->axis(QCPAxis::atBottom)->coordToPixel(store::TrendSeconds(entry.date));
}

std::vector<const store::MaintenanceEntry*> TrendsChart::entriesAt(QPoint pos) const {
  std::vector<const store::MaintenanceEntry*> out;
  for (const Panel& p : panels_) {
    if (!p.rect->rect().contains(pos)) continue;
    for (const store::MaintenanceEntry* e : entriesOn(p))
      if (std::abs(entryPosition(p, *e) - pos.x()) <= kHitPixels / 2) out.push_back(e);
  }
  return out;
}

QPointF TrendsChart::pointPosition(const Panel& panel, std::size_t index) const {
  const store::TrendValue& v = panel.series->values.at(index);
  return {panel.rect->axis(QCPAxis::atBottom)->coordToPixel(v.when),
          panel.rect->axis(QCPAxis::atLeft)->coordToPixel(v.value)};
}

TrendsChart::Hit TrendsChart::hitAt(QPoint pos) const {
  Hit hit;
  double best = kHitPixels * kHitPixels;
  for (const Panel& p : panels_) {
    if (!p.rect->rect().contains(pos)) continue;
    const QCPRange shown = p.rect->axis(QCPAxis::atBottom)->range();
    for (std::size_t i = 0; i < p.series->values.size(); ++i) {
      if (!shown.contains(p.series->values[i].when)) continue;
      const QPointF d = pointPosition(p, i) - QPointF(pos);
      const double distance = d.x() * d.x() + d.y() * d.y();
      if (distance <= best) {
        best = distance;
        hit = {&p, i};
      }
    }
  }
  return hit;
}

QString TrendsChart::toolTipAt(QPoint pos) const {
  const Hit hit = hitAt(pos);
  if (!hit.panel) {
    QStringList entries;
    for (const store::MaintenanceEntry* e : entriesAt(pos)) entries << entryText(*e);
    return entries.join(QStringLiteral("\n\n"));
  }
  const store::TrendSeries& s = *hit.panel->series;
  const store::TrendValue& v = s.values[hit.index];
  if (v.flight == store::kNoFlight)
    return QStringLiteral("%1 on %2: %3\n%4")
        .arg(hit.panel->title, QString::fromStdString(v.date), valueText(s, v.value), QString::fromStdString(v.note));
  QString text = QStringLiteral("Flight %1 of %2\n%3: %4")
                     .arg(QString::fromStdString(v.label), QString::fromStdString(v.date), hit.panel->title,
                          valueText(s, v.value));
  if (!v.comparable) text += QStringLiteral("\nOther power or OAT than the newest flight: not in the median");
  for (const store::TrendMark& m : s.marks)
    if (m.value == hit.index) text += QStringLiteral("\n▲ ") + QString::fromStdString(m.text);
  return text;
}

bool TrendsChart::eventFilter(QObject* watched, QEvent* event) {
  if (watched == plot_ && event->type() == QEvent::MouseMove) {
    const auto* e = static_cast<QMouseEvent*>(event);
    const QString tip = toolTipAt(e->position().toPoint());
    if (tip.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(e->globalPosition().toPoint(), tip, plot_);
  }
  if (watched == plot_ && event->type() == QEvent::MouseButtonPress) {
    const auto* e = static_cast<QMouseEvent*>(event);
    if (e->button() == Qt::LeftButton)
      if (const Hit hit = hitAt(e->position().toPoint());
          hit.panel && hit.panel->series->values[hit.index].flight != store::kNoFlight) {
        emit flightClicked(static_cast<int>(hit.panel->series->values[hit.index].flight));
        return true;
      }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace varnix::app::logbook
