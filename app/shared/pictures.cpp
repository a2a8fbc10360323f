// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/pictures.h"

#include <QPainter>
#include <QSvgRenderer>

static void initPictureResources() { Q_INIT_RESOURCE(varnix); }

namespace varnix::app {

namespace {

QString resourcePath(const QString& name) {
  static const bool ready = (initPictureResources(), true);
  (void)ready;
  return QStringLiteral(":/pictures/") + name + QStringLiteral(".svg");
}

}  // namespace

QPixmap picture(const QString& name, QSize size) {
  QSvgRenderer renderer(resourcePath(name));
  QPixmap pixmap(size.isValid() ? size : renderer.defaultSize());
  pixmap.fill(Qt::transparent);
  if (!renderer.isValid()) return pixmap;
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  return pixmap;
}

QIcon pictureIcon(const QString& name) {
  QIcon icon;
  for (int side : {16, 24, 32, 48, 64}) icon.addPixmap(picture(name, QSize(side, side)));
  return icon;
}

PictureBox::PictureBox(const QString& name, QWidget* parent) : QWidget(parent), name_(name) {}

void PictureBox::paintEvent(QPaintEvent*) {
  QSvgRenderer renderer(resourcePath(name_));
  if (!renderer.isValid()) return;
  QSizeF size = renderer.defaultSize();
  size.scale(QSizeF(width(), height()), Qt::KeepAspectRatio);
  const QRectF target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height());
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter, target);
}

}  // namespace varnix::app
