// SPDX-License-Identifier: GPL-3.0-or-later
// Text files as the program reads them: lines end at a CR or a CR LF pair
// (a lone LF stays inside its line); a last line without a line end still
// counts. Texts are 8-bit in the system's code page.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace varnix::app {

// `s` without the blanks (spaces) at either end.
QString stripBlanks(const QString& s);

QList<QByteArray> splitTextLines(const QByteArray& bytes);

// The lines of a file; empty when the file is missing; nothing when it
// cannot be read.
std::optional<QStringList> readTextLines(const QString& path);

// Appends `line` and CR LF to the file, creating it when missing.
bool appendTextLine(const QString& path, const QString& line);

}  // namespace varnix::app
