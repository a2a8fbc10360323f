// SPDX-License-Identifier: GPL-3.0-or-later
// The cause of a port that cannot be opened, with the system's answers
// faked at the probe: each cause and its remedy.
#include <gtest/gtest.h>

#include <cerrno>

#include "frontend/port_trouble.h"

namespace varnix::frontend {
namespace {

#ifndef _WIN32
TEST(PortTrouble, EachRefusalHasItsCauseAndRemedy) {
  struct Case {
    int error;
    std::string group;
    std::vector<std::string> present;
    PortTrouble trouble;
    std::string text;
  };
  const std::vector<Case> cases = {
      {0, "", {}, PortTrouble::None, ""},
      {EACCES, "dialout", {}, PortTrouble::Permission,
       "You are not allowed to open /dev/ttyUSB0: it belongs to the group 'dialout', and you are not in that group. "
       "Add yourself with the command\n    sudo usermod -aG dialout $USER\nthen log out and in again."},
      {EACCES, "root", {}, PortTrouble::Permission,
       "You are not allowed to open /dev/ttyUSB0. Ask whoever looks after this computer for access to it."},
      {ENOENT, "", {"/dev/ttyACM0", "/dev/ttyUSB1"}, PortTrouble::NoDevice,
       "There is no /dev/ttyUSB0. Is the cable plugged in? Ports present: /dev/ttyACM0, /dev/ttyUSB1."},
      {ENXIO, "", {}, PortTrouble::NoDevice,
       "There is no /dev/ttyUSB0. Is the cable plugged in? No serial adapter is present."},
      {EBUSY, "", {}, PortTrouble::Busy,
       "Another program is using /dev/ttyUSB0. Close it (a terminal program, another Varnix) and try again."},
      {EIO, "", {}, PortTrouble::Other, "The system refused to open /dev/ttyUSB0: Input/output error."},
      {ENOTTY, "", {}, PortTrouble::NotSerial,
       "/dev/ttyUSB0 is not a serial port but a file, a folder or another kind of device. Choose the port the "
       "instrument's cable is plugged into."},
  };
  for (const auto& c : cases) {
    std::string opened;
    PortProbe probe;
    probe.openError = [&](const std::string& device) { return opened = device, c.error; };
    probe.ownerGroup = [&](const std::string&) { return c.group; };
    probe.presentPorts = [&] { return c.present; };
    const PortDiagnosis d = diagnosePort("/dev/ttyUSB0", probe);
    EXPECT_EQ(opened, "/dev/ttyUSB0");
    EXPECT_EQ(d.trouble, c.trouble) << c.error;
    EXPECT_EQ(portTroubleText(d), c.text) << c.error;
  }
}

TEST(PortTrouble, ComNamesAreTriedAsTheLibraryOpensThem) {
  // And the system probe answers for a device that is not there.
  const PortDiagnosis d = diagnosePort("COM1", systemPortProbe());
  EXPECT_EQ(d.device, "/dev/ttyS0");
  EXPECT_EQ(diagnosePort("/dev/no-such-port", systemPortProbe()).trouble, PortTrouble::NoDevice);
}
#endif

}  // namespace
}  // namespace varnix::frontend
