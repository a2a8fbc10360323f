// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/flight/lean_chart.h"

#include <QColor>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

#include "analysis/limits.h"
#include "flight/channels.h"
#include "app/shared/utf8_text.h"

namespace varnix::app::flight_view {

namespace {

using namespace flight;

QString text(std::string_view s) { return Utf8ToQString(s); }

QCustomPlot* emptyChart(QWidget* parent) {
  auto* plot = new QCustomPlot(parent);
  plot->setObjectName(QStringLiteral("leanChart"));
  plot->setMinimumHeight(200);
  plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  plot->setFixedHeight(230);
  // The legend in a row of its own under the chart, clear of the curves.
  plot->axisRect()->insetLayout()->take(plot->legend);
  plot->axisRect()->insetLayout()->simplify();
  auto* legendRow = new QCPLayoutGrid;
  plot->plotLayout()->addElement(1, 0, legendRow);
  legendRow->addElement(0, 0, plot->legend);
  plot->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  plot->legend->setWrap(9);
  plot->legend->setBorderPen(Qt::NoPen);
  plot->plotLayout()->setRowStretchFactor(1, 0.001);
  return plot;
}

void draw(QCustomPlot* plot, const Flight& f, const analysis::LeanTest& test) {
  const std::size_t first = f.nearestRow(test.start_s), last = f.nearestRow(test.end_s);
  static const QColor colours[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e), QColor(0x2c, 0xa0, 0x2c),
                                   QColor(0xd6, 0x27, 0x28), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                   QColor(0xe3, 0x77, 0xc2), QColor(0x7f, 0x7f, 0x7f), QColor(0xbc, 0xbd, 0x22)};
  std::vector<analysis::LeanPeak> peaks = test.peaks;
  std::sort(peaks.begin(), peaks.end(), [](const analysis::LeanPeak& a, const analysis::LeanPeak& b) { return a.channel < b.channel; });
  int n = 0;
  for (const analysis::LeanPeak& p : peaks) {
    const int egt = f.channelIndex(p.channel);
    if (egt < 0) continue;
    const Engine engine = f.channels[static_cast<std::size_t>(egt)].engine;
    int flow = -1;
    for (std::size_t c = 0; c < f.channels.size() && flow < 0; ++c)
      if (f.channels[c].kind == ChannelKind::FuelFlow && f.channels[c].engine == engine) flow = static_cast<int>(c);
    if (flow < 0) continue;
    QCPGraph* g = plot->addGraph();
    const QColor colour = colours[n++ % 9];
    g->setPen(QPen(colour, 1.5));
    g->setName(text(p.channel));
    g->setLineStyle(QCPGraph::lsNone);
    g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
    for (std::size_t r = first; r <= last && r < f.rows(); ++r) {
      const float x = f.column(static_cast<std::size_t>(flow))[r], y = f.column(static_cast<std::size_t>(egt))[r];
      if (std::isfinite(x) && std::isfinite(y)) g->addData(x, y);
    }
    if (p.placed) {
      auto* mark = new QCPItemTracer(plot);
      mark->position->setCoords(p.fuel_flow, p.peak);
      mark->setStyle(QCPItemTracer::tsCircle);
      mark->setSize(11);
      mark->setPen(QPen(colour, 2));
    }
  }
  plot->xAxis->setLabel(QStringLiteral("Fuel flow, %1").arg(text(UnitText(test.spread_unit))));
  plot->yAxis->setLabel(QStringLiteral("EGT, %1").arg(text(UnitText(analysis::EngineUnit(f.facts)))));
  plot->legend->setVisible(n > 0);
  plot->legend->setFont(plot->font());
  plot->rescaleAxes();
  plot->yAxis->scaleRange(1.1);
  plot->xAxis->scaleRange(1.05);
  // Leaning runs from high flow to low: the sweep reads left to right.
  plot->xAxis->setRangeReversed(true);
  plot->replot();
}

}  // namespace

QCustomPlot* LeanSweepChart(const Flight& f, const std::vector<analysis::LeanTest>& tests, QWidget* parent) {
  const analysis::LeanTest* shown = nullptr;
  for (const analysis::LeanTest& t : tests)
    if (!shown || (!shown->judged && t.judged)) shown = &t;
  if (!shown) return nullptr;
  QCustomPlot* plot = emptyChart(parent);
  draw(plot, f, *shown);
  return plot;
}

}  // namespace varnix::app::flight_view
