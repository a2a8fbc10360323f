// SPDX-License-Identifier: GPL-3.0-or-later
// The download screen: the instrument's key sequence, the Start button
// that runs the download road, and the port in the caption.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "shared/forms.h"

class QLabel;
class QPushButton;

namespace varnix::app {

class FrmStatusBar : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmStatusBar";

  FrmStatusBar();
  void load() override;

  // The port name read from "VARNIX.CFG" when the screen loaded; "" when
  // it could not be read.
  QString portName;

  // "&Start": runs the download road, then closes the screen.
  void start();

 private:
  QLabel* status_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* exit_ = nullptr;
};

// The caption's port and baud rate from the text of "VARNIX.CFG", read as
// the download reads it (the library's parser). None when the download
// could not use the file.
struct PortCaption {
  QString portName;
  QString baudRate;
};
std::optional<PortCaption> portCaptionOf(const QByteArray& fileBytes);

}  // namespace varnix::app
