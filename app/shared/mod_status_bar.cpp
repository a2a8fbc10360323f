// SPDX-License-Identifier: GPL-3.0-or-later
#include "shared/mod_status_bar.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "frontend/data_folder_setting.h"
#include "platform/platform.h"
#include "shared/forms.h"

namespace varnix::app::modStatusBar {

QString AppFolder;
QString DataFolder;
QString UserID;

namespace {

std::function<void()>& endProgramHandler() {
  static std::function<void()> handler;
  return handler;
}

QRect availableArea(QWidget* form) {
  QScreen* screen = form->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

void CenterForm(QWidget* form) {
  if (!form) return;
  const QRect area = availableArea(form);
  const QSize size = form->frameGeometry().size();
  int left = area.left() + (area.width() - size.width()) / 2;
  int top = area.top() + (area.height() - size.height()) / 2;
  left = std::max(left, area.left());
  top = std::max(top, area.top());
  form->move(left, top);
}

void FitToScreen(QWidget* form) {
  if (!form) return;
  const QRect area = availableArea(form);
  // The frame, where the system already knows it, stays inside the area.
  form->winId();
  const QSize frame = form->frameGeometry().size() - form->geometry().size();
  form->resize(area.size() - frame);
  form->move(area.topLeft());
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
    folder = QString::fromLocal8Bit(platform::settingsFolderFor(folder.toLocal8Bit().toStdString()));
  AppFolder = folder;
  QDir::setCurrent(root ? folder : (folder.endsWith(QLatin1Char(':')) ? folder + QLatin1Char('\\') : folder));
  DataFolder = QString::fromLocal8Bit(settings::settleDataFolder(AppFolder.toLocal8Bit().toStdString()));
}

}  // namespace varnix::app::modStatusBar
