// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/text_lines.h"

#include <QFile>
#include <cerrno>
#include <cstdio>

#include "render/library_text.h"

namespace varnix::app {

QString stripBlanks(const QString& s) {
  qsizetype first = 0, last = s.size();
  while (first < last && s[first] == QLatin1Char(' ')) ++first;
  while (last > first && s[last - 1] == QLatin1Char(' ')) --last;
  return s.mid(first, last - first);
}

QList<QByteArray> splitTextLines(const QByteArray& bytes) {
  QList<QByteArray> lines;
  qsizetype start = 0;
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (bytes[i] != '\r') continue;
    lines.append(bytes.mid(start, i - start));
    if (i + 1 < n && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.append(bytes.mid(start));
  return lines;
}

std::optional<QStringList> readTextLines(const QString& path) {
  // Opened by its bytes: the index of a dump whose name is not valid UTF-8 too.
  std::FILE* f = openByBytes(path, "rb");
  if (!f) return errno == ENOENT ? std::optional<QStringList>(QStringList{}) : std::nullopt;
  QByteArray bytes;
  char block[65536];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) bytes.append(block, qsizetype(n));
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return std::nullopt;
  QStringList lines;
  for (const QByteArray& line : splitTextLines(bytes)) lines.append(QString::fromUtf8(line));
  return lines;
}

bool appendTextLine(const QString& path, const QString& line) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
  const QByteArray bytes = line.toUtf8() + "\r\n";
  const bool written = file.write(bytes) == bytes.size();
  file.close();
  return written && file.error() == QFileDevice::NoError;
}

}  // namespace varnix::app
