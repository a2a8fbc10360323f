// SPDX-License-Identifier: GPL-3.0-or-later
// The flight data library's four functions as a front end reaches them: the
// desktop program through the library it loads (app/binding), the command
// line straight from the core (core_library.h). Paths and ids are 8-bit
// texts in the system's code page.
#pragma once

#include <functional>
#include <string>

#include "core/download.h"
#include "core/expand.h"
#include "flight/outcome.h"

namespace varnix::frontend {

// One call: it ran and the value is its result code, or it could not run
// (the library or the function missing, another call still running) and
// the problem says why.
using LibraryOutcome = flight::Outcome<int>;

class FlightLibrary {
 public:
  virtual ~FlightLibrary() = default;

  // Called on the downloading thread while a dump arrives; true stops the
  // download, and what arrived is filed.
  using DownloadHook = std::function<bool(const DownloadProgress&)>;

  // Receives one dump and files it under `dataFolder`; `dump` receives the
  // stored dump's path (empty when nothing was kept).
  virtual LibraryOutcome dataDownload(const std::string& dataFolder, std::string& dump,
                                      const DownloadHook& progress) = 0;
  // Expands `dump`; its flight files go into the user's subfolder of
  // `dataFolder`. `recover`: go on after a damaged flight with the later ones.
  virtual LibraryOutcome expandDataFile(const std::string& dump, const std::string& dataFolder, bool recover) = 0;
  // What expandDataFile(dump, dataFolder, recover) would write, learnt
  // without writing anything (ExpandDataFilePreview); `code` is the code
  // that expansion would give short of its writes.
  virtual LibraryOutcome previewExpandDataFile(const std::string& dump, const std::string& dataFolder, bool recover,
                                               ExpandPreview& preview) = 0;
  // Converts the Palm backup `path`; on success `path` names the dump.
  virtual LibraryOutcome processPalmFile(std::string& path) = 0;
  // The user id of `dump`, or "BadData"; blanks at either end removed.
  virtual LibraryOutcome getUserId(const std::string& dump, std::string& id) = 0;
};

}  // namespace varnix::frontend
