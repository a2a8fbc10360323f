// SPDX-License-Identifier: MIT
// The little of SQLite the catalog uses: a prepared statement that
// finalizes itself, one-line execution, and what a result code means to it.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace varnix::store::sqlite {

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

inline int exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

inline std::string message(sqlite3* db, int code) { return db ? sqlite3_errmsg(db) : sqlite3_errstr(code); }

// Busy: another connection held its lock for longer than the wait.
inline bool busy(int code) { return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED; }

// A write that failed for want of room (SQLite tells a short write as
// SQLITE_FULL, a write refused outright as an I/O error).
inline bool full(int code) { return (code & 0xff) == SQLITE_FULL || (code & 0xff) == SQLITE_IOERR; }

// A file that is no database, or no longer a whole one.
inline bool damaged(int code) { return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB; }

}  // namespace varnix::store::sqlite
