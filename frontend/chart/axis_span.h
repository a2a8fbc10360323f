// SPDX-License-Identifier: MIT
// How far a value axis reaches: the shown values with a margin, and never
// less than a span that suits the channel, so that a steady reading (RPM
// 2396-2404, a fuel flow of 12.1-12.3 GPH) draws as a steady line and not as
// noise magnified to fill its panel.
#pragma once

#include <utility>

#include "flight/channels.h"

namespace varnix::frontend {

// The least span of an axis showing `kind` in `unit`, in that unit: a few
// degrees for heads and exhaust, tens of RPM, tenths of a gallon an hour, a
// volt. A kind of no set span (Other, a trend's series) goes by its unit.
double MinimumAxisSpan(flight::ChannelKind kind, flight::Unit unit);

// `low` to `high` widened about their middle to `leastSpan`, then `margin`
// of the span added below and above; {low, high} as given when they are not
// finite or out of order.
std::pair<double, double> AxisRange(double low, double high, double leastSpan, double margin = 0.06);

}  // namespace varnix::frontend
