// SPDX-License-Identifier: GPL-3.0-or-later
// What the chart panels show over the lines: the flight's phases as a strip
// along each panel's foot, the findings' spans along its top and the
// aircraft's limits as lines in the panels of their channels. The flight
// window and PaintChart (pictures, the report) draw them with this one code.
#pragma once

#include <QColor>
#include <optional>
#include <vector>

#include "analysis/findings.h"
#include "analysis/flight_phases.h"
#include "analysis/limits.h"
#include "flight/flight.h"
#include "frontend/chart/panel_plan.h"

class QCustomPlot;

namespace varnix::render {

// The layer the annotations are drawn on, below the grid.
inline constexpr const char* kAnnotationLayer = "annotations";

struct ChartAnnotations {
  std::vector<analysis::PhaseSpan> phases;
  std::vector<analysis::Finding> findings;
  std::optional<analysis::Limits> limits;  // nothing: no annotations at all
};

// The colour of a phase in the strip, the Summary tab's timeline and tables.
QColor PhaseColour(analysis::Phase phase);

// Replaces the annotations of `plot`, the panel of `plan` (none without limits).
void DrawAnnotations(QCustomPlot* plot, const flight::Flight& f, const frontend::PanelPlan& plan,
                     const ChartAnnotations& annotations);

}  // namespace varnix::render
