// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/compare_overlay.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

#include "analysis/flight_phases.h"
#include "frontend/chart/plot_points.h"
#include "frontend/report/time_text.h"

namespace varnix::render {

namespace {

std::string signedClock(double seconds) {
  std::string text(1, seconds < 0 ? '-' : '+');
  text += flight::ClockText(std::abs(seconds));
  return text;
}

}  // namespace

Comparison MakeComparison(const flight::Flight& a, const frontend::FlightMoments& ma,
                          std::shared_ptr<const flight::Flight> b, const frontend::FlightMoments& mb,
                          std::shared_ptr<const std::vector<frontend::ValueExtremes>> extremes, frontend::AlignBy by,
                          QString path) {
  Comparison c;
  c.path = std::move(path);
  c.match = frontend::MatchChannels(a.channels, b->channels);
  c.alignment = frontend::AlignFlights(a, ma, *b, mb, by);
  c.extremes = std::move(extremes);
  c.flight = std::move(b);
  return c;
}

Comparison CompareFlights(const flight::Flight& a, std::shared_ptr<const flight::Flight> b, frontend::AlignBy by,
                          QString path) {
  const frontend::FlightMoments ma = frontend::MomentsOf(analysis::FindPhases(a));
  const frontend::FlightMoments mb = frontend::MomentsOf(analysis::FindPhases(*b));
  auto extremes = std::make_shared<const std::vector<frontend::ValueExtremes>>(ChannelExtremes(*b));
  return MakeComparison(a, ma, std::move(b), mb, std::move(extremes), by, std::move(path));
}

std::string ComparedTitle(const flight::Flight& a, const Comparison& c) {
  std::string title = "A (solid): ";
  title += PictureTitle(a);
  title += "\nB (dashed): ";
  title += PictureTitle(*c.flight);
  title += " · aligned by ";
  title += frontend::AlignByName(c.alignment.by);
  title += ", B's start at ";
  title += flight::ClockText(a.startOfDay + c.alignment.offset);
  title += " (";
  title += signedClock(c.alignment.offset);
  title += ")";
  if (!c.alignment.note.empty()) {
    title += " · ";
    title += c.alignment.note;
  }
  return title;
}

void LayOutComparison(ScenePanel& p, const Comparison* c) {
  const int own = static_cast<int>(p.channels.size());
  while (p.plot->graphCount() > own) p.plot->removeGraph(p.plot->graphCount() - 1);
  if (!c) return;
  for (std::size_t g = 0; g < p.channels.size(); ++g) {
    const auto channel = static_cast<std::size_t>(p.channels[g]);
    if (channel >= c->match.size() || c->match[channel] < 0) continue;
    QCPGraph* mine = p.plot->graph(static_cast<int>(g));
    QCPGraph* theirs = p.plot->addGraph(mine->keyAxis(), mine->valueAxis());
    QPen pen = mine->pen();
    pen.setStyle(Qt::DashLine);
    theirs->setPen(pen);
    theirs->setLayer(mine->layer());
    theirs->setAdaptiveSampling(false);  // the points are per pixel column already
    theirs->removeFromLegend();
  }
}

void FeedComparison(ScenePanel& p, const flight::Flight& a, const Comparison& c, int width) {
  const flight::Flight& b = *c.flight;
  const int own = static_cast<int>(p.channels.size());
  if (b.rows() == 0 || p.plot->graphCount() <= own) return;
  // A's shown range on B's clock: B's row at t lies at t + offset on A's.
  const double shift = a.startOfDay + c.alignment.offset;
  const QCPRange range = p.plot->xAxis->range();
  const std::size_t first = b.rowAt(range.lower - shift);
  const std::size_t last = b.rowAt(range.upper - shift) + 1;
  std::vector<frontend::PlotPoint> points;
  QVector<QCPGraphData> data;
  int graph = own;
  for (std::size_t g = 0; g < p.channels.size() && graph < p.plot->graphCount(); ++g) {
    const auto channel = static_cast<std::size_t>(p.channels[g]);
    if (channel >= c.match.size() || c.match[channel] < 0) continue;
    QCPGraph* theirs = p.plot->graph(graph++);
    theirs->setVisible(p.plot->graph(static_cast<int>(g))->visible());
    frontend::PlotPoints(b.seconds, b.column(static_cast<std::size_t>(c.match[channel])), first, last,
                       static_cast<std::size_t>(std::max(width, 1)), points);
    data.resize(static_cast<qsizetype>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i)
      data[static_cast<qsizetype>(i)] = QCPGraphData(shift + points[i].seconds, points[i].value);
    theirs->data()->set(data, true);
  }
}

void WidenForComparison(ScenePanel& p, const flight::Flight& a, const Comparison& c, bool shownRange) {
  const flight::Flight& b = *c.flight;
  if (p.valueZoomed || !c.extremes || b.rows() == 0) return;
  std::size_t first = 0, last = b.rows() - 1;
  if (shownRange) {
    const double shift = a.startOfDay + c.alignment.offset;
    const QCPRange range = p.plot->xAxis->range();
    if (range.upper < shift || range.lower > shift + b.seconds.back()) return;  // B is not in view
    first = b.rowAt(range.lower - shift);
    last = b.rowAt(range.upper - shift);
  }
  for (QCPAxis* axis : ValueAxes(p.plot)) {
    float low = std::numeric_limits<float>::infinity(), high = -low;
    for (std::size_t g = 0; g < p.channels.size(); ++g) {
      const QCPGraph* graph = p.plot->graph(static_cast<int>(g));
      const auto channel = static_cast<std::size_t>(p.channels[g]);
      if (graph->valueAxis() != axis || !graph->visible() || channel >= c.match.size() || c.match[channel] < 0) continue;
      if (const auto e = (*c.extremes)[static_cast<std::size_t>(c.match[channel])].of(first, last)) {
        low = std::min(low, e->first);
        high = std::max(high, e->second);
      }
    }
    if (!(low <= high)) continue;
    const QCPRange now = axis->range();
    if (low >= now.lower && high <= now.upper) continue;
    const double lower = std::min(now.lower, static_cast<double>(low)), upper = std::max(now.upper, static_cast<double>(high));
    const double pad = (upper - lower) * 0.06;
    axis->setRange(low < now.lower ? lower - pad : lower, high > now.upper ? upper + pad : upper);
  }
}

}  // namespace varnix::render
