// SPDX-License-Identifier: MIT
#include <poll.h>
#include <unistd.h>

#include "platform/console_key.h"

namespace varnix::platform {

// A terminal in its usual line mode hands over a key press with its line:
// the user types any key and Enter.
bool consoleKeyWaiting() {
  if (!::isatty(STDIN_FILENO)) return false;
  pollfd p{STDIN_FILENO, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

void consumeConsoleKey() {
  if (!::isatty(STDIN_FILENO)) return;
  char c;
  // The whole typed line, so that its line feed stays out of the shell.
  while (consoleKeyWaiting() && ::read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {
  }
}

}  // namespace varnix::platform
