// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/chart_colors.h"

#include <cmath>

#include "flight/channels.h"

namespace varnix::render {

namespace {

// Okabe-Ito, with its yellow darkened so that it shows on white.
const QColor kPalette[] = {QColor(0xE6, 0x9F, 0x00), QColor(0x56, 0xB4, 0xE9), QColor(0x00, 0x9E, 0x73),
                           QColor(0xC9, 0xB2, 0x00), QColor(0x00, 0x72, 0xB2), QColor(0xD5, 0x5E, 0x00),
                           QColor(0xCC, 0x79, 0xA7), QColor(0x33, 0x33, 0x33), QColor(0x99, 0x99, 0x99)};

// Other channels: a fixed colour each, so a channel looks the same wherever it is.
QColor otherColor(const flight::Channel& c) {
  using K = flight::ChannelKind;
  struct Slot {
    K kind;
    int sensor;
    int slot;
  };
  static const Slot kSlots[] = {
      {K::Dif, 0, 5},          {K::Cld, 0, 4},     {K::OilTemperature, 0, 0}, {K::Oat, 0, 1},
      {K::Cdt, 0, 2},          {K::Iat, 0, 6},     {K::OilPressure, 0, 7},    {K::FuelFlow, 0, 4},
      {K::FuelUsed, 0, 0},     {K::FuelLevel, 1, 2}, {K::FuelLevel, 2, 6},    {K::FuelPressure, 0, 7},
      {K::Rpm, 0, 4},          {K::Map, 0, 5},     {K::PowerPercent, 0, 2},   {K::Battery, 0, 4},
      {K::Battery, 1, 4},      {K::Battery, 2, 6}, {K::Amps, 0, 5},           {K::Amps, 2, 0},
      {K::Mark, 0, 8},         {K::Amps, 1, 5},    {K::Altitude, 0, 4},       {K::Altitude, 1, 1},
      {K::Altitude, 2, 2},     {K::Airspeed, 0, 5}, {K::Airspeed, 1, 0},      {K::GroundSpeed, 0, 6},
      {K::VerticalSpeed, 0, 4},
  };
  for (const Slot& s : kSlots)
    if (s.kind == c.kind && s.sensor == c.sensor) return kPalette[s.slot];
  return kPalette[7];
}

}  // namespace

QColor channelColor(const flight::Channel& k) {
  if (k.kind == flight::ChannelKind::Tit) return k.cylinder == 2 ? kPalette[8] : kPalette[7];
  if (k.cylinder > 0) return kPalette[k.cylinder - 1];
  return otherColor(k);
}

QColor channelTextColor(const flight::Channel& k) {
  // Relative luminance (WCAG); 4.5:1 against white is (1.05 / 4.5) - 0.05.
  auto luminance = [](const QColor& c) {
    auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
  };
  QColor c = channelColor(k);
  for (int i = 0; i < 20 && luminance(c) > 1.05 / 4.5 - 0.05; ++i) c = c.darker(110);
  return c;
}

QPen channelPen(const flight::Channel& k) {
  // One pixel wide: wider lines take the raster engine's slow stroking path,
  // many times the cost of a redraw of a long flight; the cosmetic stroker
  // draws dashes at 1 px as cheaply as solid lines.
  QPen pen(channelColor(k), 1);
  pen.setCosmetic(true);
  // The eight colours and grey cannot keep nine cylinders and TIT apart:
  // TIT is dash-dotted, cylinders 8 and 9 (greys) dotted.
  if (k.kind == flight::ChannelKind::Tit) pen.setStyle(Qt::DashDotLine);
  else if (k.cylinder >= 8) pen.setStyle(Qt::DotLine);
  if (k.engine == flight::Engine::Right) pen.setStyle(Qt::DashLine);
  return pen;
}

}  // namespace varnix::render
