// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/select_port/serial_ports.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#ifdef VARNIX_HAVE_SERIALPORT
#include <QSerialPortInfo>
#endif
#include <QSettings>
#include <algorithm>

#include "platform/serial_port.h"
#include "app/select_port/windows_ports.h"

namespace varnix::app {

namespace {

void sortNaturally(QStringList& names) {
  QCollator collator;
  collator.setNumericMode(true);
  std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}

#ifdef VARNIX_HAVE_SERIALPORT
// "FTDI, FT232R USB UART, serial A1B2C3": what the system knows, once each.
QString describe(const QSerialPortInfo& info) {
  QStringList parts;
  for (const QString& part : {info.manufacturer(), info.description()}) {
    const QString text = part.trimmed();
    if (!text.isEmpty() && !parts.contains(text, Qt::CaseInsensitive)) parts.append(text);
  }
  if (!info.serialNumber().trimmed().isEmpty()) parts.append(QStringLiteral("serial ") + info.serialNumber().trimmed());
  return parts.join(QStringLiteral(", "));
}
#endif

}  // namespace

QList<PortEntry> systemSerialPorts() {
  QList<PortEntry> entries;
  QStringList names;
  const QStringList listed = furtherSerialPorts();
#ifdef VARNIX_HAVE_SERIALPORT
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef _WIN32
    const QString name = info.portName();
#else
    const QString name = info.systemLocation();
    // Built-in 8250 ports without a UART are left out, as in the list above.
    const bool firstFive = withoutFirstPorts({name}).isEmpty();
    if (name.startsWith(QLatin1String("/dev/ttyS")) && !firstFive && !listed.contains(name)) continue;
#endif
    if (name.isEmpty() || names.contains(name)) continue;
    names.append(name);
    entries.append({name, describe(info)});
  }
#endif
#if defined(_WIN32) && !defined(VARNIX_HAVE_SERIALPORT)
  // The device manager's names and makers.
  for (const WindowsPort& port : windowsPorts()) {
    const QString name = QString::fromStdWString(port.name);
    if (names.contains(name)) continue;
    names.append(name);
    entries.append({name, QString::fromStdWString(describeWindowsPort(port))});
  }
#endif
  // What the system's own list shows that the description service missed.
  for (const QString& name : listed) {
    if (!names.contains(name)) {
      names.append(name);
      entries.append({name, {}});
    }
  }
  QCollator collator;
  collator.setNumericMode(true);
  std::sort(entries.begin(), entries.end(),
            [&](const PortEntry& a, const PortEntry& b) { return collator.compare(a.name, b.name) < 0; });
  return entries;
}

QStringList withoutFirstPorts(const QStringList& ports) {
  QStringList firstDevices;
  for (char n = '1'; n <= '5'; ++n) {
    const std::string name = std::string("COM") + n;
    firstDevices.append(QString::fromLatin1(name));
    firstDevices.append(QString::fromStdString(platform::serialDeviceName(name)));
  }
  QStringList further;
  for (const QString& port : ports) {
    if (!port.isEmpty() && !firstDevices.contains(port) && !further.contains(port)) further.append(port);
  }
  return further;
}

QStringList furtherSerialPorts() {
  QStringList ports;
#ifdef _WIN32
  QSettings map(QStringLiteral("HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM"), QSettings::NativeFormat);
  for (const QString& key : map.childKeys()) {
    const QString name = map.value(key).toString();
    ports.append(name);
  }
#else
  // Every tty with a device behind it; the built-in 8250 ports only when a
  // UART answers (their "type" is not 0), as most machines list 32 of them.
  const QDir classDir(QStringLiteral("/sys/class/tty"));
  for (const QString& name : classDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
    const QString base = classDir.filePath(name);
    if (!QFileInfo::exists(base + QStringLiteral("/device"))) continue;
    if (name.startsWith(QLatin1String("ttyS"))) {
      QFile type(base + QStringLiteral("/type"));
      if (!type.open(QIODevice::ReadOnly) || type.readAll().trimmed() == "0") continue;
    }
    const QString device = QStringLiteral("/dev/") + name;
    if (QFileInfo::exists(device)) ports.append(device);
  }
#endif
  ports = withoutFirstPorts(ports);
  sortNaturally(ports);
  return ports;
}

}  // namespace varnix::app
