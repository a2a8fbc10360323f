// SPDX-License-Identifier: GPL-3.0-or-later
// The Palm screen's files: which backups it lists, how a list entry reads,
// and "VXuser.CFG", the remembered Backup folder.
#pragma once

#include <QDateTime>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <optional>

namespace varnix::app {

inline const QString kPalmFolderFile = QStringLiteral("VXuser.CFG");

// A name matching "P*.PDB" (any case, as Windows matches) whose characters
// 2 to 7 are all decimal digits.
bool isPalmBackupName(const QString& name);

// The files matching "P*.PDB" in `folder`, newest first.
QList<QFileInfo> palmPatternFiles(const QString& folder);

// The list entry: last-modified date (short format) and time, five blanks,
// the file name.
QString palmEntryText(const QDateTime& modified, const QString& name);

// The first line of "VXuser.CFG" in `appFolder`, trimmed; none when the
// file is missing, unreadable or blank.
std::optional<QString> rememberedPalmFolder(const QString& appFolder);

// Rewrites "VXuser.CFG" with `folder` on one line (CR LF).
bool rememberPalmFolder(const QString& appFolder, const QString& folder);

}  // namespace varnix::app
