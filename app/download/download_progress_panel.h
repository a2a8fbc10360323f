// SPDX-License-Identifier: GPL-3.0-or-later
// What the download screen shows while the library receives a dump: the
// phase in words, a progress bar (busy until the dump's size is known),
// the bytes received of those expected, the rate, the elapsed time and the
// time left, and the button that stops the download and keeps what arrived.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <atomic>
#include <memory>

#include "core/download.h"
#include "frontend/download_meter.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace varnix::app {

class DownloadProgressPanel : public QWidget {
  Q_OBJECT

 public:
  explicit DownloadProgressPanel(QWidget* parent = nullptr);

  // A new download: the figures start afresh and the stop button is ready.
  void begin();
  // One report from the library (on this thread), at `elapsedMs` since begin().
  void report(const DownloadProgress& progress, qint64 elapsedMs);
  // One report, timed by the panel's own clock.
  void report(const DownloadProgress& progress);

  // Set by the stop button, on this thread.
  bool stopAsked() const { return stop_->load(); }
  void askToStop();
  // The same request for the library's progress hook, which reads it on the
  // downloading thread and never touches the panel: it outlives the panel.
  std::shared_ptr<const std::atomic<bool>> stopFlag() const { return stop_; }

 signals:
  void stopClicked();

 private:
  frontend::progress::DownloadMeter meter_;
  QElapsedTimer clock_;
  std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
  QLabel* phase_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QLabel* bytes_ = nullptr;
  QLabel* rate_ = nullptr;
  QLabel* elapsed_ = nullptr;
  QLabel* left_ = nullptr;
  QPushButton* stopButton_ = nullptr;
};

}  // namespace varnix::app
