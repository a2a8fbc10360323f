// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/viewers/text_view.h"

#include <QFile>
#include <cstdio>
#include <new>

#include "platform/platform.h"
#include "render/library_text.h"

namespace varnix::app {

QByteArray withCrLfLineEnds(const QByteArray& bytes) {
  QByteArray out;
  out.reserve(bytes.size() + bytes.size() / 16 + 2);
  const qsizetype n = bytes.size();
  qsizetype start = 0;
  for (qsizetype i = 0; i < n; ++i) {
    if (bytes[i] != '\r') continue;
    out.append(bytes.constData() + start, i - start);
    out.append("\r\n", 2);
    if (i + 1 < n && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) {
    out.append(bytes.constData() + start, n - start);
    out.append("\r\n", 2);
  }
  return out;
}

ShownText readFileForDisplay(const QString& path) {
  ShownText shown;
  // Opened by its bytes: a name that is not valid UTF-8 too.
  QFile file;
  std::FILE* handle = openByBytes(path, "rb");
  if (!handle || !file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    if (handle) std::fclose(handle);
    shown.status = platform::fileExists(toLibraryText(path)) ? ShownText::TooLarge : ShownText::CannotOpen;
    return shown;
  }
  try {
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || (file.size() > 0 && bytes.size() < file.size())) {
      shown.status = ShownText::TooLarge;
      return shown;
    }
    shown.text = QString::fromUtf8(withCrLfLineEnds(bytes));
  } catch (const std::bad_alloc&) {
    shown.status = ShownText::TooLarge;
    shown.text.clear();
  }
  return shown;
}

}  // namespace varnix::app
