// SPDX-License-Identifier: GPL-3.0-or-later
#include "flight/flight_colors.h"

#include "flight/channels.h"

namespace varnix::app::flight_view {

namespace {

// Okabe-Ito, with its yellow darkened so that it shows on white.
const QColor kPalette[] = {QColor(0xE6, 0x9F, 0x00), QColor(0x56, 0xB4, 0xE9), QColor(0x00, 0x9E, 0x73),
                           QColor(0xC9, 0xB2, 0x00), QColor(0x00, 0x72, 0xB2), QColor(0xD5, 0x5E, 0x00),
                           QColor(0xCC, 0x79, 0xA7), QColor(0x33, 0x33, 0x33), QColor(0x99, 0x99, 0x99)};

// Other channels: a fixed colour each, so a channel looks the same wherever it is.
QColor otherColor(std::string_view base) {
  static const std::string_view kOrder[] = {"DIF", "CLD", "OIL", "OAT", "CDT", "IAT", "OILP", "FF",
                                            "USD", "LFL", "RFL", "F-P", "RPM", "MAP", "HP", "BAT",
                                            "BAT1", "BAT2", "AMPS", "AMPS2", "MARK"};
  static const int kSlot[] = {5, 4, 0, 1, 2, 6, 7, 4, 0, 2, 6, 7, 4, 5, 2, 4, 4, 6, 5, 0, 8};
  for (std::size_t i = 0; i < std::size(kOrder); ++i)
    if (kOrder[i] == base) return kPalette[kSlot[i]];
  return kPalette[7];
}

}  // namespace

QColor channelColor(const std::string& name) {
  const flight::ChannelKind k = flight::ClassifyChannel(name);
  if (k.group == flight::ChannelGroup::Tit) return k.cylinder == 2 ? kPalette[8] : kPalette[7];
  if (k.cylinder > 0) return kPalette[k.cylinder - 1];
  return otherColor(k.base.empty() ? std::string_view(name) : k.base);
}

QPen channelPen(const std::string& name) {
  QPen pen(channelColor(name), 1.6);
  const flight::ChannelKind k = flight::ClassifyChannel(name);
  if (k.engine == flight::Engine::Right) pen.setStyle(Qt::DashLine);
  if (k.group == flight::ChannelGroup::Tit) pen.setWidthF(2.2);
  return pen;
}

}  // namespace varnix::app::flight_view
