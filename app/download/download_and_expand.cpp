// SPDX-License-Identifier: GPL-3.0-or-later
#include "download/download_and_expand.h"

#include <QDir>
#include <QPointer>

#include "archives/flow_helpers.h"
#include "binding/library_buffers.h"
#include "binding/varnix_library.h"
#include "download/download_progress_panel.h"
#include "download/frm_status_bar.h"
#include "download/show_decompressed_files.h"
#include "port_trouble.h"
#include "result_messages.h"
#include "shared/message_box.h"
#include "shared/mod_status_bar.h"

namespace varnix::app::modStatusBar {

namespace {

const QString kInformation = QString::fromLatin1(messages::kInformationTitle);
// The download's path buffer.
constexpr std::size_t kDownloadPathBuffer = 4096;

void showIfAny(const std::string& text, MsgIcon icon) {
  if (!text.empty()) MsgBox(fromLibraryText(text), kInformation, icon);
}

}  // namespace

void DownloadAndExpand() {
  std::string fileBuf = pathBuffer();
  std::string folderBuf = folderBuffer(toLibraryText(DataFolder));
  std::string idBuf = idBuffer();
  QDir::setCurrent(AppFolder);

  FrmStatusBar* screen = forms::find<FrmStatusBar>();
  // The library reports from its thread; the screen hears it on its own.
  QPointer<DownloadProgressPanel> panel = screen ? screen->progressPanel() : nullptr;
  auto hook = [panel](const DownloadProgress& p) {
    if (!panel) return false;
    QMetaObject::invokeMethod(panel, [panel, p] { if (panel) panel->report(p); }, Qt::QueuedConnection);
    return panel->stopAsked();
  };
  if (screen) screen->setReceiving(true);
  // A buffer that any path fits: the library never has to answer 14.
  fileBuf.assign(kDownloadPathBuffer, '\0');
  const LibraryCall download = programLibrary().DataDownloadProgress(fileBuf, folderBuf, hook, screen);
  if (screen) {
    screen->setReceiving(false);
    screen->hide();
  }
  if (reportLibraryProblem(download)) return;
  if (download.code != 0) {
    const std::string port = screen ? toLibraryText(screen->portName) : std::string();
    std::string text = messages::downloadMessage(download.code, port);
    // A port that cannot be opened: why, and what to do.
    if (download.code == kDownloadPortNotOpened && !port.empty()) {
      const std::string cause = frontend::portTroubleText(frontend::diagnosePort(port, frontend::systemPortProbe()));
      if (!cause.empty()) text += "\n\n" + cause;
    }
    showIfAny(text, MsgIcon::Exclamation);
    return;
  }
  MsgBox(fromLibraryText(messages::downloadMessage(0, {})), kInformation, MsgIcon::Information);

  const LibraryCall expand = programLibrary().ExpandDataFile(fileBuf, folderBuf);
  if (reportLibraryProblem(expand)) return;
  const QString dumpPath = fromLibraryText(textBeforeNul(fileBuf));
  showIfAny(messages::expandMessage(expand.code, toLibraryText(dumpPath)), MsgIcon::Exclamation);

  ShowDecompressedFiles(dumpPath);

  const LibraryCall id = programLibrary().GetUserID(fileBuf, idBuf);
  if (reportLibraryProblem(id)) return;
  UserID = fromLibraryText(userIdFrom(idBuf));
}

}  // namespace varnix::app::modStatusBar
