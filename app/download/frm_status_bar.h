// SPDX-License-Identifier: GPL-3.0-or-later
// The download screen: the instrument's key sequence, the Start button
// that runs the download road, the port in the caption, and while the
// library receives, the progress with the button that stops it.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "app/shared/forms.h"

class QLabel;
class QPushButton;

namespace varnix::app {

class DownloadProgressPanel;

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

  // Shown from Start until the download road has received its dump.
  DownloadProgressPanel* progressPanel() const { return progress_; }
  // The download is running: the progress shows and closing asks first.
  void setReceiving(bool receiving);

 protected:
  // Closing while the dump arrives asks whether to stop the download.
  void closedByFrame() override;

 private:
  QLabel* status_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* exit_ = nullptr;
  DownloadProgressPanel* progress_ = nullptr;
  bool receiving_ = false;
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
