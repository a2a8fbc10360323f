// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/select_port/port_setting_line.h"

#include "app/shared/text_lines.h"

namespace varnix::app {

StoredPortChoice parsePortSetting(const QByteArray& fileBytes) {
  qsizetype end = 0;
  while (end < fileBytes.size() && fileBytes[end] != '\r' && fileBytes[end] != '\n' && fileBytes[end] != ',') ++end;
  const QString field = stripBlanks(QString::fromUtf8(fileBytes.left(end)));

  StoredPortChoice choice;
  const qsizetype blank = field.indexOf(QLatin1Char(' '));
  if (blank > 4) {
    choice.comPort = field.left(blank);
    choice.baudRate = stripBlanks(field.mid(blank + 1));
    choice.complete = true;
    return choice;
  }
  choice.comPort = field.left(4);
  if (field.size() < 5) return choice;
  choice.baudRate = field.mid(5);
  choice.complete = true;
  return choice;
}

QByteArray portSettingLine(const QString& comPort, const QString& baudRate) {
  return (comPort + QLatin1Char(' ') + baudRate).toUtf8() + "\r\n";
}

}  // namespace varnix::app
