// SPDX-License-Identifier: GPL-3.0-or-later
// The read-out's parts for two flights and for the ruler: A, B and A−B of
// every channel at the cursor, and the ruler's change, rate per minute and
// fuel burnt between its lines.
#pragma once

#include <QString>
#include <vector>

#include "analysis/cruise_baselines.h"
#include "render/compare_overlay.h"
#include "flight/flight.h"
#include "frontend/chart/panel_plan.h"
#include "frontend/compare/flight_compare.h"

namespace varnix::app::flight_view {

using render::Comparison;

// The values of A at `row` and of B at the same moment, with their differences.
QString compareCursorHtml(const flight::Flight& a, const std::vector<frontend::PanelPlan>& panels, std::size_t row,
                          const Comparison& c);
// Which flight B is, how it is aligned, and why not as asked.
QString compareHeadingHtml(const flight::Flight& a, const Comparison& c);
// The ruler's figures between its lines; "" without a span. Without
// `perChannel` only its span and fuel, with a link (kRulerOpen) to the change
// per channel; with it, a link (kRulerClose) to fold that away.
inline constexpr const char* kRulerOpen = "ruler:open";
inline constexpr const char* kRulerClose = "ruler:close";
QString rulerHtml(const flight::Flight& f, const std::vector<frontend::PanelPlan>& panels,
                  const frontend::RulerFigures& r, bool perChannel = true);

// The flight's cruise EGT and CHT per cylinder beside the aircraft's baseline,
// or why there is none.
QString baselineHtml(const std::vector<analysis::CruiseBaseline>& baselines, flight::Unit unit);

}  // namespace varnix::app::flight_view
