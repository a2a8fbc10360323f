// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/core_library.h"

#include <cstdio>

#include "core/expand.h"
#include "core/palm.h"
#include "core/user_id.h"
#include "frontend/dump_files.h"
#include "platform/platform.h"
#include "platform/serial_port.h"

namespace varnix::frontend {

LibraryOutcome CoreLibrary::dataDownload(const std::string& dataFolder, std::string& dump,
                                        const DownloadHook& progress) {
  const auto port = platform::makeSerialPort();
  DownloadOptions options = download.options;
  if (progress) options.progress = progress;
  const DownloadResult result =
      DownloadDump(*port, download.port, download.timeouts, dataFolder + platform::kPathSeparator, header_, options);
  dump = result.path;
  return {result.code, {}};
}

LibraryOutcome CoreLibrary::expandDataFile(const std::string& dump, const std::string& dataFolder, bool recover) {
  written_.clear();
  ExpandOptions options;
  options.recover = recover;
  options.indexLine = [this](std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    written_.emplace_back(line);
  };
  return {ExpandDataFile(dump, dataFolder + platform::kPathSeparator, header_, options), {}};
}

LibraryOutcome CoreLibrary::previewExpandDataFile(const std::string& dump, const std::string& dataFolder, bool recover,
                                                  ExpandPreview& preview) {
  ExpandOptions options;
  options.recover = recover;
  return {PreviewDataFile(dump, dataFolder + platform::kPathSeparator, header_, options, preview), {}};
}

LibraryOutcome CoreLibrary::processPalmFile(std::string& path) { return {ProcessPalmFile(path), {}}; }

LibraryOutcome CoreLibrary::getUserId(const std::string& dump, std::string& id) {
  const int code = ReadUserId(dump, id, header_);
  id = trimBlanks(id);
  return {code, {}};
}

}  // namespace varnix::frontend
