// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own pictures (SVG resources drawn for Varnix).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QWidget>

namespace varnix::app {

// `name` is the picture's file name without ".svg", e.g. "btn_download".
QPixmap picture(const QString& name, QSize size);
QIcon pictureIcon(const QString& name);

// A picture that fills as much of its box as its proportions allow.
class PictureBox : public QWidget {
 public:
  PictureBox(const QString& name, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString name_;
};

}  // namespace varnix::app
