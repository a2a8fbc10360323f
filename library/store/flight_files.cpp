// SPDX-License-Identifier: MIT
#include "store/flight_files.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "platform/file_facts.h"
#include "platform/fs_path.h"
#include "store/data_folder_names.h"

namespace varnix::store {

namespace {

namespace fs = std::filesystem;
using platform::utf8Path;
using platform::utf8Text;

// A file without its duration line that changed this recently is still
// being written by an expansion: it is indexed by a later update.
constexpr auto kSettleTime = std::chrono::seconds(10);

bool isFlightName(const fs::path& p) { return IsFlightFileName(utf8Text(p.filename())); }

}  // namespace

std::vector<FlightFileOnDisk> ListFlightFiles(const std::string& dataFolder) {
  std::vector<FlightFileOnDisk> out;
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator dir(utf8Path(dataFolder), ec), end; !ec && dir != end; dir.increment(ec)) {
    std::error_code e2;
    if (!dir->is_directory(e2)) continue;
    const std::string folder = utf8Text(dir->path().filename());
    if (folder.empty() || folder[0] == '.') continue;
    for (fs::directory_iterator f(dir->path(), e2), fend; !e2 && f != fend; f.increment(e2)) {
      if (!isFlightName(f->path())) continue;
      const std::optional<platform::FileFacts> facts = platform::fileFacts(f->path());
      if (!facts) continue;
      FlightFileOnDisk d;
      d.folder = folder;
      d.rel = folder + "/" + utf8Text(f->path().filename());
      d.path = utf8Text(f->path());
      d.size = facts->size;
      d.modified = static_cast<std::int64_t>(facts->written.time_since_epoch().count());
      d.settled = now - facts->written > kSettleTime;
      out.push_back(std::move(d));
    }
  }
  std::sort(out.begin(), out.end(),
            [](const FlightFileOnDisk& a, const FlightFileOnDisk& b) { return a.rel < b.rel; });
  return out;
}

}  // namespace varnix::store
