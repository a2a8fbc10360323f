// SPDX-License-Identifier: MIT
#include "store/catalog.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <exception>
#include <map>
#include <new>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
#include <utility>

#include "analysis/analysis_version.h"
#include "flight/fnv_hash.h"
#include "flight/open_flight.h"
#include "platform/fs_path.h"
#include "platform/platform.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace varnix::flight {

namespace fs = std::filesystem;
// Paths are UTF-8 text; std::filesystem takes and gives them through these.
using platform::utf8Path;
using platform::utf8Text;

namespace {

constexpr std::size_t kBatchFiles = 64;  // files per transaction while indexing
// A file without its duration line that changed this recently is still
// being written by an expansion: it is indexed by a later update.
constexpr auto kSettleTime = std::chrono::seconds(10);
// Between tries of a lock another catalog holds (batches are short: the
// files are read before the transaction begins, so a wait is mostly short).
constexpr auto kRetry = std::chrono::milliseconds(20);
// Stored as the modification time of a file that could not be opened or
// read: it never matches, so every update tries the file again.
constexpr std::int64_t kTryAgain = -1;

// A prepared statement that finalizes itself.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { code_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool ok() const { return code_ == SQLITE_OK; }
  int code() const { return code_; }
  // SQLITE_ROW, SQLITE_DONE or an error code (kept in code()).
  int step() {
    if (!stmt_) return code_;
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) code_ = rc;
    return rc;
  }
  void reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  void bind(int i, const std::string& s) { sqlite3_bind_text(stmt_, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT); }
  void bindBlob(int i, const std::string& s) {
    sqlite3_bind_blob(stmt_, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
  }
  void bind(int i, std::int64_t v) { sqlite3_bind_int64(stmt_, i, v); }
  std::string text(int i) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))) : std::string();
  }
  std::string_view blob(int i) {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))) : std::string_view();
  }
  std::int64_t integer(int i) { return sqlite3_column_int64(stmt_, i); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int code_ = SQLITE_OK;
};

int exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

std::string message(sqlite3* db, int code) {
  return db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
}

struct DiskFile {
  std::string rel, folder, path;
  std::int64_t size = 0, modified = 0;
  bool settled = true;
};

bool isFlightName(const fs::path& p) { return IsFlightFileName(utf8Text(p.filename())); }

struct FileFacts {
  std::int64_t size = 0;  // 0 for what is not a regular file
  fs::file_time_type written;
};

// What the listing needs of a file, links followed; nothing for a folder,
// a dangling link or a file gone. One stat a file where the system has it
// (the folder's listing is most of an update that finds nothing new).
std::optional<FileFacts> factsOf(const fs::path& p) {
#ifdef _WIN32
  std::error_code ec;
  const fs::file_status st = fs::status(p, ec);
  if (ec || !fs::exists(st) || fs::is_directory(st)) return std::nullopt;
  FileFacts facts;
  facts.size = fs::is_regular_file(st) ? static_cast<std::int64_t>(fs::file_size(p, ec)) : 0;
  facts.written = fs::last_write_time(p, ec);
  if (ec) return std::nullopt;
  return facts;
#else
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  FileFacts facts;
  facts.size = S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
  // The same clock and count as fs::last_write_time gives.
  const std::chrono::sys_time<std::chrono::nanoseconds> since1970(std::chrono::seconds(st.st_mtim.tv_sec) +
                                                                  std::chrono::nanoseconds(st.st_mtim.tv_nsec));
  facts.written = std::chrono::time_point_cast<fs::file_time_type::duration>(fs::file_time_type::clock::from_sys(since1970));
  return facts;
#endif
}

std::vector<DiskFile> filesOnDisk(const std::string& dataFolder) {
  std::vector<DiskFile> out;
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator dir(utf8Path(dataFolder), ec), end; !ec && dir != end; dir.increment(ec)) {
    std::error_code e2;
    if (!dir->is_directory(e2)) continue;
    const std::string folder = utf8Text(dir->path().filename());
    if (folder.empty() || folder[0] == '.') continue;
    for (fs::directory_iterator f(dir->path(), e2), fend; !e2 && f != fend; f.increment(e2)) {
      // A FIFO or device under a flight's name is listed too, as unreadable
      // (it is never opened); a dangling link is nothing.
      if (!isFlightName(f->path())) continue;
      const std::optional<FileFacts> facts = factsOf(f->path());
      if (!facts) continue;
      DiskFile d;
      d.folder = folder;
      d.rel = folder + "/" + utf8Text(f->path().filename());
      d.path = utf8Text(f->path());
      d.size = facts->size;
      const fs::file_time_type written = facts->written;
      d.modified = static_cast<std::int64_t>(written.time_since_epoch().count());
      d.settled = now - written > kSettleTime;
      out.push_back(std::move(d));
    }
  }
  std::sort(out.begin(), out.end(), [](const DiskFile& a, const DiskFile& b) { return a.rel < b.rel; });
  return out;
}

// Busy: another catalog held its lock for longer than the wait.
bool busy(int code) { return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED; }

// A write that failed for want of room (SQLite tells a short write as
// SQLITE_FULL, a write refused outright as an I/O error).
bool full(int code) { return (code & 0xff) == SQLITE_FULL || (code & 0xff) == SQLITE_IOERR; }

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

// A file's entry, read through the flight reader (its value lines hashed in
// the same pass); empty when the file is gone.
std::optional<CatalogEntry> readEntry(const std::string& path, bool* tryAgain) {
  *tryAgain = false;
  std::uint64_t hash = 0;
  FlightRead read = OpenFlight(path, {}, &hash);
  std::error_code ec;
  const bool notRegular = !read.ok() && read.line == 0 && !fs::is_regular_file(fs::status(utf8Path(path), ec));
  if (Unreadable(read) || notRegular) {
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

struct ReadFile {
  std::optional<CatalogEntry> entry;  // empty: gone since the folder was listed
  bool tryAgain = false;
};

// A file that cannot be read for any reason, memory included (its analysis
// may want more than there is), is one unreadable file, read again next
// time; the others are indexed all the same.
ReadFile readFile(const std::string& path) noexcept {
  ReadFile r;
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
  r = ReadFile{};
  r.entry.emplace();
  r.entry->problem = std::move(why);
  r.tryAgain = true;
  return r;
}

// Reads files on worker threads and hands them over in their order. At most
// `window` files are read ahead of the one taken last, so memory stays
// bounded however many files an update reads. No worker touches SQLite.
class ReadAhead {
 public:
  ReadAhead(const std::vector<std::string>& paths, unsigned workers, std::size_t window)
      : paths_(paths), slots_(std::max<std::size_t>(window, 1)) {
    if (workers > 1)
      for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
  }
  ~ReadAhead() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
  }
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // File `i`, read; taken in order, each once.
  ReadFile take(std::size_t i) {
    if (threads_.empty()) return readFile(paths_[i]);
    std::unique_lock<std::mutex> lock(mutex_);
    Slot& slot = slots_[i % slots_.size()];
    wake_.wait(lock, [&] { return slot.ready; });
    slot.ready = false;
    taken_ = i + 1;
    wake_.notify_all();
    return std::move(slot.file);
  }

 private:
  struct Slot {
    ReadFile file;  // a file that failed to be read is unreadable here: nothing leaves a worker
    bool ready = false;
  };

  void work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stop_ || next_ == paths_.size() || next_ < taken_ + slots_.size(); });
      if (stop_ || next_ == paths_.size()) return;
      const std::size_t i = next_++;
      lock.unlock();
      Slot done;
      done.file = readFile(paths_[i]);
      done.ready = true;
      lock.lock();
      slots_[i % slots_.size()] = std::move(done);
      wake_.notify_all();
    }
  }

  const std::vector<std::string>& paths_;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::size_t next_ = 0;   // the next file a worker reads
  std::size_t taken_ = 0;  // files handed over
  bool stop_ = false;
};

unsigned automaticReaders() {
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores, 1u, 4u);
}

std::uint64_t fnv(const std::string& s) {
  Fnv1a h;
  h.add(s);
  return h.value();
}

}  // namespace

namespace {

// The database of `folder` in the cache folder (made when missing); empty
// without a cache folder.
std::string cacheDatabase(const std::string& folder) {
  const std::string cache = CatalogCacheFolder();
  if (cache.empty()) return {};
  std::error_code ec;
  fs::create_directories(utf8Path(cache), ec);
  fs::path real = fs::canonical(utf8Path(cache), ec);
  if (ec) real = utf8Path(cache);
  char name[64];
  std::snprintf(name, sizeof name, "catalog-%016llx.sqlite", static_cast<unsigned long long>(fnv(folder)));
  return utf8Text(real / name);
}

}  // namespace

std::string CatalogCacheFolder() {
#ifdef _WIN32
  const std::string base = platform::environment("LOCALAPPDATA");
  return base.empty() ? std::string() : base + "\\varnix";
#else
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/varnix";
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.cache/varnix" : std::string();
#endif
}

Outcome<std::unique_ptr<Catalog>> Catalog::open(const std::string& dataFolder, const CatalogWait& wait) {
  using Opened = Outcome<std::unique_ptr<Catalog>>;
  std::error_code ec;
  const std::string folder = utf8Text(fs::absolute(utf8Path(dataFolder), ec).lexically_normal());
  if (!fs::is_directory(utf8Path(folder), ec)) return Opened::failed("The data folder " + dataFolder + " cannot be found.");
  // The database's own name is checked for links (the folders on the way
  // may be links, as a data folder often is).
  fs::path real = fs::canonical(utf8Path(folder), ec);
  if (ec) real = utf8Path(folder);
  std::string why;
  bool busy = false;
  std::unique_ptr<Catalog> c(new Catalog(folder, utf8Text(real / kCatalogFileName), wait));
  if (c->connect(&why, &busy)) return Opened{std::move(c), {}};
  if (busy) {
    if (c->gaveUp_) return Opened::failed("The flight catalog was not opened: another program holds it.");
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait.limit).count();
    return Opened::failed("The flight catalog cannot be opened: another program has held it for " +
                          std::to_string(seconds) + " s (" + why + ").");
  }
  // The data folder cannot hold the catalog: one database per data folder
  // in the cache folder. A catalog busy past the wait is not that case: a
  // second catalog in the cache folder would index the folder again.
  if (const std::string cached = busy ? std::string() : cacheDatabase(folder); !cached.empty()) {
    c.reset(new Catalog(folder, cached, wait));
    if (c->connect(&why)) return Opened{std::move(c), {}};
  }
  return Opened::failed("The flight catalog cannot be made: " + why);
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

bool Catalog::damaged(int code) const {
  const int primary = code & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
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

bool Catalog::connect(std::string* problem, bool* busyOut) {
  if (busyOut) *busyOut = false;
  // One deadline for the whole open: SQLite's waits and the tries between
  // them, counted on a steady clock.
  waitUntil_ = std::chrono::steady_clock::now() + wait_.limit;
  connecting_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{connecting_};
  for (int attempt = 0; attempt < 2; ++attempt) {
    close();
    if (std::string why = unusableInPlace(path_); !why.empty()) {
      if (problem) *problem = why;
      return false;
    }
    std::error_code ec;
    const bool existed = fs::exists(fs::symlink_status(utf8Path(path_), ec));
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
#ifdef SQLITE_OPEN_NOFOLLOW
    flags |= SQLITE_OPEN_NOFOLLOW;  // a link made after the check above
#endif
    std::string why;
    int rc = sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_busy_handler(db_, &Catalog::onBusy, this);
      rc = exec(db_, "PRAGMA journal_mode=WAL");
    }
    if (rc == SQLITE_OK && sqlite3_db_readonly(db_, "main") == 1) rc = SQLITE_READONLY;
    if (rc != SQLITE_OK)
      why = message(db_, rc);
    else
      rc = prepareSchema(&why);
    if (rc == SQLITE_OK) {
      madeHere_ = madeHere_ || !existed;
      return true;
    }
    if (problem) *problem = why;
    close();
    // SQLite reports some lock conflicts at once, without its busy handler
    // (another catalog making the same new file, or turning it to WAL):
    // waited for here as the handler waits for the others.
    if (busy(rc) && !gaveUp_ && std::chrono::steady_clock::now() < waitUntil_) {
      if (wait_.holding && !wait_.holding()) {
        gaveUp_ = true;
      } else {
        std::this_thread::sleep_for(kRetry);
        --attempt;
        continue;
      }
    }
    if (busy(rc)) {
      if (busyOut) *busyOut = true;
      return false;
    }
    if (!damaged(rc) || attempt == 1) {
      // What this attempt made is a stub: it goes, its log files too.
      if (!existed) removeFiles();
      return false;
    }
    // A damaged file: the database is a cache, so it is made anew.
    removeFiles();
    rebuiltOnOpen_ = rebuiltSinceUpdate_ = true;
  }
  return false;
}

// One write transaction from the version check to the new tables, so that
// two catalogs opening a new database at once make its tables once. No
// statement is open when it begins: a connection that reads already cannot
// wait for a write lock (SQLite reports busy at once).
int Catalog::prepareSchema(std::string* problem) {
  int rc = exec(db_, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) {
    if (problem) *problem = sqlite3_errmsg(db_);
    return rc;
  }
  auto fail = [&](int code) {
    if (problem) *problem = sqlite3_errmsg(db_);
    exec(db_, "ROLLBACK");
    return code;
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
      // Before version 4 the entries were of an older blob: computed again,
      // on the update's readers (a query would read each file on its own).
      if (version < 4 && (rc = exec(db_, "UPDATE files SET analysis = 0")) != SQLITE_OK) return fail(rc);
      if (version != kCatalogSchema &&
          (rc = exec(db_, ("PRAGMA user_version=" + std::to_string(kCatalogSchema)).c_str())) != SQLITE_OK)
        return fail(rc);
      // The commit proves that the database (and its log) can be written.
      if ((rc = exec(db_, "COMMIT")) != SQLITE_OK) return fail(rc);
      return SQLITE_OK;
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
  return SQLITE_OK;
}

bool Catalog::remake(std::string* problem) {
  close();
  removeFiles();
  rebuiltOnOpen_ = rebuiltSinceUpdate_ = true;
  return connect(problem);
}

CatalogUpdate Catalog::update(const ProgressHook& progress) {
  CatalogUpdate result;
  // Damage that a query met: made anew here, where writing is expected.
  if (sawDamage_ && !remake(&result.problem)) return result;
  sawDamage_ = sawFull_ = false;
  result = updateOnce(progress);
  // Damage found on the way: the database is made anew and filled from the files.
  if (sawDamage_ && remake(&result.problem)) {
    sawDamage_ = false;
    result = updateOnce(progress);
  }
  // No room for the catalog it has just made in the data folder: that stub
  // goes, and the catalog moves to the cache folder.
  if (const std::string cached = sawFull_ && madeHere_ ? cacheDatabase(dataFolder_) : std::string();
      !cached.empty() && cached != path_) {
    close();
    removeFiles();
    path_ = cached;
    madeHere_ = false;
    sawFull_ = false;
    const std::string first = result.problem;
    if (!connect(&result.problem)) {
      result.problem = first;
      return result;
    }
    result = updateOnce(progress);
  }
  if (sawFull_ && madeHere_) {
    close();
    removeFiles();
  }
  return result;
}

CatalogUpdate Catalog::updateOnce(const ProgressHook& progress) {
  CatalogUpdate result;
  if (!db_ && !remake(&result.problem)) return result;
  const std::vector<DiskFile> disk = filesOnDisk(dataFolder_);

  struct Known {
    std::int64_t size, modified, analysis;
  };
  std::map<std::string, Known> known;
  {
    Statement s(db_, "SELECT path, size, modified, analysis FROM files");
    while (s.ok() && s.step() == SQLITE_ROW) known[s.text(0)] = {s.integer(1), s.integer(2), s.integer(3)};
    if (!s.ok()) {
      sawDamage_ = damaged(s.code());
      result.problem = message(db_, s.code());
      return result;
    }
  }
  const std::set<std::string> reread(reread_.begin(), reread_.end());

  std::vector<const DiskFile*> toRead;
  for (const DiskFile& d : disk) {
    const auto it = known.find(d.rel);
    // An entry another analysis version computed is read again, as a changed file is.
    if (it != known.end() && it->second.size == d.size && it->second.modified == d.modified &&
        it->second.analysis == kAnalysisVersion && !reread.count(d.rel))
      ++result.unchanged;
    else
      toRead.push_back(&d);
  }
  std::vector<std::string> removed;
  {
    std::size_t i = 0;
    for (const auto& [path, k] : known) {
      while (i < disk.size() && disk[i].rel < path) ++i;
      if (i == disk.size() || disk[i].rel != path) removed.push_back(path);
    }
  }

  const auto now = static_cast<std::int64_t>(std::time(nullptr));
  CatalogProgress p{0, toRead.size()};
  // Every statement of `body` is finalized before the commit, and none is
  // open before the begin (so that the busy wait applies).
  auto store = [&](auto&& body) {
    int rc = exec(db_, "BEGIN IMMEDIATE");
    if (rc == SQLITE_OK) {
      rc = body();
      if (rc == SQLITE_OK) rc = exec(db_, "COMMIT");
      if (rc == SQLITE_OK) return true;
    }
    sawDamage_ = damaged(rc);
    sawFull_ = full(rc);
    if (result.problem.empty()) result.problem = message(db_, rc);
    exec(db_, "ROLLBACK");
    return false;
  };

  if (!removed.empty() && !store([&] {
        Statement del(db_, "DELETE FROM files WHERE path = ?");
        for (const std::string& path : removed) {
          del.bind(1, path);
          if (del.step() != SQLITE_DONE) return del.code();
          del.reset();
        }
        result.removed = removed.size();
        return del.code();
      }))
    return result;

  // Files are read ahead while a batch is written: the next two batches at most.
  std::vector<std::string> paths;
  paths.reserve(toRead.size());
  for (const DiskFile* d : toRead) paths.push_back(d->path);
  const auto workers = static_cast<unsigned>(std::min<std::size_t>(readers_ ? readers_ : automaticReaders(), toRead.size()));
  ReadAhead reader(paths, workers, 2 * kBatchFiles);
  for (std::size_t first = 0; first < toRead.size(); first += kBatchFiles) {
    const std::size_t last = std::min(first + kBatchFiles, toRead.size());
    struct Read {
      const DiskFile* disk;
      CatalogEntry entry;
      std::int64_t modified;
    };
    std::vector<Read> batch;
    for (std::size_t i = first; i < last; ++i) {
      const DiskFile& d = *toRead[i];
      ReadFile read = reader.take(i);
      const bool tryAgain = read.tryAgain;
      std::optional<CatalogEntry>& e = read.entry;
      if (!e) continue;  // gone since the folder was listed
      // (A file that cannot be opened or read is listed at once: it is tried again anyway.)
      if (!d.settled && !tryAgain && (!e->durationWritten || !e->problem.empty())) {
        ++result.pending;
        continue;
      }
      batch.push_back({&d, std::move(*e), tryAgain ? kTryAgain : d.modified});
    }
    const bool ok = store([&] {
      // The time a file was first seen stays with its path.
      Statement put(db_, "INSERT INTO files(path, folder, size, modified, added, entry, analysis)"
                         " VALUES(?,?,?,?,?,?,?) ON CONFLICT(path) DO UPDATE SET folder = excluded.folder,"
                         " size = excluded.size, modified = excluded.modified, entry = excluded.entry,"
                         " analysis = excluded.analysis");
      for (const Read& r : batch) {
        const auto it = known.find(r.disk->rel);
        put.bind(1, r.disk->rel);
        put.bind(2, r.disk->folder);
        put.bind(3, r.disk->size);
        put.bind(4, r.modified);
        put.bind(5, now);
        put.bindBlob(6, EncodeEntry(r.entry));
        put.bind(7, static_cast<std::int64_t>(kAnalysisVersion));
        if (put.step() != SQLITE_DONE) return put.code();
        put.reset();
        if (it == known.end())
          ++result.added;
        else if (it->second.modified == kTryAgain && r.modified == kTryAgain)
          ++result.unchanged;  // still unreadable
        else if (it->second.size == r.disk->size && it->second.modified == r.modified &&
                 it->second.analysis != kAnalysisVersion)
          ++result.recomputed;
        else
          ++result.changed;
      }
      return put.code();
    });
    if (!ok) return result;
    p.done = last;
    if (progress && !progress(p)) break;
  }
  reread_.clear();
  madeHere_ = false;  // filled: no longer a stub
  result.rebuilt = rebuiltSinceUpdate_;
  rebuiltSinceUpdate_ = false;
  return result;
}

Outcome<std::vector<CatalogEntry>> Catalog::entries(const std::string& folder) {
  using Entries = Outcome<std::vector<CatalogEntry>>;
  std::vector<CatalogEntry> out;
  if (!db_) return Entries::failed("the catalog is not open");
  {
    // Made to its size first (counted from the folder index): an entry is large to move.
    Statement count(db_, folder.empty() ? "SELECT count(*) FROM files" : "SELECT count(*) FROM files WHERE folder = ?");
    if (!folder.empty()) count.bind(1, folder);
    if (count.ok() && count.step() == SQLITE_ROW)
      out.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, count.integer(0))));
  }
  const Done read = eachEntry(folder, [&](CatalogEntry&& e) { out.push_back(std::move(e)); });
  if (!read.ok()) return Entries::failed(read.problem);
  return Entries{std::move(out), {}};
}

Done Catalog::eachEntry(const std::string& folder, const std::function<void(CatalogEntry&&)>& each) {
  if (!db_) return Done::failed("the catalog is not open");
  Statement s(db_, folder.empty() ? "SELECT path, folder, size, modified, added, entry FROM files ORDER BY path"
                                  : "SELECT path, folder, size, modified, added, entry FROM files WHERE folder = ? "
                                    "ORDER BY path");
  if (!folder.empty()) s.bind(1, folder);
  while (s.ok() && s.step() == SQLITE_ROW) {
    Outcome<CatalogEntry> decoded = DecodeEntry(s.blob(5));
    CatalogEntry e = std::move(decoded.value);
    if (!decoded.ok()) {
      // A damaged entry: its file tells, and the next update stores it again.
      std::optional<CatalogEntry> fresh = readFile(utf8Text(utf8Path(dataFolder_) / utf8Path(s.text(0)))).entry;
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
    sawDamage_ = damaged(s.code());
    return Done::failed(message(db_, s.code()));
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

}  // namespace varnix::flight
