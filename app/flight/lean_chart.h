// SPDX-License-Identifier: GPL-3.0-or-later
// The lean test's small chart beside its section on the Summary tab: each
// cylinder's EGT against the fuel flow over a sweep, its peak marked.
#pragma once

#include <vector>

#include "analysis/lean_test.h"
#include "flight/flight.h"

class QCustomPlot;
class QWidget;

namespace varnix::app::flight_view {

// The chart of the first sweep whose peaks were placed (else the first
// sweep); null when there is no sweep.
QCustomPlot* LeanSweepChart(const flight::Flight& f, const std::vector<analysis::LeanTest>& tests, QWidget* parent);

}  // namespace varnix::app::flight_view
