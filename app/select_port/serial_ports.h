// SPDX-License-Identifier: GPL-3.0-or-later
// The serial ports that the system reports, beyond COM1 to COM5: USB
// adapters and the like (COM7 on Windows, /dev/ttyUSB0 on Linux).
#pragma once

#include <QList>
#include <QStringList>

namespace varnix::app {

QStringList furtherSerialPorts();

// A port as the port screen lists it.
struct PortEntry {
  QString name;         // as "VARNIX.CFG" stores it: COM7, /dev/ttyUSB0
  QString description;  // manufacturer, product and serial number of an adapter; may be empty
  bool operator==(const PortEntry&) const = default;
};

// Every serial port the system reports now, described where the system
// knows more (QSerialPortInfo; on Windows without it, SetupAPI), in their
// natural order.
QList<PortEntry> systemSerialPorts();

// `ports` without COM1 to COM5 and the devices they stand for (on Linux
// /dev/ttyS0 to /dev/ttyS4, which the library opens for them) and without
// repeats, in their order.
QStringList withoutFirstPorts(const QStringList& ports);

}  // namespace varnix::app
