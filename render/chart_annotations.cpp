// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/chart_annotations.h"

#include <qcustomplot.h>

#include "flight/channels.h"
#include "render/chart_scene.h"

namespace varnix::render {

QColor PhaseColour(analysis::Phase phase) {
  using analysis::Phase;
  switch (phase) {
    case Phase::Ground: return QColor(0xc8, 0xc8, 0xc8);
    case Phase::Runup: return QColor(0xf2, 0xc0, 0x7a);
    case Phase::Takeoff: return QColor(0xe8, 0x8a, 0x80);
    case Phase::Climb: return QColor(0xb8, 0xdc, 0x8c);
    case Phase::Cruise: return QColor(0x9c, 0xc4, 0xe8);
    case Phase::Descent: return QColor(0xc8, 0xb0, 0xe0);
  }
  return Qt::lightGray;
}

void DrawAnnotations(QCustomPlot* plot, const flight::Flight& f, const frontend::PanelPlan& plan,
                     const ChartAnnotations& a) {
  const QString layerName = QString::fromLatin1(kAnnotationLayer);
  if (!plot->layer(layerName)) plot->addLayer(layerName, plot->layer(QStringLiteral("grid")), QCustomPlot::limBelow);
  for (int n = plot->itemCount() - 1; n >= 0; --n)
    if (plot->item(n)->layer()->name() == layerName) plot->removeItem(n);
  if (!a.limits || f.rows() == 0) return;
  using K = flight::ChannelKind;
  const flight::Unit unit = analysis::EngineUnit(f.facts);
  const analysis::Limits& l = *a.limits;
  auto key = [&f](double seconds) { return KeyOfRow(f, f.nearestRow(seconds)); };
  auto strip = [&](double from, double to, double top, double bottom, const QColor& colour) {
    auto* rect = new QCPItemRect(plot);
    rect->setLayer(layerName);
    rect->setClipToAxisRect(true);
    rect->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
    rect->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
    rect->topLeft->setCoords(from, top);
    rect->bottomRight->setCoords(to, bottom);
    rect->setPen(Qt::NoPen);
    rect->setBrush(colour);
  };
  for (const analysis::PhaseSpan& s : a.phases) strip(key(s.start), key(s.end), 0.96, 1.0, PhaseColour(s.phase));
  for (const analysis::Finding& x : a.findings)
    if (x.end > x.start)
      strip(key(x.start), key(x.end), 0.0, 0.02,
            x.acknowledged ? QColor(0x90, 0x90, 0x90, 160)
            : x.severity == analysis::Severity::Warning ? QColor(0xb0, 0, 0, 170) : QColor(0xd0, 0x80, 0, 170));
  // A limit line on the axis that holds its channels.
  auto line = [&](const std::vector<int>& channels, QCPAxis* axis) {
    bool has[4] = {};
    for (int c : channels) {
      const K kind = f.channels[static_cast<std::size_t>(c)].kind;
      has[0] = has[0] || kind == K::Cht;
      has[1] = has[1] || kind == K::Tit;
      has[2] = has[2] || kind == K::Dif;
      has[3] = has[3] || kind == K::OilTemperature;
    }
    auto draw = [&](double value, const QColor& colour, Qt::PenStyle style) {
      auto* limit = new QCPItemStraightLine(plot);
      limit->setLayer(layerName);
      limit->point1->setAxes(plot->xAxis, axis);
      limit->point2->setAxes(plot->xAxis, axis);
      limit->point1->setCoords(0, value);
      limit->point2->setCoords(1, value);
      limit->setPen(QPen(colour, 1.2, style));
    };
    const QColor red(0xb0, 0, 0), amber(0xd0, 0x80, 0);
    if (has[0]) {
      draw(analysis::FahrenheitToUnit(l.chtMax, unit), red, Qt::DashLine);
      draw(analysis::FahrenheitToUnit(l.chtCaution, unit), amber, Qt::DotLine);
    }
    if (has[1]) draw(analysis::FahrenheitToUnit(l.titMax, unit), red, Qt::DashLine);
    if (has[2]) draw(analysis::FahrenheitSpanToUnit(l.difMax, unit), red, Qt::DashLine);
    if (has[3]) {
      draw(analysis::FahrenheitToUnit(l.oilMax, unit), red, Qt::DashLine);
      draw(analysis::FahrenheitToUnit(l.oilMin, unit), amber, Qt::DotLine);
    }
  };
  line(plan.left, plot->yAxis);
  line(plan.right, plot->yAxis2);
}

}  // namespace varnix::render
