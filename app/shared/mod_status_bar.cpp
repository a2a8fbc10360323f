// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/mod_status_bar.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "frontend/data_folder_setting.h"
#include "platform/platform.h"
#include "app/shared/forms.h"
#include "app/shared/window_placement.h"
#include "render/library_text.h"

namespace varnix::app::modStatusBar {

QString AppFolder;
QString DataFolder;
QString UserID;

namespace {

std::function<void()>& endProgramHandler() {
  static std::function<void()> handler;
  return handler;
}


}  // namespace

void CenterForm(QWidget* form) {
  if (!form) return;
  const QRect area = AvailableArea(form);
  const QSize size = form->frameGeometry().size();
  int left = area.left() + (area.width() - size.width()) / 2;
  int top = area.top() + (area.height() - size.height()) / 2;
  left = std::max(left, area.left());
  top = std::max(top, area.top());
  form->move(left, top);
}

void FitToScreen(QWidget* form) {
  if (!form) return;
  const QRect area = AvailableArea(form);
  // Restored from maximised, the window takes this normal geometry: inside
  // the area with room for a frame and title bar all round, so that the title
  // bar never lands above the top of the screen, even where the system has
  // not told the frame's size yet.
  form->winId();
  const QMargins frame(form->geometry().left() - form->frameGeometry().left(),
                       form->geometry().top() - form->frameGeometry().top(),
                       form->frameGeometry().right() - form->geometry().right(),
                       form->frameGeometry().bottom() - form->geometry().bottom());
  const int margin = std::min(area.width(), area.height()) / 20;
  const QMargins room(std::max(frame.left(), margin), std::max(frame.top(), margin + kTitleBarAllowance),
                      std::max(frame.right(), margin), std::max(frame.bottom(), margin));
  form->setGeometry(area.marginsRemoved(room));
  // A window manager keeps a maximised window clear of its panels,
  // frame included.
  form->setWindowState(form->windowState() | Qt::WindowMaximized);
}

void CloseSubForms() {
  for (const char* name : {"frmArchives", "frmListView", "frmSelectPort", "frmStatusBar", "frmViewFileNew", "frmPalm"})
    forms::unload(QString::fromLatin1(name));
}

void UnloadAllForms() {
  for (Form* form : forms::loaded()) unloadForm(form);
}

void EndProgram() {
  if (endProgramHandler()) {
    endProgramHandler()();
    return;
  }
  QCoreApplication::exit(0);
}

void SetEndProgramHandler(std::function<void()> handler) { endProgramHandler() = std::move(handler); }

QString JoinPath(const QString& folder, const QString& name) {
  if (folder.isEmpty()) return name;
  const QChar last = folder.back();
  if (last == QLatin1Char('/') || (platform::kPathSeparator == '\\' && last == QLatin1Char('\\')))
    return folder + name;
  return folder + QLatin1Char(platform::kPathSeparator) + name;
}

void SettleFolders(const QString& programFolder) {
  QString folder = programFolder;
  const bool root = folder.size() == 1 && folder == QLatin1String("/");
  if (!root && !folder.isEmpty() &&
      (folder.back() == QLatin1Char('\\') || (platform::kPathSeparator == '/' && folder.back() == QLatin1Char('/'))))
    folder.chop(1);
  // A program folder that cannot be written to keeps no settings: they live
  // in the settings folder instead, which also takes the working files.
  if (!folder.isEmpty())
    folder = fromLibraryText(platform::settingsFolderFor(toLibraryText(folder)));
  AppFolder = folder;
  QDir::setCurrent(root ? folder : (folder.endsWith(QLatin1Char(':')) ? folder + QLatin1Char('\\') : folder));
  DataFolder = fromLibraryText(frontend::settings::settleDataFolder(toLibraryText(AppFolder)));
}

}  // namespace varnix::app::modStatusBar
