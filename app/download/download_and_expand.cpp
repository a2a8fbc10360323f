// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/download/download_and_expand.h"

#include <QDir>
#include <QPointer>

#include "app/shared/flow_helpers.h"
#include "app/binding/loaded_library.h"
#include "app/download/download_progress_panel.h"
#include "app/download/frm_status_bar.h"
#include "app/download/show_decompressed_files.h"
#include "frontend/roads.h"
#include "app/shared/background_task.h"
#include "app/shared/mod_status_bar.h"
#include "app/shared/screen_user.h"

namespace varnix::app::modStatusBar {

namespace {

// The download screen goes away once the dump has arrived; the expansion's
// message comes before its flights.
class DownloadUser : public ScreenUser {
 public:
  explicit DownloadUser(FrmStatusBar* screen) : screen_(screen) {}
  void step(frontend::Step step, const std::string&) override {
    if (step == frontend::Step::DumpReceived && screen_) {
      screen_->setReceiving(false);
      screen_->hide();
    }
  }
  void expanded(const std::string& dump, int code, const frontend::Message& message) override {
    ScreenUser::expanded(dump, code, message);
    ShowDecompressedFiles(fromLibraryText(dump));
  }

 private:
  FrmStatusBar* screen_;
};

}  // namespace

void DownloadAndExpand() {
  QDir::setCurrent(AppFolder);
  FrmStatusBar* screen = forms::find<FrmStatusBar>();
  LoadedLibrary library(programLibrary());
  library.responsive = screen;
  DownloadUser user(screen);
  frontend::DownloadRoad road{toLibraryText(DataFolder), screen ? toLibraryText(screen->portName) : std::string(),
                              true};
  if (screen) {
    // The library reports on its thread; the screen hears it on its own,
    // while it lives. The stop request comes back as a flag the stop button
    // sets: the library's thread never touches the panel.
    QPointer<DownloadProgressPanel> panel = screen->progressPanel();
    std::shared_ptr<const std::atomic<bool>> stop = panel->stopFlag();
    road.progress = [panel, stop](const DownloadProgress& p) {
      postToGuiThread(panel, [panel, p] { panel->report(p); });
      return stop->load();
    };
    screen->setReceiving(true);
  }
  const frontend::DownloadOutcome out = frontend::runDownloadRoad(library, user, road);
  if (out.userIdRead) UserID = fromLibraryText(out.userId);
}

}  // namespace varnix::app::modStatusBar
