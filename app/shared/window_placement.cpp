// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace varnix::app {

QRect AvailableArea(QWidget* form) {
  QScreen* screen = form->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

void KeepOnScreen(QWidget* form) {
  if (!form || form->isMaximized() || form->isFullScreen()) return;
  const QRect area = AvailableArea(form);
  form->winId();
  const QRect inner = form->geometry(), frame = form->frameGeometry();
  const QMargins around(std::max(0, inner.left() - frame.left()),
                        std::max(inner.top() - frame.top(), kTitleBarAllowance),
                        std::max(0, frame.right() - inner.right()), std::max(0, frame.bottom() - inner.bottom()));
  const QRect room = area.marginsRemoved(around);
  if (room.isEmpty()) return;
  const int w = std::min(inner.width(), room.width()), h = std::min(inner.height(), room.height());
  const int x = std::clamp(inner.left(), room.left(), room.right() + 1 - w);
  const int y = std::clamp(inner.top(), room.top(), room.bottom() + 1 - h);
  if (QRect(x, y, w, h) != inner) form->setGeometry(x, y, w, h);
}

}  // namespace varnix::app
