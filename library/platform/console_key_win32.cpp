// SPDX-License-Identifier: MIT
#include <windows.h>
#include <conio.h>

#include "platform/console_key.h"

namespace varnix::platform {

namespace {
// A windowed program, or one whose input is redirected, has no console input.
bool hasConsoleInput() {
  DWORD mode = 0;
  const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  return in != nullptr && in != INVALID_HANDLE_VALUE && ::GetConsoleMode(in, &mode);
}
}  // namespace

bool consoleKeyWaiting() { return hasConsoleInput() && _kbhit() != 0; }

void consumeConsoleKey() {
  if (hasConsoleInput() && _kbhit()) _getch();
}

}  // namespace varnix::platform
