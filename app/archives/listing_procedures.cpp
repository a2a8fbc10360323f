// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/archives/listing_procedures.h"

#include "app/shared/message_box.h"

namespace varnix::app::modStatusBar {

namespace {

QString stripBlanks(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first] == QLatin1Char(' ')) ++first;
  while (last > first && text[last - 1] == QLatin1Char(' ')) --last;
  return text.mid(first, last - first);
}

}  // namespace

bool WarnMultipleFlightFile(QString& name) {
  name = stripBlanks(name);
  if (name.size() < 4) return false;
  const QString ext = name.right(4);
  const QString stem = name.left(name.size() - 4);
  if (stem.endsWith(kMultipleFlightMarker, Qt::CaseSensitive)) {
    MsgBox(QStringLiteral("Please remove multiple flight files, such as ' ") + stem.left(stem.size() - 2) +
               QStringLiteral("$$") + ext + QStringLiteral(" '."),
           QStringLiteral("Varnix Warning"), MsgIcon::Exclamation);
  }
  return true;
}

QString SecondWord(QString& line) {
  QString rest = stripBlanks(line);
  const qsizetype first = rest.indexOf(QLatin1Char(' '));
  if (first >= 0) rest = rest.mid(first + 1);
  const qsizetype next = rest.indexOf(QLatin1Char(' '));
  line = next >= 0 ? rest.left(next + 1) : QString();
  return line;
}

QString FlightFileOfLine(const QString& line) {
  const QString text = stripBlanks(line);
  const qsizetype first = text.indexOf(QLatin1Char(' '));
  if (first < 0) return {};
  QString rest = text.mid(first + 1);
  while (rest.startsWith(QLatin1Char(' '))) rest.remove(0, 1);
  const qsizetype next = rest.indexOf(QLatin1Char(' '));
  return next >= 0 ? rest.left(next) : rest;
}

}  // namespace varnix::app::modStatusBar
