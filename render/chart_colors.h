// SPDX-License-Identifier: GPL-3.0-or-later
// One colour per cylinder, the same in every panel and in the table, from
// a palette that colour-blind readers can tell apart (Okabe and Ito); the
// right engine of a twin is drawn dashed.
#pragma once

#include <QColor>
#include <QPen>
#include <string>

#include "flight/channels.h"

namespace varnix::render {

QColor channelColor(const flight::Channel& channel);
// The same colour darkened until it reads as text on white (4.5:1).
QColor channelTextColor(const flight::Channel& channel);
QPen channelPen(const flight::Channel& channel);

}  // namespace varnix::render
