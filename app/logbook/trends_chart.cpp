// SPDX-License-Identifier: GPL-3.0-or-later
#include "logbook/trends_chart.h"

#include <QDateTime>
#include <QVBoxLayout>
#include <cmath>
#include <map>
#include <qcustomplot.h>

#include "render/chart_colors.h"

namespace varnix::app::logbook {

namespace {

constexpr qsizetype kMarkedPoints = 150;

double secondsOf(const std::string& iso) {
  const QDateTime t = QDateTime::fromString(QString::fromStdString(iso), Qt::ISODate);
  return t.isValid() ? static_cast<double>(t.toSecsSinceEpoch()) : NAN;
}

}  // namespace

TrendsChart::TrendsChart(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  plot_ = new QCustomPlot(this);
  plot_->setObjectName(QStringLiteral("plotTrends"));
  plot_->setInteractions(QCP::iSelectPlottables);
  plot_->setNoAntialiasingOnDrag(true);
  plot_->setPlottingHint(QCP::phFastPolylines, true);
  layout->addWidget(plot_);
  connect(plot_, &QCustomPlot::plottableClick, this, &TrendsChart::clicked);
}

int TrendsChart::seriesCount() const { return plot_->graphCount(); }

void TrendsChart::clicked(QCPAbstractPlottable* plottable, int dataIndex, QMouseEvent*) {
  for (const auto& [p, flights] : points_)
    if (p == plottable && dataIndex >= 0 && static_cast<std::size_t>(dataIndex) < flights.size())
      emit flightClicked(flights[static_cast<std::size_t>(dataIndex)]);
}

void TrendsChart::setLog(std::shared_ptr<const flight::AircraftLog> log) {
  log_ = std::move(log);
  points_.clear();
  plot_->clearPlottables();
  plot_->plotLayout()->clear();
  if (!log_) {
    plot_->replot();
    return;
  }
  const flight::Unit unit = log_->flights.empty() ? flight::Unit::DegreesF : log_->flights.front().entry.engineUnit;
  const QString degrees = QString::fromUtf8(flight::UnitText(unit));
  struct Panel {
    QString title;
    QCPAxisRect* rect = nullptr;
  };
  std::vector<Panel> panels = {{QStringLiteral("Max CHT ") + degrees},
                               {QStringLiteral("Cruise EGT ") + degrees},
                               {QStringLiteral("Max DIF ") + degrees},
                               {QStringLiteral("Fuel per hour")},
                               {QStringLiteral("Min BAT V")}};
  auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
  ticker->setDateTimeFormat(QStringLiteral("yyyy-MM-dd"));
  ticker->setTickCount(6);
  for (std::size_t i = 0; i < panels.size(); ++i) {
    auto* rect = new QCPAxisRect(plot_);
    plot_->plotLayout()->addElement(static_cast<int>(i), 0, rect);
    rect->axis(QCPAxis::atBottom)->setTicker(ticker);
    rect->axis(QCPAxis::atBottom)->setTickLabels(i + 1 == panels.size());
    rect->axis(QCPAxis::atLeft)->setLabel(panels[i].title);
    panels[i].rect = rect;
  }
  auto* margins = new QCPMarginGroup(plot_);
  for (Panel& p : panels) p.rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);

  // Series keyed by panel and name, oldest flight first.
  struct Series {
    QVector<double> keys, values;
    std::vector<int> flights;
    flight::Channel channel;  // what its line is coloured by
  };
  std::map<std::pair<int, std::string>, Series> series;
  auto add = [&](int panel, const std::string& name, double when, double value, int flight,
                 const flight::Channel& channel = {}) {
    if (!std::isfinite(when) || !std::isfinite(value)) return;
    Series& s = series[{panel, name}];
    s.channel = channel;
    s.keys.push_back(when);
    s.values.push_back(value);
    s.flights.push_back(flight);
  };
  for (int i = static_cast<int>(log_->flights.size()) - 1; i >= 0; --i) {
    const flight::CatalogEntry& e = log_->flights[static_cast<std::size_t>(i)].entry;
    const double when = secondsOf(e.start);
    for (const flight::Figure& c : e.maxCht)
      add(0, c.channel, when, c.value, i, {c.channel, flight::ChannelKind::Cht, c.engine, c.cylinder});
    for (const flight::CruiseEgt& c : e.digest.cruise)
      add(1, c.channel, when, c.mean, i, {c.channel, flight::ChannelKind::Egt, c.engine, c.cylinder});
    if (e.difMax.known()) add(2, "DIF", when, e.difMax.value, i);
    if (e.recordedSeconds > 0) add(3, "FF", when, e.fuelUsed / (e.recordedSeconds / 3600.0), i);
    if (e.batteryMin.known()) add(4, "BAT", when, e.batteryMin.value, i);
  }
  double first = INFINITY, last = -INFINITY;
  for (auto& [key, s] : series) {
    QCPAxisRect* rect = panels[static_cast<std::size_t>(key.first)].rect;
    QCPGraph* g = plot_->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
    g->setName(QString::fromStdString(key.second));
    QPen pen = key.first <= 1 ? render::channelPen(s.channel) : QPen(QColor(0x30, 0x30, 0x30));
    pen.setWidthF(1.5);
    g->setPen(pen);
    // Points to click on while they can be told apart; a long history is drawn as lines (clicking
    // still picks the nearest flight).
    if (s.keys.size() <= kMarkedPoints)
      g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, pen.color(), pen.color(), 5));
    else
      pen.setWidthF(1.0);
    g->setPen(pen);
    g->setData(s.keys, s.values, true);
    g->setSelectable(QCP::stSingleData);
    for (double k : s.keys) {
      first = std::min(first, k);
      last = std::max(last, k);
    }
    points_.emplace_back(g, std::move(s.flights));
  }
  const double pad = std::isfinite(first) ? std::max(86400.0, (last - first) * 0.03) : 0;
  for (Panel& p : panels) {
    if (std::isfinite(first)) p.rect->axis(QCPAxis::atBottom)->setRange(first - pad, last + pad);
    bool found = false;
    QCPRange r;
    for (QCPGraph* g : p.rect->graphs()) {
      bool ok = false;
      const QCPRange gr = g->getValueRange(ok);
      if (!ok) continue;
      r = found ? QCPRange(std::min(r.lower, gr.lower), std::max(r.upper, gr.upper)) : gr;
      found = true;
    }
    if (found) {
      const double margin = std::max(1.0, r.size() * 0.08);
      p.rect->axis(QCPAxis::atLeft)->setRange(r.lower - margin, r.upper + margin);
    }
  }
  plot_->replot();
}

}  // namespace varnix::app::logbook
