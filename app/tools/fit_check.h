// SPDX-License-Identifier: GPL-3.0-or-later
// The screenshot tools' check that a window fits the screen as a user sees
// it: its frame and every button inside the screen's available area, and
// no label or table header cut short (Qt elides a text that is wider than
// its widget; the font's metrics tell).
#pragma once

#include <QRect>
#include <QStringList>

class QWidget;

namespace varnix::app::tools {

// What does not fit, one line each, naming the widget ("" for none).
QStringList FitProblems(const QWidget& window, const QRect& available);

}  // namespace varnix::app::tools
