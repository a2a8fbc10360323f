// SPDX-License-Identifier: MIT
// A key press on the console that started the program. Only an interactive
// terminal counts: a windowed program, a pipe or a file on standard input
// never ends a download.
#pragma once

namespace varnix::platform {

// True when standard input is an interactive terminal and a key press (on
// POSIX terminals, a typed line) waits to be read.
bool consoleKeyWaiting();

// Reads the waiting key press so that it does not reach the next reader.
void consumeConsoleKey();

}  // namespace varnix::platform
