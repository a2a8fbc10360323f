// SPDX-License-Identifier: MIT
#include "frontend/chart/axis_span.h"

#include <cmath>

namespace varnix::frontend {

namespace {

using flight::ChannelKind;
using flight::Unit;

// By the unit alone: what a reading of that unit varies by in steady flight.
double spanOfUnit(Unit unit) {
  switch (unit) {
    case Unit::DegreesF: return 10;
    case Unit::DegreesC: return 6;
    case Unit::DegreesFPerMinute: return 10;
    case Unit::DegreesCPerMinute: return 6;
    case Unit::Psi: return 5;
    case Unit::GallonsPerHour: return 0.5;
    case Unit::LitresPerHour: return 2;
    case Unit::PoundsPerHour: return 3;
    case Unit::KilogramsPerHour: return 1.5;
    case Unit::Gallons: return 1;
    case Unit::Litres: return 4;
    case Unit::Pounds: return 6;
    case Unit::Kilograms: return 3;
    case Unit::Rpm: return 50;
    case Unit::InchesHg: return 1;
    case Unit::Percent: return 5;
    case Unit::Volts: return 1;
    case Unit::Amps: return 2;
    case Unit::Feet: return 200;
    case Unit::Knots: return 10;
    case Unit::FeetPerMinute: return 200;
    case Unit::Degrees: return 0.01;  // of latitude: about half a mile
    case Unit::None: return 0;
  }
  return 0;
}

}  // namespace

double MinimumAxisSpan(ChannelKind kind, Unit unit) {
  const double byUnit = spanOfUnit(unit);
  switch (kind) {
    case ChannelKind::Egt:
    case ChannelKind::Tit:
    case ChannelKind::Dif:
      return 2 * byUnit;  // exhaust readings wander more than the heads'
    case ChannelKind::Rpm: return 50;
    case ChannelKind::Mark: return 1;
    default: return byUnit;
  }
}

std::pair<double, double> AxisRange(double low, double high, double leastSpan, double margin) {
  if (!std::isfinite(low) || !std::isfinite(high) || low > high) return {low, high};
  if (high - low < leastSpan) {
    const double middle = (low + high) / 2;
    low = middle - leastSpan / 2;
    high = middle + leastSpan / 2;
  }
  // A single value of a unitless channel still gets an axis around it.
  const double pad = high > low ? (high - low) * margin : 1.0;
  return {low - pad, high + pad};
}

}  // namespace varnix::frontend
