// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/data_folder/volumes.h"

#include <QDir>
#include <QStorageInfo>
#include <algorithm>

namespace varnix::app {

QList<Volume> systemVolumes() {
  QList<Volume> volumes;
#ifdef _WIN32
  for (const QFileInfo& drive : QDir::drives()) {
    const QString root = QDir::toNativeSeparators(drive.absoluteFilePath());
    volumes.append({root.left(2).toUpper(), root});
  }
#else
  static const char* const kHidden[] = {"/proc", "/sys", "/dev", "/run/user", "/run/lock", "/snap", "/boot/efi"};
  for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
    if (!storage.isValid()) continue;
    const QString root = storage.rootPath();
    bool hidden = false;
    for (const char* prefix : kHidden) {
      const QString p = QString::fromLatin1(prefix);
      if (root == p || root.startsWith(p + QLatin1Char('/'))) hidden = true;
    }
    if (root == QLatin1String("/run")) hidden = true;
    if (hidden || std::any_of(volumes.begin(), volumes.end(), [&](const Volume& v) { return v.root == root; }))
      continue;
    volumes.append({root, root});
  }
  std::sort(volumes.begin(), volumes.end(), [](const Volume& a, const Volume& b) {
    if (a.root == QLatin1String("/")) return b.root != QLatin1String("/");
    if (b.root == QLatin1String("/")) return false;
    return a.root < b.root;
  });
  if (volumes.isEmpty() || volumes.front().root != QLatin1String("/"))
    volumes.prepend({QStringLiteral("/"), QStringLiteral("/")});
#endif
  return volumes;
}

int volumeOf(const QList<Volume>& volumes, const QString& path) {
  int best = -1;
  qsizetype bestLength = -1;
  const QString p = QDir::fromNativeSeparators(path);
  for (int i = 0; i < volumes.size(); ++i) {
    QString root = QDir::fromNativeSeparators(volumes[i].root);
#ifdef _WIN32
    (void)bestLength;
    if (p.left(2).compare(root.left(2), Qt::CaseInsensitive) == 0) return i;
#else
    if (root.size() > 1 && root.endsWith(QLatin1Char('/'))) root.chop(1);
    const bool holds = root == QLatin1String("/") || p == root || p.startsWith(root + QLatin1Char('/'));
    if (holds && root.size() > bestLength) {
      best = i;
      bestLength = root.size();
    }
#endif
  }
  return best;
}

}  // namespace varnix::app
