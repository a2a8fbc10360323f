// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/core_library.h"

#include <cstdio>

#include "core/csv_writer.h"
#include "core/expand.h"
#include "core/naming.h"
#include "core/palm.h"
#include "core/user_id.h"
#include "frontend/dump_files.h"
#include "platform/platform.h"
#include "platform/serial_port.h"

namespace varnix::frontend {

namespace {

// Looks for each flight's CSV in the user folder; writes nothing.
class ExpandedFlightsProbe : public FlightSink {
 public:
  ExpandedFlightsProbe(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}
  std::vector<std::string> found;

  bool beginFlight(const FlightStart& start) override {
    const std::string folder = joinPath(dataFolder_, start.folder.empty() ? FolderForUserId(start.userId)
                                                                          : std::string(start.folder));
    for (int i = 0; i < kNameSuffixCount; ++i) {
      const std::string name = FlightFileBase(start.flight.flightNumber) + std::string(NameSuffix(i)) + ".CSV";
      std::FILE* f = platform::openFile(joinPath(folder, name), "rb");
      if (!f) continue;
      char text[512] = {};
      const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
      std::fclose(f);
      // Line 4 names the flight and its start.
      std::string_view head(text, n);
      for (int line = 0; line < 3 && head.find('\n') != std::string_view::npos; ++line)
        head.remove_prefix(head.find('\n') + 1);
      if (head.substr(0, head.find('\r')) == FlightTitleLine(start.flight, NameSuffix(i))) {
        found.push_back("Flt#" + std::to_string(start.flight.flightNumber));
        break;
      }
    }
    return true;
  }
  void rows(const FlightRows&) override {}
  void endFlight(const FlightEnd&) override {}
  void diagnostic(std::string_view) override {}

 private:
  std::string dataFolder_;
};

}  // namespace

std::vector<std::string> flightsAlreadyExpanded(const std::string& dump, const std::string& dataFolder) {
  std::FILE* f = platform::openFile(dump, "rb");
  if (!f) return {};
  std::vector<std::uint8_t> bytes(kMaxDumpBytes);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
  std::fclose(f);
  HeaderState header{};
  ExpandedFlightsProbe probe(dataFolder);
  ExpandDump(bytes, header, probe);
  return probe.found;
}


LibraryOutcome CoreLibrary::dataDownload(const std::string& dataFolder, std::string& dump,
                                        const DownloadHook& progress) {
  const auto port = platform::makeSerialPort();
  DownloadOptions options = download.options;
  if (progress) options.progress = progress;
  const DownloadResult result =
      DownloadDump(*port, download.port, download.timeouts, dataFolder + platform::kPathSeparator, header_, options);
  dump = result.path;
  return {true, result.code, {}};
}

LibraryOutcome CoreLibrary::expandDataFile(const std::string& dump, const std::string& dataFolder) {
  written_.clear();
  ExpandOptions options;
  options.recover = recover;
  options.indexLine = [this](std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    written_.emplace_back(line);
  };
  return {true, ExpandDataFile(dump, dataFolder + platform::kPathSeparator, header_, options), {}};
}

LibraryOutcome CoreLibrary::processPalmFile(std::string& path) { return {true, ProcessPalmFile(path), {}}; }

LibraryOutcome CoreLibrary::getUserId(const std::string& dump, std::string& id) {
  const int code = ReadUserId(dump, id, header_);
  id = trimBlanks(id);
  return {true, code, {}};
}

}  // namespace varnix::frontend
