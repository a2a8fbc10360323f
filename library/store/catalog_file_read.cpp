// SPDX-License-Identifier: MIT
#include "store/catalog_file_read.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

#include "flight/open_flight.h"
#include "platform/fs_path.h"
#include "platform/platform.h"

namespace varnix::store {

namespace {

namespace fs = std::filesystem;
using platform::utf8Path;

// The entry of a file, read through the flight reader (its value lines
// hashed in the same pass); empty when the file is gone.
std::optional<CatalogEntry> readEntry(const std::string& path, bool* tryAgain) {
  *tryAgain = false;
  std::uint64_t hash = 0;
  flight::FlightRead read = flight::OpenFlight(path, {}, &hash);
  std::error_code ec;
  const bool notRegular = !read.ok() && read.line == 0 && !fs::is_regular_file(fs::status(utf8Path(path), ec));
  if (flight::Unreadable(read) || notRegular) {
    if (!fs::exists(fs::symlink_status(utf8Path(path), ec))) return std::nullopt;
    // Listed beside its name: the reader's "the file PATH" is left out.
    const std::string named = "the file " + path + " ";
    CatalogEntry e;
    e.problem = read.problem.rfind(named, 0) == 0 ? read.problem.substr(named.size()) : read.problem;
    if (e.problem.rfind("is ", 0) == 0) e.problem.erase(0, 3);
    *tryAgain = true;
    return e;
  }
  return MakeCatalogEntry(std::move(read), hash);
}

}  // namespace

CatalogFileRead ReadCatalogFile(const std::string& path) noexcept {
  CatalogFileRead r;
  std::string why;
  try {
    r.entry = readEntry(path, &r.tryAgain);
    return r;
  } catch (const std::bad_alloc&) {
    why = "cannot be read: there is not enough memory for it";
  } catch (const std::exception& e) {
    why = std::string("cannot be read: ") + e.what();
  } catch (...) {
    why = "cannot be read";
  }
  r = CatalogFileRead{};
  r.entry.emplace();
  r.entry->problem = std::move(why);
  r.tryAgain = true;
  return r;
}

}  // namespace varnix::store
