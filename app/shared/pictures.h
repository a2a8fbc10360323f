// The program's own pictures (SVG resources drawn for Varnix).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace varnix::app {

// `name` is the picture's file name without ".svg", e.g. "btn_download".
QPixmap picture(const QString& name, QSize size);
QIcon pictureIcon(const QString& name);

}  // namespace varnix::app
