// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up screen: settles the program folder and the data folder, and
// two seconds later opens the main menu.
#pragma once

#include "app/shared/forms.h"

class QLabel;
class QTimer;

namespace varnix::app {

class FrmTop : public Form {
  Q_OBJECT

 public:
  static constexpr const char* kName = "frmTop";

  // `programFolder`: where the program file lies; empty for the folder of
  // the running program.
  explicit FrmTop(QString programFolder = {});

  void load() override;
  QTimer* timer() const { return timer_; }
  // The main menu opens its logbook once it shows.
  void openLogbookAtStart(bool open) { openLogbook_ = open; }
  // Timer1 fired: show the main menu and give way to it.
  void timerFired();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // Closed before the main menu came: the program ends, as no window would
  // be left to end it with.
  void closedByFrame() override;

 private:
  void scaleFonts();

  QString programFolder_;
  QTimer* timer_ = nullptr;
  bool openLogbook_ = false;
  QLabel* title_ = nullptr;
  QLabel* motto_ = nullptr;
  QWidget* image_ = nullptr;
  QLabel* notice_ = nullptr;
};

}  // namespace varnix::app
