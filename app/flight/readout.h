// SPDX-License-Identifier: GPL-3.0-or-later
// The read-out beside the charts: every value at the cursor (EGT and CHT
// hottest first, with their spread), and min, max and mean of every channel
// over the ruler's span or the visible range.
#pragma once

#include <QString>
#include <vector>

#include "flight/flight.h"
#include "analysis/flight_summary.h"
#include "frontend/chart/panel_plan.h"

namespace varnix::app::flight_view {

// "9:05:07" for seconds after midnight (wrapping at 24 h).
QString clockText(double seconds);
// "1:02:03" for a length, as the reports and the logbook write it (hours past 24 go on).
QString durationText(double seconds);
// A value as the CSV file writes it; "NA" when it was not available.
QString valueText(float value);

struct RangeStats {
  std::size_t firstRow = 0, endRow = 0;  // rows [firstRow, endRow)
  bool isSpan = false;                   // the ruler's span, else the visible range
  std::vector<analysis::ChannelStats> channels;
};
RangeStats statsOfRows(const flight::Flight& f, std::size_t firstRow, std::size_t endRow, bool isSpan);

QString cursorHtml(const flight::Flight& f, const std::vector<frontend::PanelPlan>& panels, std::size_t row);
QString statsHtml(const flight::Flight& f, const std::vector<frontend::PanelPlan>& panels, const RangeStats& stats);

}  // namespace varnix::app::flight_view
