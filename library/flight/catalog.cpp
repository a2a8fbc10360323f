// SPDX-License-Identifier: MIT
#include "flight/catalog.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace varnix::flight {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBatchFiles = 64;  // files per transaction while indexing
// A file without its duration line that changed this recently is still
// being written by an expansion: it is indexed by a later update.
constexpr auto kSettleTime = std::chrono::seconds(10);

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

bool isFlightName(const fs::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
  return ext == ".CSV";
}

std::vector<DiskFile> filesOnDisk(const std::string& dataFolder) {
  std::vector<DiskFile> out;
  std::error_code ec;
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator dir(dataFolder, ec), end; !ec && dir != end; dir.increment(ec)) {
    std::error_code e2;
    if (!dir->is_directory(e2)) continue;
    const std::string folder = dir->path().filename().string();
    if (folder.empty() || folder[0] == '.') continue;
    for (fs::directory_iterator f(dir->path(), e2), fend; !e2 && f != fend; f.increment(e2)) {
      std::error_code e3;
      if (!f->is_regular_file(e3) || !isFlightName(f->path())) continue;
      DiskFile d;
      d.folder = folder;
      d.rel = folder + "/" + f->path().filename().string();
      d.path = f->path().string();
      d.size = static_cast<std::int64_t>(f->file_size(e3));
      const auto written = f->last_write_time(e3);
      if (e3) continue;
      d.modified = static_cast<std::int64_t>(written.time_since_epoch().count());
      d.settled = now - written > kSettleTime;
      out.push_back(std::move(d));
    }
  }
  std::sort(out.begin(), out.end(), [](const DiskFile& a, const DiskFile& b) { return a.rel < b.rel; });
  return out;
}

std::optional<std::string> readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return std::move(s).str();
}

std::uint64_t fnv(const std::string& s) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

}  // namespace

std::string CatalogCacheFolder() {
#ifdef _WIN32
  const char* base = std::getenv("LOCALAPPDATA");
  return base && *base ? std::string(base) + "\\varnix" : std::string();
#else
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/varnix";
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) + "/.cache/varnix" : std::string();
#endif
}

std::unique_ptr<Catalog> Catalog::open(const std::string& dataFolder, std::string* problem) {
  std::error_code ec;
  const std::string folder = fs::absolute(dataFolder, ec).lexically_normal().string();
  if (!fs::is_directory(folder, ec)) {
    if (problem) *problem = "The data folder " + dataFolder + " cannot be found.";
    return nullptr;
  }
  std::string why;
  std::unique_ptr<Catalog> c(new Catalog(folder, (fs::path(folder) / kCatalogFileName).string()));
  if (c->connect(&why)) return c;
  // The data folder cannot be written: one database per data folder in the cache folder.
  const std::string cache = CatalogCacheFolder();
  if (!cache.empty()) {
    fs::create_directories(cache, ec);
    char name[64];
    std::snprintf(name, sizeof name, "catalog-%016llx.sqlite", static_cast<unsigned long long>(fnv(folder)));
    c.reset(new Catalog(folder, (fs::path(cache) / name).string()));
    if (c->connect(&why)) return c;
  }
  if (problem) *problem = "The flight catalog cannot be made: " + why;
  return nullptr;
}

Catalog::~Catalog() { close(); }

void Catalog::close() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

bool Catalog::damaged(int code) const {
  const int primary = code & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool Catalog::connect(std::string* problem) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    close();
    int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_busy_timeout(db_, 5000);
      rc = exec(db_, "PRAGMA journal_mode=WAL");
    }
    if (rc == SQLITE_OK && sqlite3_db_readonly(db_, "main") == 1) rc = SQLITE_READONLY;
    if (rc == SQLITE_OK && prepareSchema(problem)) return true;
    if (rc != SQLITE_OK && problem) *problem = message(db_, rc);
    const int code = rc != SQLITE_OK ? rc : sqlite3_errcode(db_);
    if (!damaged(code) || attempt == 1) break;
    // A damaged file: the database is a cache, so it is made anew.
    close();
    for (const char* tail : {"", "-wal", "-shm"}) {
      std::error_code ec;
      fs::remove(path_ + tail, ec);
    }
    rebuiltOnOpen_ = rebuiltSinceUpdate_ = true;
  }
  close();
  return false;
}

bool Catalog::prepareSchema(std::string* problem) {
  int version = -1;
  {
    Statement s(db_, "PRAGMA user_version");
    if (s.ok() && s.step() == SQLITE_ROW) version = static_cast<int>(s.integer(0));
    if (!s.ok()) {
      if (problem) *problem = message(db_, s.code());
      return false;
    }
  }
  // Checks the table and its indexes: a damaged file shows here, also one
  // whose index no longer agrees with its rows (which reads without error).
  if (version == kCatalogSchema) {
    bool whole = false;
    Statement s(db_, "PRAGMA integrity_check(files)");
    if (s.ok() && s.step() == SQLITE_ROW) whole = s.text(0) == "ok";
    if (!s.ok() && !damaged(s.code())) {
      if (problem) *problem = message(db_, s.code());
      return false;
    }
    // A schema that names other columns than this version's is made anew too.
    whole = whole && Statement(db_, "SELECT path, folder, size, modified, added, entry FROM files").ok() &&
            Statement(db_, "SELECT folder, at FROM looks").ok();
    if (whole) {
      // A write lock proves the database (and its log) can be written.
      if (exec(db_, "BEGIN IMMEDIATE") == SQLITE_OK && exec(db_, "COMMIT") == SQLITE_OK) return true;
      if (problem) *problem = sqlite3_errmsg(db_);
      return false;
    }
  }
  if (version != 0) rebuiltOnOpen_ = rebuiltSinceUpdate_ = true;
  const std::string sql = "BEGIN IMMEDIATE;"
                          "DROP TABLE IF EXISTS files; DROP TABLE IF EXISTS looks;"
                          "CREATE TABLE files(path TEXT PRIMARY KEY, folder TEXT NOT NULL, size INTEGER NOT NULL,"
                          " modified INTEGER NOT NULL, added INTEGER NOT NULL, entry BLOB NOT NULL);"
                          "CREATE INDEX files_folder ON files(folder);"
                          "CREATE TABLE looks(folder TEXT PRIMARY KEY, at INTEGER NOT NULL);"
                          "PRAGMA user_version=" +
                          std::to_string(kCatalogSchema) + "; COMMIT;";
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  if (problem) *problem = sqlite3_errmsg(db_);
  exec(db_, "ROLLBACK");
  return false;
}

bool Catalog::remake(std::string* problem) {
  close();
  for (const char* tail : {"", "-wal", "-shm"}) {
    std::error_code ec;
    fs::remove(path_ + tail, ec);
  }
  rebuiltOnOpen_ = rebuiltSinceUpdate_ = true;
  return connect(problem);
}

CatalogUpdate Catalog::update(const ProgressHook& progress) {
  sawDamage_ = false;
  CatalogUpdate result = updateOnce(progress);
  // Damage found on the way: the database is made anew and filled from the files.
  if (sawDamage_ && remake(&result.problem)) {
    sawDamage_ = false;
    result = updateOnce(progress);
  }
  return result;
}

CatalogUpdate Catalog::updateOnce(const ProgressHook& progress) {
  CatalogUpdate result;
  if (!db_ && !remake(&result.problem)) return result;
  const std::vector<DiskFile> disk = filesOnDisk(dataFolder_);

  struct Known {
    std::int64_t size, modified, added;
  };
  std::map<std::string, Known> known;
  {
    Statement s(db_, "SELECT path, size, modified, added FROM files");
    while (s.ok() && s.step() == SQLITE_ROW) known[s.text(0)] = {s.integer(1), s.integer(2), s.integer(3)};
    if (!s.ok()) {
      sawDamage_ = damaged(s.code());
      result.problem = message(db_, s.code());
      return result;
    }
  }

  std::vector<const DiskFile*> toRead;
  for (const DiskFile& d : disk) {
    const auto it = known.find(d.rel);
    if (it != known.end() && it->second.size == d.size && it->second.modified == d.modified)
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
  auto store = [&](auto&& body) {
    if (const int rc = exec(db_, "BEGIN IMMEDIATE"); rc != SQLITE_OK) {
      sawDamage_ = damaged(rc);
      result.problem = sqlite3_errmsg(db_);
      return false;
    }
    if (!body() || exec(db_, "COMMIT") != SQLITE_OK) {
      sawDamage_ = damaged(sqlite3_errcode(db_));
      if (result.problem.empty()) result.problem = sqlite3_errmsg(db_);
      exec(db_, "ROLLBACK");
      return false;
    }
    return true;
  };

  if (!removed.empty() && !store([&] {
        Statement del(db_, "DELETE FROM files WHERE path = ?");
        for (const std::string& path : removed) {
          del.bind(1, path);
          if (del.step() != SQLITE_DONE) return false;
          del.reset();
        }
        result.removed = removed.size();
        return true;
      }))
    return result;

  for (std::size_t first = 0; first < toRead.size(); first += kBatchFiles) {
    const std::size_t last = std::min(first + kBatchFiles, toRead.size());
    std::vector<std::pair<const DiskFile*, CatalogEntry>> batch;
    for (std::size_t i = first; i < last; ++i) {
      const DiskFile& d = *toRead[i];
      const std::optional<std::string> text = readWhole(d.path);
      if (!text) continue;  // gone or unreadable right now: the next update sees it again
      CatalogEntry e = MakeCatalogEntry(*text);
      if (!d.settled && (!e.durationWritten || !e.problem.empty())) {
        ++result.pending;
        continue;
      }
      batch.emplace_back(&d, std::move(e));
    }
    const bool ok = store([&] {
      Statement put(db_, "INSERT OR REPLACE INTO files(path, folder, size, modified, added, entry) VALUES(?,?,?,?,?,?)");
      for (const auto& [d, e] : batch) {
        const auto it = known.find(d->rel);
        put.bind(1, d->rel);
        put.bind(2, d->folder);
        put.bind(3, d->size);
        put.bind(4, d->modified);
        put.bind(5, it != known.end() ? it->second.added : now);
        put.bindBlob(6, EncodeEntry(e));
        if (put.step() != SQLITE_DONE) return false;
        put.reset();
        ++(it != known.end() ? result.changed : result.added);
      }
      return true;
    });
    if (!ok) return result;
    p.done = last;
    if (progress && !progress(p)) break;
  }
  result.rebuilt = rebuiltSinceUpdate_;
  rebuiltSinceUpdate_ = false;
  return result;
}

std::vector<CatalogEntry> Catalog::entries(const std::string& folder) {
  return entries(folder, true);
}

std::vector<CatalogEntry> Catalog::entries(const std::string& folder, bool mayRebuild) {
  std::vector<CatalogEntry> out;
  if (!db_) return out;
  std::vector<std::string> bad;
  {
    Statement s(db_, folder.empty() ? "SELECT path, folder, size, modified, added, entry FROM files ORDER BY path"
                                    : "SELECT path, folder, size, modified, added, entry FROM files WHERE folder = ? "
                                      "ORDER BY path");
    if (!folder.empty()) s.bind(1, folder);
    while (s.ok() && s.step() == SQLITE_ROW) {
      CatalogEntry e;
      if (!DecodeEntry(s.blob(5), e)) {
        bad.push_back(s.text(0));
        continue;
      }
      e.file = s.text(0);
      e.folder = s.text(1);
      e.size = s.integer(2);
      e.modified = s.integer(3);
      e.added = s.integer(4);
      out.push_back(std::move(e));
    }
    if (!s.ok() && damaged(s.code())) {
      // Damage seen only now (in the stored entries): made anew from the files.
      if (!mayRebuild || !remake(nullptr)) return {};
      update();
      return entries(folder, false);
    }
  }
  // A damaged entry is read from its file again.
  if (!bad.empty()) {
    exec(db_, "BEGIN IMMEDIATE");
    Statement s(db_, "UPDATE files SET size = -1 WHERE path = ?");
    for (const std::string& path : bad) {
      s.bind(1, path);
      s.step();
      s.reset();
    }
    exec(db_, "COMMIT");
    if (mayRebuild) {
      update();
      return entries(folder, false);
    }
  }
  return out;
}

std::vector<std::string> Catalog::aircraftFolders() {
  std::vector<std::string> out;
  if (!db_) return out;
  Statement s(db_, "SELECT DISTINCT folder FROM files ORDER BY folder");
  while (s.ok() && s.step() == SQLITE_ROW) out.push_back(s.text(0));
  return out;
}

std::int64_t Catalog::lastLook(const std::string& folder) {
  if (!db_) return 0;
  Statement s(db_, "SELECT at FROM looks WHERE folder = ?");
  s.bind(1, folder);
  return s.ok() && s.step() == SQLITE_ROW ? s.integer(0) : 0;
}

void Catalog::markLooked(const std::string& folder) {
  if (!db_) return;
  Statement s(db_, "INSERT OR REPLACE INTO looks(folder, at) VALUES(?, ?)");
  s.bind(1, folder);
  s.bind(2, static_cast<std::int64_t>(std::time(nullptr)));
  s.step();
}

}  // namespace varnix::flight
