// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/port_trouble.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/serial_port.h"
#include "platform/wide_text.h"

namespace varnix::frontend {

namespace {

PortTrouble troubleOf(int error) {
  if (error == 0) return PortTrouble::None;
#ifdef _WIN32
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return PortTrouble::NoDevice;
    case ERROR_ACCESS_DENIED:  // what Windows answers for a port in use
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return PortTrouble::Busy;
    case ERROR_NOT_SUPPORTED:
      return PortTrouble::NotSerial;
    default:
      return PortTrouble::Other;
  }
#else
  switch (error) {
    case EACCES:
    case EPERM:
      return PortTrouble::Permission;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return PortTrouble::NoDevice;
    case EBUSY:
      return PortTrouble::Busy;
    case ENOTTY:
    case EISDIR:
      return PortTrouble::NotSerial;
    default:
      return PortTrouble::Other;
  }
#endif
}

int systemOpenError(const std::string& device) {
#ifdef _WIN32
  const HANDLE h = ::CreateFileW(platform::wideFromUtf8(device).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
  const bool character = ::GetFileType(h) == FILE_TYPE_CHAR;
  ::CloseHandle(h);
  return character ? 0 : ERROR_NOT_SUPPORTED;
#else
  const int fd = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  const bool terminal = ::isatty(fd) == 1;  // a serial line is a terminal device; /dev/null is not
  ::close(fd);
  return terminal ? 0 : ENOTTY;
#endif
}

std::string systemOwnerGroup(const std::string& device) {
#ifdef _WIN32
  (void)device;
  return {};
#else
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return {};
  group entry{};
  group* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
  return found->gr_name;
#endif
}

std::vector<std::string> systemPresentPorts() {
  std::vector<std::string> ports;
#ifndef _WIN32
  // USB adapters and modems; the built-in ports are always listed by the
  // port screen as COM1 to COM5.
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/dev", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0) ports.push_back(entry.path().string());
  }
  std::sort(ports.begin(), ports.end());
#endif
  return ports;
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

}  // namespace

PortProbe systemPortProbe() { return {systemOpenError, systemOwnerGroup, systemPresentPorts}; }

PortDiagnosis diagnosePort(const std::string& portName, const PortProbe& probe) {
  PortDiagnosis d;
  d.device = platform::serialDeviceName(portName);
  d.error = probe.openError(d.device);
  d.trouble = troubleOf(d.error);
  if (d.trouble == PortTrouble::Permission) d.group = probe.ownerGroup(d.device);
  if (d.trouble == PortTrouble::NoDevice) d.present = probe.presentPorts();
  return d;
}

std::string portTroubleText(const PortDiagnosis& d) {
  switch (d.trouble) {
    case PortTrouble::None:
      return {};
    case PortTrouble::Permission:
      if (d.group.empty() || d.group == "root")
        return "You are not allowed to open " + d.device + ". Ask whoever looks after this computer for access to it.";
      return "You are not allowed to open " + d.device + ": it belongs to the group '" + d.group +
             "', and you are not in that group. Add yourself with the command\n    sudo usermod -aG " + d.group +
             " $USER\nthen log out and in again.";
    case PortTrouble::NoDevice:
      return "There is no " + d.device + ". Is the cable plugged in? " +
             (d.present.empty() ? std::string("No serial adapter is present.")
                                : "Ports present: " + joined(d.present) + ".");
    case PortTrouble::Busy:
      return "Another program is using " + d.device + ". Close it (a terminal program, another Varnix) and try again.";
    case PortTrouble::NotSerial:
      return d.device + " is not a serial port but a file, a folder or another kind of device. Choose the port the "
             "instrument's cable is plugged into.";
    case PortTrouble::Other:
      break;
  }
#ifdef _WIN32
  return "The system refused to open " + d.device + " (error " + std::to_string(d.error) + ").";
#else
  return "The system refused to open " + d.device + ": " + std::strerror(d.error) + ".";
#endif
}

}  // namespace varnix::frontend
