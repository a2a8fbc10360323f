// SPDX-License-Identifier: MIT
// The catalog's database: where it lives, opening it (waiting for another's
// lock), its schema, and the queries. The update is catalog_update.cpp.
#include "store/catalog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include "flight/fnv_hash.h"
#include "platform/cache_folder.h"
#include "platform/fs_path.h"
#include "platform/platform.h"
#include "store/catalog_file_read.h"
#include "store/catalog_steps.h"
#include "store/sqlite_statement.h"

namespace varnix::store {

namespace fs = std::filesystem;
using platform::utf8Path;
using platform::utf8Text;
using sqlite::Statement;
using sqlite::exec;
using sqlite::message;

namespace {

// Between tries of a lock another catalog holds (batches are short: the
// files are read before the transaction begins, so a wait is mostly short).
constexpr auto kRetry = std::chrono::milliseconds(20);

// Why the database at `path` cannot be used there: a link or something
// other than a regular file under its name or that of its log files.
std::string unusableInPlace(const std::string& path) {
  for (const char* tail : {"", "-wal", "-shm", "-journal"}) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(utf8Path(path + tail), ec);
    if (ec || !fs::exists(st)) continue;
    if (fs::is_symlink(st)) return path + tail + " is a symbolic link";
    if (!fs::is_regular_file(st)) return path + tail + " is " + platform::kNotRegularFile;
  }
  return {};
}

std::uint64_t fnv(const std::string& s) {
  flight::Fnv1a h;
  h.add(s);
  return h.value();
}

}  // namespace

std::string CacheDatabase(const std::string& folder) {
  const std::string cache = platform::cacheFolder();
  if (cache.empty()) return {};
  std::error_code ec;
  fs::create_directories(utf8Path(cache), ec);
  fs::path real = fs::canonical(utf8Path(cache), ec);
  if (ec) real = utf8Path(cache);
  char name[64];
  std::snprintf(name, sizeof name, "catalog-%016llx.sqlite", static_cast<unsigned long long>(fnv(folder)));
  return utf8Text(real / name);
}

flight::Outcome<std::unique_ptr<Catalog>> Catalog::open(const std::string& dataFolder, const CatalogWait& wait) {
  using Opened = flight::Outcome<std::unique_ptr<Catalog>>;
  std::error_code ec;
  const std::string folder = utf8Text(fs::absolute(utf8Path(dataFolder), ec).lexically_normal());
  if (!fs::is_directory(utf8Path(folder), ec)) return Opened::failed("The data folder " + dataFolder + " cannot be found.");
  // The database's own name is checked for links (the folders on the way
  // may be links, as a data folder often is).
  fs::path real = fs::canonical(utf8Path(folder), ec);
  if (ec) real = utf8Path(folder);
  std::unique_ptr<Catalog> c(new Catalog(folder, utf8Text(real / kCatalogFileName), wait));
  flight::Done connected = c->connect();
  if (connected.ok()) return Opened{std::move(c), {}};
  if (c->heldPastWait_) {
    if (c->gaveUp_) return Opened::failed("The flight catalog was not opened: another program holds it.");
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait.limit).count();
    return Opened::failed("The flight catalog cannot be opened: another program has held it for " +
                          std::to_string(seconds) + " s (" + connected.problem + ").");
  }
  // The data folder cannot hold the catalog: one database per data folder
  // in the cache folder. A catalog busy past the wait is not that case: a
  // second catalog in the cache folder would index the folder again.
  if (const std::string cached = CacheDatabase(folder); !cached.empty()) {
    c.reset(new Catalog(folder, cached, wait));
    flight::Done inCache = c->connect();
    if (inCache.ok()) return Opened{std::move(c), {}};
    connected = std::move(inCache);
  }
  return Opened::failed("The flight catalog cannot be made: " + connected.problem);
}

Catalog::~Catalog() { close(); }

void Catalog::close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void Catalog::removeFiles() {
  for (const char* tail : {"", "-wal", "-shm", "-journal"}) {
    std::error_code ec;
    fs::remove(utf8Path(path_ + tail), ec);  // a link itself, never its target
  }
}

flight::Done Catalog::failed(int code) {
  failedCode_ = code;
  return flight::Done::failed(message(db_, code));
}

// SQLite's busy handler: waits in short steps until the wait's deadline or
// until the caller's hook says to stop. A wait outside connect() (a write of
// an update, a look marked) begins its own deadline.
int Catalog::onBusy(void* catalog, int count) {
  auto* self = static_cast<Catalog*>(catalog);
  const auto now = std::chrono::steady_clock::now();
  if (count == 0 && !self->connecting_) self->waitUntil_ = now + self->wait_.limit;
  if (now >= self->waitUntil_ || self->gaveUp_) return 0;
  if (self->wait_.holding && !self->wait_.holding()) {
    self->gaveUp_ = true;
    return 0;
  }
  std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kRetry, self->waitUntil_ - now));
  return 1;
}

flight::Done Catalog::connect() {
  heldPastWait_ = false;
  // One deadline for the whole open: SQLite's waits and the tries between
  // them, counted on a steady clock.
  waitUntil_ = std::chrono::steady_clock::now() + wait_.limit;
  connecting_ = true;
  struct Connecting {
    bool& flag;
    ~Connecting() { flag = false; }
  } connecting{connecting_};
  flight::Done refused = flight::Done::failed("the flight catalog could not be opened");
  for (int attempt = 0; attempt < 2; ++attempt) {
    close();
    if (std::string why = unusableInPlace(path_); !why.empty()) return flight::Done::failed(std::move(why));
    std::error_code ec;
    const bool existed = fs::exists(fs::symlink_status(utf8Path(path_), ec));
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
#ifdef SQLITE_OPEN_NOFOLLOW
    flags |= SQLITE_OPEN_NOFOLLOW;  // a link made after the check above
#endif
    int rc = sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_busy_handler(db_, &Catalog::onBusy, this);
      rc = exec(db_, "PRAGMA journal_mode=WAL");
    }
    if (rc == SQLITE_OK && sqlite3_db_readonly(db_, "main") == 1) rc = SQLITE_READONLY;
    refused = rc != SQLITE_OK ? failed(rc) : prepareSchema();
    if (refused.ok()) {
      madeHere_ = madeHere_ || !existed;
      return refused;
    }
    rc = failedCode_;
    close();
    // SQLite reports some lock conflicts at once, without its busy handler
    // (another catalog making the same new file, or turning it to WAL):
    // waited for here as the handler waits for the others.
    if (sqlite::busy(rc) && !gaveUp_ && std::chrono::steady_clock::now() < waitUntil_) {
      if (wait_.holding && !wait_.holding()) {
        gaveUp_ = true;
      } else {
        std::this_thread::sleep_for(kRetry);
        --attempt;
        continue;
      }
    }
    if (sqlite::busy(rc)) {
      heldPastWait_ = true;
      return refused;
    }
    if (!sqlite::damaged(rc) || attempt == 1) {
      // What this attempt made is a stub: it goes, its log files too.
      if (!existed) removeFiles();
      return refused;
    }
    // A damaged file: the database is a cache, so it is made anew.
    removeFiles();
    rebuiltOnOpen_ = rebuiltSinceUpdate_ = true;
  }
  return refused;
}

// One write transaction from the version check to the new tables, so that
// two catalogs opening a new database at once make its tables once. No
// statement is open when it begins: a connection that reads already cannot
// wait for a write lock (SQLite reports busy at once).
flight::Done Catalog::prepareSchema() {
  int rc = exec(db_, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return failed(rc);
  auto fail = [&](int code) {
    flight::Done why = failed(code);  // in SQLite's words before the rollback
    exec(db_, "ROLLBACK");
    return why;
  };
  int version = -1;
  {
    Statement s(db_, "PRAGMA user_version");
    if (s.ok() && s.step() == SQLITE_ROW) version = static_cast<int>(s.integer(0));
    if (!s.ok()) return fail(s.code());
  }
  // Checks the table and its indexes: a damaged file shows here, also one
  // whose index no longer agrees with its rows (which reads without error).
  if (version >= 1 && version <= kCatalogSchema) {
    bool whole = false;
    {
      Statement s(db_, "PRAGMA integrity_check(files)");
      if (s.ok() && s.step() == SQLITE_ROW) whole = s.text(0) == "ok";
      if (!s.ok()) return fail(s.code());
    }
    // A schema that names other columns than this version's is made anew too.
    whole = whole && Statement(db_, "SELECT path, folder, size, modified, added, entry FROM files").ok() &&
            Statement(db_, "SELECT folder, at FROM looks").ok();
    if (whole) {
      // Version 1's entries lack the battery minimum's time: read again,
      // keeping when each file was first seen.
      if (version == 1 && (rc = exec(db_, "UPDATE files SET size = -1")) != SQLITE_OK) return fail(rc);
      // Before version 3 no row recorded its analysis version: 0, older
      // than any, so the next update computes every entry again.
      if (!Statement(db_, "SELECT analysis FROM files").ok() &&
          (rc = exec(db_, "ALTER TABLE files ADD COLUMN analysis INTEGER NOT NULL DEFAULT 0")) != SQLITE_OK)
        return fail(rc);
      // Before version 5 the entries were of an older blob: computed again,
      // on the update's readers (a query would read each file on its own).
      if (version < 5 && (rc = exec(db_, "UPDATE files SET analysis = 0")) != SQLITE_OK) return fail(rc);
      if (version != kCatalogSchema &&
          (rc = exec(db_, ("PRAGMA user_version=" + std::to_string(kCatalogSchema)).c_str())) != SQLITE_OK)
        return fail(rc);
      // The commit proves that the database (and its log) can be written.
      if ((rc = exec(db_, "COMMIT")) != SQLITE_OK) return fail(rc);
      return {};
    }
  }
  if (version != 0) rebuiltOnOpen_ = rebuiltSinceUpdate_ = true;
  const std::string sql = "DROP TABLE IF EXISTS files; DROP TABLE IF EXISTS looks;"
                          "CREATE TABLE files(path TEXT PRIMARY KEY, folder TEXT NOT NULL, size INTEGER NOT NULL,"
                          " modified INTEGER NOT NULL, added INTEGER NOT NULL, entry BLOB NOT NULL,"
                          " analysis INTEGER NOT NULL DEFAULT 0);"
                          "CREATE INDEX files_folder ON files(folder);"
                          "CREATE TABLE looks(folder TEXT PRIMARY KEY, at INTEGER NOT NULL);"
                          "PRAGMA user_version=" +
                          std::to_string(kCatalogSchema) + ";";
  if ((rc = exec(db_, sql.c_str())) != SQLITE_OK) return fail(rc);
  if ((rc = exec(db_, "COMMIT")) != SQLITE_OK) return fail(rc);
  return {};
}

flight::Done Catalog::remake() {
  close();
  removeFiles();
  rebuiltOnOpen_ = rebuiltSinceUpdate_ = true;
  return connect();
}

flight::Outcome<std::vector<CatalogEntry>> Catalog::entries(const std::string& folder) {
  using Entries = flight::Outcome<std::vector<CatalogEntry>>;
  std::vector<CatalogEntry> out;
  if (!db_) return Entries::failed("the catalog is not open");
  {
    // Made to its size first (counted from the folder index): an entry is large to move.
    Statement count(db_, folder.empty() ? "SELECT count(*) FROM files" : "SELECT count(*) FROM files WHERE folder = ?");
    if (!folder.empty()) count.bind(1, folder);
    if (count.ok() && count.step() == SQLITE_ROW)
      out.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, count.integer(0))));
  }
  const flight::Done read = eachEntry(folder, [&](CatalogEntry&& e) { out.push_back(std::move(e)); });
  if (!read.ok()) return Entries::failed(read.problem);
  return Entries{std::move(out), {}};
}

flight::Done Catalog::eachEntry(const std::string& folder, const std::function<void(CatalogEntry&&)>& each) {
  if (!db_) return flight::Done::failed("the catalog is not open");
  Statement s(db_, folder.empty() ? "SELECT path, folder, size, modified, added, entry FROM files ORDER BY path"
                                  : "SELECT path, folder, size, modified, added, entry FROM files WHERE folder = ? "
                                    "ORDER BY path");
  if (!folder.empty()) s.bind(1, folder);
  while (s.ok() && s.step() == SQLITE_ROW) {
    flight::Outcome<CatalogEntry> decoded = DecodeEntry(s.blob(5));
    CatalogEntry e;
    if (decoded.ok()) {
      e = std::move(decoded.value);
    } else {
      // A damaged entry: its file tells, and the next update stores it again.
      std::optional<CatalogEntry> fresh = ReadCatalogFile(utf8Text(utf8Path(dataFolder_) / utf8Path(s.text(0)))).entry;
      if (!fresh) continue;
      e = std::move(*fresh);
      reread_.push_back(s.text(0));
    }
    e.file = s.text(0);
    e.folder = s.text(1);
    e.size = s.integer(2);
    e.modified = s.integer(3);
    e.added = s.integer(4);
    each(std::move(e));
  }
  if (!s.ok()) {
    sawDamage_ = sqlite::damaged(s.code());
    return flight::Done::failed(message(db_, s.code()));
  }
  return {};
}

std::vector<std::string> Catalog::aircraftFolders() {
  std::vector<std::string> out;
  if (!db_) return out;
  Statement s(db_, "SELECT DISTINCT folder FROM files ORDER BY folder");
  while (s.ok() && s.step() == SQLITE_ROW) out.push_back(s.text(0));
  if (!s.ok()) return {};
  return out;
}

std::int64_t Catalog::lastLook(const std::string& folder) {
  if (!db_) return 0;
  Statement s(db_, "SELECT at FROM looks WHERE folder = ?");
  s.bind(1, folder);
  return s.ok() && s.step() == SQLITE_ROW ? s.integer(0) : 0;
}

bool Catalog::markLooked(const std::string& folder) {
  if (!db_) return false;
  Statement s(db_, "INSERT OR REPLACE INTO looks(folder, at) VALUES(?, ?)");
  s.bind(1, folder);
  s.bind(2, static_cast<std::int64_t>(std::time(nullptr)));
  return s.step() == SQLITE_DONE;
}

}  // namespace varnix::store
