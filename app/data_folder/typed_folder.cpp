// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/data_folder/typed_folder.h"

#include <QDir>
#include <QFileInfo>

#include "app/shared/text_lines.h"

namespace varnix::app {

namespace {

QChar separatorOf(PathRules rules) { return rules == PathRules::Windows ? QLatin1Char('\\') : QLatin1Char('/'); }

// "D:" names the drive's root, not the drive's current folder.
QString existencePath(const QString& path, PathRules rules) {
  if (rules == PathRules::Windows && path.size() == 2 && path[1] == QLatin1Char(':')) return path + QLatin1Char('\\');
  return path;
}

bool entryExists(const QString& path, PathRules rules) {
  const QFileInfo info(existencePath(path, rules));
  return info.exists() || info.isSymLink();
}

}  // namespace

TypedFolder checkTypedFolder(const QString& text, PathRules rules) {
  TypedFolder result;
  QString p = stripBlanks(text);
  if (p.isEmpty()) return result;
  const QChar sep = separatorOf(rules);

  if (rules == PathRules::Windows) {
    if (p.size() == 1) {
      p += QLatin1Char(':');
    } else {
      const bool colonSecond = p.indexOf(QLatin1Char(':')) == 1;
      const bool separatorThird = p.size() == 2 || p.indexOf(sep) == 2;
      if (!colonSecond || !separatorThird) {
        result.verdict = TypedFolder::NotCorrect;
        result.path = p;
        return result;
      }
    }
    result.onDriveA = p[0] == QLatin1Char('a') || p[0] == QLatin1Char('A');
  } else if (p[0] != sep) {
    result.verdict = TypedFolder::NotCorrect;
    result.path = p;
    return result;
  }

  if (p.endsWith(sep) && !(rules == PathRules::Posix && p.size() == 1)) p.chop(1);
  result.verdict = TypedFolder::Accepted;
  result.path = p;
  return result;
}

FolderOutcome ensureDataFolder(const QString& path, PathRules rules) {
  if (entryExists(path, rules)) {
    // A file in the folder's place would take every later download.
    return QFileInfo(existencePath(path, rules)).isDir() ? FolderOutcome::Ready : FolderOutcome::CouldNotCreate;
  }
  const QChar sep = separatorOf(rules);
  const bool hasParent = rules == PathRules::Windows ? path.size() > 3 : path.size() > 1;
  if (hasParent) {
    QString parent = path.left(path.lastIndexOf(sep));
    if (parent.isEmpty()) parent = QString(sep);
    if (!entryExists(parent, rules)) return FolderOutcome::InvalidPath;
  }
  return QDir().mkdir(existencePath(path, rules)) ? FolderOutcome::Ready : FolderOutcome::CouldNotCreate;
}

}  // namespace varnix::app
