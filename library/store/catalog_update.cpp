// SPDX-License-Identifier: MIT
// Bringing the catalog up to date with its files: list them, compare them
// with the index, forget the removed ones, read the others ahead on a few
// threads and store them a batch a transaction.
#include <algorithm>
#include <ctime>
#include <set>
#include <utility>

#include "analysis/analysis_version.h"
#include "store/catalog.h"
#include "store/catalog_steps.h"
#include "store/flight_files.h"
#include "store/read_ahead.h"
#include "store/sqlite_statement.h"

namespace varnix::store {

using sqlite::Statement;
using sqlite::exec;
using sqlite::message;

namespace {

constexpr std::size_t kBatchFiles = 64;  // files per transaction while indexing

// What an update has to do: the files to read, the paths to forget, and how
// many are as the index holds them.
struct UpdatePlan {
  std::vector<const FlightFileOnDisk*> toRead;
  std::vector<std::string> removed;
  std::size_t unchanged = 0;
};

template <class Known>
UpdatePlan planUpdate(const std::vector<FlightFileOnDisk>& disk, const std::map<std::string, Known>& known,
                      const std::set<std::string>& reread) {
  UpdatePlan plan;
  for (const FlightFileOnDisk& d : disk) {
    const auto it = known.find(d.rel);
    // An entry another analysis version computed is read again, as a changed file is.
    if (it != known.end() && it->second.size == d.size && it->second.modified == d.modified &&
        it->second.analysis == analysis::kAnalysisVersion && !reread.count(d.rel))
      ++plan.unchanged;
    else
      plan.toRead.push_back(&d);
  }
  // Both lists are in path order.
  std::size_t i = 0;
  for (const auto& entry : known) {
    const std::string& path = entry.first;
    while (i < disk.size() && disk[i].rel < path) ++i;
    if (i == disk.size() || disk[i].rel != path) plan.removed.push_back(path);
  }
  return plan;
}

}  // namespace

CatalogUpdate Catalog::update(const ProgressHook& progress) {
  // Damage that a query met: made anew here, where writing is expected.
  if (sawDamage_) {
    if (flight::Done made = remake(); !made.ok()) return CatalogUpdate::failed(std::move(made.problem));
  }
  sawDamage_ = sawFull_ = false;
  CatalogUpdate result = updateOnce(progress);
  // Damage found on the way: the database is made anew and filled from the files.
  if (sawDamage_) {
    if (flight::Done made = remake(); !made.ok()) {
      result = CatalogUpdate::failed(std::move(made.problem));
    } else {
      sawDamage_ = false;
      result = updateOnce(progress);
    }
  }
  // No room for the catalog it has just made in the data folder: that stub
  // goes, and the catalog moves to the cache folder.
  if (const std::string cached = sawFull_ && madeHere_ ? CacheDatabase(dataFolder_) : std::string();
      !cached.empty() && cached != path_) {
    close();
    removeFiles();
    path_ = cached;
    madeHere_ = false;
    sawFull_ = false;
    if (!connect().ok()) return result;  // the first failure says why
    result = updateOnce(progress);
  }
  if (sawFull_ && madeHere_) {
    close();
    removeFiles();
  }
  return result;
}

CatalogUpdate Catalog::updateOnce(const ProgressHook& progress) {
  if (!db_) {
    if (flight::Done made = remake(); !made.ok()) return CatalogUpdate::failed(std::move(made.problem));
  }
  const std::vector<FlightFileOnDisk> disk = ListFlightFiles(dataFolder_);
  const flight::Outcome<KnownFiles> known = knownFiles();
  if (!known.ok()) return CatalogUpdate::failed(known.problem);
  const UpdatePlan plan = planUpdate(disk, known.value, std::set<std::string>(reread_.begin(), reread_.end()));
  const auto now = static_cast<std::int64_t>(std::time(nullptr));  // when the new files were first seen
  CatalogChanges changes;
  changes.unchanged = plan.unchanged;
  if (!plan.removed.empty()) {
    if (flight::Done forgotten = forget(plan.removed); !forgotten.ok())
      return CatalogUpdate::failed(std::move(forgotten.problem));
    changes.removed = plan.removed.size();
  }

  // Files are read ahead while a batch is written: the next two batches at most.
  const std::vector<const FlightFileOnDisk*>& toRead = plan.toRead;
  std::vector<std::string> paths;
  paths.reserve(toRead.size());
  for (const FlightFileOnDisk* d : toRead) paths.push_back(d->path);
  const auto workers = static_cast<unsigned>(
      std::min<std::size_t>(readers_ ? readers_ : ReadAhead::automaticWorkers(), toRead.size()));
  ReadAhead reader(paths, workers, 2 * kBatchFiles);
  CatalogProgress p{0, toRead.size()};
  for (std::size_t first = 0; first < toRead.size(); first += kBatchFiles) {
    const std::size_t last = std::min(first + kBatchFiles, toRead.size());
    std::vector<ReadEntry> batch;
    for (std::size_t i = first; i < last; ++i) {
      const FlightFileOnDisk& d = *toRead[i];
      CatalogFileRead read = reader.take(i);
      std::optional<CatalogEntry>& e = read.entry;
      if (!e) continue;  // gone since the folder was listed
      // (A file that cannot be opened or read is listed at once: it is tried again anyway.)
      if (!d.settled && !read.tryAgain && (!e->durationWritten || !e->problem.empty())) {
        ++changes.pending;
        continue;
      }
      batch.push_back({&d, std::move(*e), read.tryAgain ? kTryAgain : d.modified});
    }
    if (flight::Done stored = store(batch, known.value, now, changes); !stored.ok())
      return CatalogUpdate::failed(std::move(stored.problem));
    p.done = last;
    if (progress && !progress(p)) break;
  }
  reread_.clear();
  madeHere_ = false;  // filled: no longer a stub
  changes.rebuilt = rebuiltSinceUpdate_;
  rebuiltSinceUpdate_ = false;
  return CatalogUpdate{changes, {}};
}

flight::Outcome<Catalog::KnownFiles> Catalog::knownFiles() {
  KnownFiles known;
  Statement s(db_, "SELECT path, size, modified, analysis FROM files");
  while (s.ok() && s.step() == SQLITE_ROW) known[s.text(0)] = {s.integer(1), s.integer(2), s.integer(3)};
  if (!s.ok()) {
    sawDamage_ = sqlite::damaged(s.code());
    return flight::Outcome<KnownFiles>::failed(message(db_, s.code()));
  }
  return flight::Outcome<KnownFiles>{std::move(known), {}};
}

// Every statement of `body` is finalized before the commit, and none is
// open before the begin (so that the busy wait applies).
flight::Done Catalog::transaction(const std::function<int()>& body) {
  int rc = exec(db_, "BEGIN IMMEDIATE");
  if (rc == SQLITE_OK) {
    rc = body();
    if (rc == SQLITE_OK) rc = exec(db_, "COMMIT");
    if (rc == SQLITE_OK) return {};
  }
  sawDamage_ = sqlite::damaged(rc);
  sawFull_ = sqlite::full(rc);
  flight::Done why = failed(rc);  // in SQLite's words before the rollback
  exec(db_, "ROLLBACK");
  return why;
}

flight::Done Catalog::forget(const std::vector<std::string>& removed) {
  return transaction([&] {
    Statement del(db_, "DELETE FROM files WHERE path = ?");
    for (const std::string& path : removed) {
      del.bind(1, path);
      if (del.step() != SQLITE_DONE) return del.code();
      del.reset();
    }
    return del.code();
  });
}

flight::Done Catalog::store(const std::vector<ReadEntry>& batch, const KnownFiles& known, std::int64_t now,
                    CatalogChanges& changes) {
  CatalogChanges counted = changes;  // kept only when the batch is stored
  flight::Done stored = transaction([&] {
    // The time a file was first seen stays with its path.
    Statement put(db_, "INSERT INTO files(path, folder, size, modified, added, entry, analysis)"
                       " VALUES(?,?,?,?,?,?,?) ON CONFLICT(path) DO UPDATE SET folder = excluded.folder,"
                       " size = excluded.size, modified = excluded.modified, entry = excluded.entry,"
                       " analysis = excluded.analysis");
    for (const ReadEntry& r : batch) {
      const auto it = known.find(r.disk->rel);
      put.bind(1, r.disk->rel);
      put.bind(2, r.disk->folder);
      put.bind(3, r.disk->size);
      put.bind(4, r.modified);
      put.bind(5, now);
      put.bindBlob(6, EncodeEntry(r.entry));
      put.bind(7, static_cast<std::int64_t>(analysis::kAnalysisVersion));
      if (put.step() != SQLITE_DONE) return put.code();
      put.reset();
      if (it == known.end())
        ++counted.added;
      else if (it->second.modified == kTryAgain && r.modified == kTryAgain)
        ++counted.unchanged;  // still unreadable
      else if (it->second.size == r.disk->size && it->second.modified == r.modified &&
               it->second.analysis != analysis::kAnalysisVersion)
        ++counted.recomputed;
      else
        ++counted.changed;
    }
    return put.code();
  });
  if (stored.ok()) changes = counted;
  return stored;
}

}  // namespace varnix::store
