// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/palm/palm_files.h"

#include <QDir>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>

#include "app/shared/mod_status_bar.h"
#include "app/shared/text_lines.h"

namespace varnix::app {

bool isPalmBackupName(const QString& name) {
  if (name.size() < 11 || !name.startsWith(QLatin1Char('P'), Qt::CaseInsensitive) ||
      !name.endsWith(QStringLiteral(".PDB"), Qt::CaseInsensitive))
    return false;
  for (int i = 1; i <= 6; ++i) {
    const QChar c = name[i];
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  }
  return true;
}

QList<QFileInfo> palmPatternFiles(const QString& folder) {
  QDir dir(folder);
  QList<QFileInfo> files =
      dir.entryInfoList({QStringLiteral("P*.PDB")}, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
  // Name filters follow the file system's case rule; match as Windows does.
  files.removeIf([](const QFileInfo& f) {
    return !f.fileName().startsWith(QLatin1Char('P'), Qt::CaseInsensitive) ||
           !f.fileName().endsWith(QStringLiteral(".PDB"), Qt::CaseInsensitive);
  });
  std::stable_sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
    return a.lastModified() > b.lastModified();
  });
  return files;
}

QString palmEntryText(const QDateTime& modified, const QString& name) {
  const QLocale locale = QLocale::system();
  // The long time format without a time zone name, so the entry keeps
  // its shape: date, time, five blanks, name.
  QString timeFormat = locale.timeFormat(QLocale::LongFormat);
  timeFormat.remove(QLatin1Char('t'));
  timeFormat = timeFormat.trimmed();
  return locale.toString(modified.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
         locale.toString(modified.time(), timeFormat) + QStringLiteral("     ") + name;
}

std::optional<QString> rememberedPalmFolder(const QString& appFolder) {
  const std::optional<QStringList> lines = readTextLines(modStatusBar::JoinPath(appFolder, kPalmFolderFile));
  if (!lines || lines->isEmpty()) return std::nullopt;
  const QString folder = lines->first().trimmed();
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

bool rememberPalmFolder(const QString& appFolder, const QString& folder) {
  QSaveFile file(modStatusBar::JoinPath(appFolder, kPalmFolderFile));
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(folder.toUtf8() + "\r\n");
  return file.commit();
}

}  // namespace varnix::app
