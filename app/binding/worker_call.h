// SPDX-License-Identifier: GPL-3.0-or-later
// Runs one blocking library call on a worker thread while the user-interface
// thread keeps painting. During the call the user's input (mouse, keys,
// closing a window) is swallowed and the pointer shows the hourglass, so the
// program never looks hung and nothing the user does can start a second
// call or close a screen in the middle of one.
#pragma once

#include <functional>

class QWidget;

namespace varnix::app {

// Runs `call` to its end and returns its result. With an application
// object, `call` runs on a worker thread and this function waits in a
// local event loop; without one (or off the user-interface thread) it
// simply calls it. `responsive` (a window, may be null) keeps taking the
// user's input meanwhile, its close box included, and so do the message
// boxes it opens: the download screen's stop button and its question.
int runOffUiThread(const std::function<int()>& call, QWidget* responsive = nullptr);

// True while runOffUiThread is waiting for a call.
bool libraryCallRunning();

}  // namespace varnix::app
