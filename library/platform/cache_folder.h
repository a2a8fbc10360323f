// SPDX-License-Identifier: MIT
// The user's folder for what the program keeps only to go faster (the
// flight catalog of a data folder it cannot write to): $XDG_CACHE_HOME/varnix
// (an $XDG_CACHE_HOME that is no absolute path is ignored), else
// ~/.cache/varnix; %LOCALAPPDATA%\varnix on Windows. Empty when the
// environment names no such folder. It is not made here.
#pragma once

#include <string>

namespace varnix::platform {

std::string cacheFolder();

}  // namespace varnix::platform
