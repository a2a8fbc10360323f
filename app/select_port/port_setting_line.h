// SPDX-License-Identifier: GPL-3.0-or-later
// The port setting as the port screen reads it back from "VARNIX.CFG".
#pragma once

#include <QByteArray>
#include <QString>

namespace varnix::app {

struct StoredPortChoice {
  QString comPort;   // as far as it could be read
  QString baudRate;  // "" when the field is too short to hold one
  bool complete = false;  // both parts were read: the screen may pre-select them
};

// The first field of the file's first line (up to the first comma or the
// line end, blanks stripped): the port is its first four characters and the
// rate what follows the fifth (a blank in "COM3 19200"). A longer port name
// ends at the field's first blank ("/dev/ttyUSB0 19200", "COM10 9600").
StoredPortChoice parsePortSetting(const QByteArray& fileBytes);

// The line the screen writes: port, one blank, rate, CR LF.
QByteArray portSettingLine(const QString& comPort, const QString& baudRate);

}  // namespace varnix::app
