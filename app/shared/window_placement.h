// SPDX-License-Identifier: GPL-3.0-or-later
// Where a window may lie: the screen's available area (the screen less the
// task bar and other panels), with room for the frame and title bar.
#pragma once

#include <QRect>

class QWidget;

namespace varnix::app {

// Height of a title bar that the system has not measured yet.
inline constexpr int kTitleBarAllowance = 32;

// The available area of the screen `form` is on (the primary screen's
// before it is shown).
QRect AvailableArea(QWidget* form);

// Moves and, if need be, shrinks `form` so that it lies inside that area
// with its frame and title bar: a geometry remembered on a larger or another
// screen must not leave the title or the buttons off screen.
void KeepOnScreen(QWidget* form);

}  // namespace varnix::app
