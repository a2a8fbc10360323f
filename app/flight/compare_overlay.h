// SPDX-License-Identifier: GPL-3.0-or-later
// A second flight drawn over the panels of the first: one dashed line, in
// the colour of A's, per channel of A that B has, shifted by the alignment's
// offset. Its graphs follow A's in each panel, out of the legend.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "flight/flight.h"
#include "frontend/compare/flight_compare.h"
#include "render/chart_scene.h"

namespace varnix::app::flight_view {

struct Comparison {
  QString path;                                 // B's file
  std::shared_ptr<const flight::Flight> flight;  // B
  std::vector<int> match;                       // per channel of A, B's channel or -1
  frontend::Alignment alignment;
  // B's per-block extremes per channel, so that the value axes take B's lines in too.
  std::shared_ptr<const std::vector<frontend::ValueExtremes>> extremes;
};

// B's graphs added to `p` after A's, for the channels B has; those there
// before are removed first (none added without `c`).
void LayOutComparison(render::ScenePanel& p, const Comparison* c);
// B's points for the panel's shown range, as many as `width` pixel columns
// show; each of B's graphs shown while A's of its channel is.
void FeedComparison(render::ScenePanel& p, const flight::Flight& a, const Comparison& c, int width);
// Widens the panel's value axes, fitted to A, to B's values over the same
// span of A's clock (the shown range, or B's whole flight).
void WidenForComparison(render::ScenePanel& p, const flight::Flight& a, const Comparison& c, bool shownRange);

}  // namespace varnix::app::flight_view
