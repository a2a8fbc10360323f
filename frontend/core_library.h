// SPDX-License-Identifier: GPL-3.0-or-later
// The four functions called straight from the core, for a program that
// links the core itself (the command line) rather than loading the library.
// It keeps its own header state.
#pragma once

#include <string>
#include <vector>

#include "core/config_files.h"
#include "core/download.h"
#include "core/header_lines.h"
#include "frontend/flight_library.h"

namespace varnix::frontend {

// What a download uses; the settings files give the defaults.
struct DownloadSetup {
  PortSettings port;
  DumpTimeouts timeouts;
  DownloadOptions options;
};

class CoreLibrary : public FlightLibrary {
 public:
  DownloadSetup download;

  LibraryOutcome dataDownload(const std::string& dataFolder, std::string& dump,
                              const DownloadHook& progress) override;
  LibraryOutcome expandDataFile(const std::string& dump, const std::string& dataFolder, bool recover) override;
  LibraryOutcome previewExpandDataFile(const std::string& dump, const std::string& dataFolder, bool recover,
                                       ExpandPreview& preview) override;
  LibraryOutcome processPalmFile(std::string& path) override;
  LibraryOutcome getUserId(const std::string& dump, std::string& id) override;

  // The index lines that the last expansion wrote, without CR LF: this
  // run's own, whatever another run has left in the file since.
  const std::vector<std::string>& writtenIndexLines() const { return written_; }

 private:
  HeaderState header_{};
  std::vector<std::string> written_;
};

}  // namespace varnix::frontend
