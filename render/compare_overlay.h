// SPDX-License-Identifier: GPL-3.0-or-later
// A second flight drawn over the panels of the first: one dashed line, in
// the colour of A's, per channel of A that B has, shifted by the alignment's
// offset. Its graphs follow A's in each panel, out of the legend; the
// window's heading, and a picture's title lines, say which flight is which.
// The flight window, its pictures, the report and varnix-cli chart all draw
// B through these.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "flight/flight.h"
#include "frontend/compare/flight_compare.h"
#include "render/chart_scene.h"

namespace varnix::render {

struct Comparison {
  QString path;                                 // B's file
  std::shared_ptr<const flight::Flight> flight;  // B
  std::vector<int> match;                       // per channel of A, B's channel or -1
  frontend::Alignment alignment;
  // B's per-block extremes per channel, so that the value axes take B's lines in too.
  std::shared_ptr<const std::vector<frontend::ValueExtremes>> extremes;
};

// B beside A: its channels matched to A's and its rows aligned `by`, as the
// flight window compares them (`ma`, `mb`: the flights' moments; `extremes`:
// ChannelExtremes of B).
Comparison MakeComparison(const flight::Flight& a, const frontend::FlightMoments& ma,
                          std::shared_ptr<const flight::Flight> b, const frontend::FlightMoments& mb,
                          std::shared_ptr<const std::vector<frontend::ValueExtremes>> extremes, frontend::AlignBy by,
                          QString path);
// The same, finding both flights' moments and B's extremes first (for the
// report and the command line, which have no phases of B at hand).
Comparison CompareFlights(const flight::Flight& a, std::shared_ptr<const flight::Flight> b, frontend::AlignBy by,
                          QString path);

// A picture's title lines naming both flights: A's (solid) and B's (dashed),
// with how B was aligned and why not as asked.
std::string ComparedTitle(const flight::Flight& a, const Comparison& c);

// B's graphs added to `p` after A's, for the channels B has; those there
// before are removed first (none added without `c`).
void LayOutComparison(ScenePanel& p, const Comparison* c);
// B's points for the panel's shown range, as many as `width` pixel columns
// show; each of B's graphs shown while A's of its channel is.
void FeedComparison(ScenePanel& p, const flight::Flight& a, const Comparison& c, int width);
// Widens the panel's value axes, fitted to A, to B's values over the same
// span of A's clock (the shown range, or B's whole flight).
void WidenForComparison(ScenePanel& p, const flight::Flight& a, const Comparison& c, bool shownRange);

}  // namespace varnix::render
