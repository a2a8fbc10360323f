// SPDX-License-Identifier: GPL-3.0-or-later
// The roads' view of the library that the program loads: each call goes
// through VarnixLibrary with the fixed-size buffers the library expects.
#pragma once

#include "app/binding/varnix_library.h"
#include "frontend/flight_library.h"

namespace varnix::app {

class LoadedLibrary : public frontend::FlightLibrary {
 public:
  explicit LoadedLibrary(VarnixLibrary& library) : library_(library) {}

  // The window that keeps taking input while a download runs (its stop
  // button); may be null.
  QWidget* responsive = nullptr;

  frontend::LibraryOutcome dataDownload(const std::string& dataFolder, std::string& dump,
                                        const DownloadHook& progress) override;
  frontend::LibraryOutcome expandDataFile(const std::string& dump, const std::string& dataFolder,
                                          bool recover) override;
  frontend::LibraryOutcome previewExpandDataFile(const std::string& dump, const std::string& dataFolder, bool recover,
                                                 ExpandPreview& preview) override;
  frontend::LibraryOutcome processPalmFile(std::string& path) override;
  frontend::LibraryOutcome getUserId(const std::string& dump, std::string& id) override;

 private:
  VarnixLibrary& library_;
};

}  // namespace varnix::app
