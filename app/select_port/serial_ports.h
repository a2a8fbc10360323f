// The serial ports that the system reports, beyond COM1 to COM5: USB
// adapters and the like (COM7 on Windows, /dev/ttyUSB0 on Linux).
#pragma once

#include <QStringList>

namespace varnix::app {

QStringList furtherSerialPorts();

}  // namespace varnix::app
