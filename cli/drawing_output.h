// SPDX-License-Identifier: GPL-3.0-or-later
// What chart and report share around the file they draw: Qt without a
// display, and the checks on the output's name before any drawing.
#pragma once

#include <string>

namespace varnix::cli {

// Before the QApplication: offscreen when there is no display to connect
// to (not on Windows, which needs none), and Qt's notice that XDG_RUNTIME_DIR is not set left unsaid (a
// command that draws into a file needs no runtime folder; every other Qt
// message is printed as Qt prints it).
void prepareQtWithoutDisplay();

// 0 when `out` may be written; else the command's exit code, its message
// printed: the output is the flight file itself (under any name), or it
// exists and `force` was not given.
int checkOutputName(const std::string& flight, const std::string& out, bool force);

}  // namespace varnix::cli
