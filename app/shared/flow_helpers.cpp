// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/flow_helpers.h"

#include <QFile>
#include <QFileInfo>

#include "app/binding/varnix_library.h"
#include "platform/platform.h"
#include "app/shared/message_box.h"

namespace varnix::app {

bool reportLibraryProblem(const LibraryCall& call) {
  if (call.done()) return false;
  MsgBox(call.problem, kProgramTitle, MsgIcon::Exclamation);
  return true;
}

QString fileNameOf(const QString& path) {
  const std::string text = toLibraryText(path);
  const std::size_t cut = platform::lastSeparator(text);
  return cut == std::string::npos ? path : fromLibraryText(text.substr(cut + 1));
}

std::optional<QString> indexFileOf(const QString& dumpPath) {
  const qsizetype dot = dumpPath.lastIndexOf(QLatin1Char('.'));
  if (dot < 0 || dumpPath.size() - dot > fileNameOf(dumpPath).size()) return std::nullopt;
  return dumpPath.left(dot + 1) + QStringLiteral("TXT");
}

bool moveFile(const QString& from, const QString& to) { return QFile::rename(from, to); }

bool sameFile(const QString& a, const QString& b) {
  const QFileInfo fa(a), fb(b);
  if (!fa.exists() || !fb.exists()) return false;
  return fa.canonicalFilePath() == fb.canonicalFilePath();
}

}  // namespace varnix::app
