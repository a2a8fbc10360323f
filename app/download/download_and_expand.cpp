// SPDX-License-Identifier: GPL-3.0-or-later
#include "download/download_and_expand.h"

#include <QDir>

#include "archives/flow_helpers.h"
#include "binding/library_buffers.h"
#include "binding/varnix_library.h"
#include "download/frm_status_bar.h"
#include "download/show_decompressed_files.h"
#include "result_messages.h"
#include "shared/message_box.h"
#include "shared/mod_status_bar.h"

namespace varnix::app::modStatusBar {

namespace {

const QString kInformation = QString::fromLatin1(messages::kInformationTitle);

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
  const LibraryCall download = programLibrary().DataDownload(fileBuf, folderBuf);
  if (screen) screen->hide();
  if (reportLibraryProblem(download)) return;
  if (download.code != 0) {
    showIfAny(messages::downloadMessage(download.code, screen ? toLibraryText(screen->portName) : std::string()),
              MsgIcon::Exclamation);
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
