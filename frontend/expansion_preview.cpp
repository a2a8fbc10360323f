// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/expansion_preview.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <random>

#include "core/naming.h"
#include "frontend/dump_files.h"
#include "platform/platform.h"

namespace varnix::frontend {

namespace {

namespace fs = std::filesystem;

// A fresh folder in the system's temporary folder, removed with its contents.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code ec;
    std::random_device random;
    for (int attempt = 0; attempt < 8 && path_.empty(); ++attempt) {
      const fs::path p = fs::temp_directory_path(ec) / ("varnix-preview-" + std::to_string(random()));
      if (!ec && fs::create_directory(p, ec) && !ec) path_ = p;
    }
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Line 4 of a flight file, its duplicate suffix left out: "Flight #7A ..."
// and "Flight #7 ..." name the same flight. Empty when unreadable.
std::string flightLine(const fs::path& csv) {
  std::FILE* f = platform::openFile(csv.string(), "rb");
  if (!f) return {};
  char text[512] = {};
  const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  std::string_view rest(text, n);
  for (int line = 0; line < 3; ++line) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) return {};
    rest.remove_prefix(end + 1);
  }
  std::string line(rest.substr(0, rest.find_first_of("\r\n")));
  std::size_t at = line.find('#');
  if (at == std::string::npos) return {};
  while (++at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]))) {
  }
  std::size_t letters = at;
  while (letters < line.size() && std::isupper(static_cast<unsigned char>(line[letters]))) ++letters;
  return line.erase(at, letters - at);
}

// Whether a file of `userFolder` holds the flight of `written`.
bool flightIsIn(const fs::path& written, const fs::path& userFolder) {
  const std::string wanted = flightLine(written);
  const std::string base = written.stem().string();
  if (wanted.empty()) return false;
  for (int i = 0; i < kNameSuffixCount; ++i) {
    const fs::path candidate = userFolder / (base + std::string(NameSuffix(i)) + ".CSV");
    if (pathExists(candidate.string()) && flightLine(candidate) == wanted) return true;
  }
  return false;
}

}  // namespace

ExpansionPreview previewExpansion(FlightLibrary& library, const std::string& dump, const std::string& dataFolder) {
  ExpansionPreview preview;
  ScratchFolder scratch;
  if (scratch.path().empty()) return preview;
  const fs::path copy = scratch.path() / fileNameOf(dump);
  const fs::path data = scratch.path() / "data";
  std::error_code ec;
  fs::create_directory(data, ec);
  if (!fs::copy_file(dump, copy, ec) || ec) return preview;
  const LibraryOutcome run = library.expandDataFile(copy.string(), data.string(), true);
  if (!run.ran) return preview;

  // Index lines: "Flt#7- F00007.CSV 1.25 Hours ...", " recovered" at the end of the recovered ones.
  const std::vector<std::string> lines = indexLines(copy.string());
  for (const std::string& line : lines) {
    if (line.size() >= 10 && line.compare(line.size() - 10, 10, " recovered") == 0) ++preview.recoverable;
  }
  for (const auto& folder : fs::directory_iterator(data, ec)) {
    if (!folder.is_directory(ec)) continue;
    const fs::path userFolder = fs::path(dataFolder) / folder.path().filename();
    for (const std::string& line : lines) {
      const std::size_t dash = line.find("- ");
      if (line.rfind("Flt#", 0) != 0 || dash == std::string::npos) continue;
      const std::string file = line.substr(dash + 2, line.find(' ', dash + 2) - (dash + 2));
      const fs::path written = folder.path() / file;
      if (pathExists(written.string()) && flightIsIn(written, userFolder)) preview.alreadyThere.push_back(line.substr(0, dash));
    }
  }
  return preview;
}

}  // namespace varnix::frontend
