// SPDX-License-Identifier: MIT
// The catalog: an index of every flight CSV file in the aircraft folders of
// a data folder, kept in SQLite. The files stay the truth; the database is
// a cache keyed by each file's path, size and modification time. It lives
// in the data folder as "varnix-catalog.sqlite", or in the user's cache
// folder when the data folder cannot be written, and is made anew whenever
// it is missing, from an older schema, or damaged. Writes are transactions
// in write-ahead-log mode, so a reader never sees a half-written index;
// a second catalog on the same folder (the desktop program and varnix-cli,
// or two threads) waits for the other's transaction instead of failing.
// The catalog never opens its database through a symbolic link, nor a
// FIFO, device or folder of its name: such a name makes the data folder
// unusable for it, as an unwritable one is, and it goes to the cache folder.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "flight/outcome.h"
#include "store/catalog_entry.h"
#include "store/data_folder_names.h"

struct sqlite3;

namespace varnix::store {

// 2: the battery minimum keeps its time (1's rows are kept and read again).
// 3: each row records the analysis version (kAnalysisVersion) its entry was
// computed with; 1's and 2's rows are kept and computed again from their files.
// 4: the entries keep their envelopes compact; 3's rows are computed again.
// 5: the entries keep the log's airframe and system (the engine preset, one
// flight recorded by two displays); 4's rows are computed again.
inline constexpr int kCatalogSchema = 5;

// How long a catalog waits for another's transaction before it gives up:
// one deadline for the whole of open(), and as long again for each write
// after it.
inline constexpr std::chrono::milliseconds kCatalogWait{30000};

struct CatalogWait {
  std::chrono::milliseconds limit = kCatalogWait;
  // Called on the waiting thread about every 20 ms while another program
  // holds the catalog (first when the wait begins); false gives up at once.
  std::function<bool()> holding;
};

struct CatalogProgress {
  std::size_t done = 0;   // files read so far
  std::size_t total = 0;  // files to read in this update
};

// What an update did: the files it found as they were, read (new,
// changed, computed again), forgot and left for a later update.
struct CatalogChanges {
  std::size_t unchanged = 0, added = 0, changed = 0, removed = 0;
  std::size_t recomputed = 0;  // unchanged files whose entries were of another analysis version
  std::size_t pending = 0;  // files still being written: indexed by a later update
  bool rebuilt = false;     // the database was made anew (missing, older or damaged)
};
// The changes, or why the update could not be stored (the index is then
// incomplete: what the failed update did is not counted).
using CatalogUpdate = flight::Outcome<CatalogChanges>;

class Catalog {
 public:
  // Opens (or makes) the catalog of `dataFolder`; the problem says why
  // when no database can be made either there or in the cache folder, or
  // when another program held it past `wait.limit`.
  static flight::Outcome<std::unique_ptr<Catalog>> open(const std::string& dataFolder, const CatalogWait& wait = {});
  ~Catalog();
  Catalog(const Catalog&) = delete;
  Catalog& operator=(const Catalog&) = delete;

  // Brings the index up to date with the files: reads new and changed
  // files and those whose entries another analysis version computed,
  // forgets removed ones. Each batch of files is one transaction.
  // `progress` may stop the update by returning false (what was stored stays).
  using ProgressHook = std::function<bool(const CatalogProgress&)>;
  // The files are read and analysed on a few threads (`setReaders`; 0, the
  // default, is one a core, at most 4), the database written on this one:
  // the entries are the same whatever the count.
  CatalogUpdate update(const ProgressHook& progress = {});
  void setReaders(unsigned count) { readers_ = count; }


  // Every file the index holds (readable or not), in path order; `folder`
  // limits them to one aircraft folder. A query: it never writes the
  // database. An entry of another analysis version is given as stored, as
  // one of a changed file is, until the next update computes it again. An
  // entry stored damaged is read from its file again (and stored by the next
  // update). Empty, with the problem, when the index cannot be read; the
  // next update makes it anew.
  flight::Outcome<std::vector<CatalogEntry>> entries(const std::string& folder = {});
  // The same entries handed to `each` one at a time as they are read, none
  // kept here: a caller that keeps less of an entry holds less at once.
  flight::Done eachEntry(const std::string& folder, const std::function<void(CatalogEntry&&)>& each);

  // The subfolders of the data folder that hold flight files.
  std::vector<std::string> aircraftFolders();

  // When the logbook last showed the aircraft folder (seconds since 1970;
  // 0 for never), and marking it shown now.
  std::int64_t lastLook(const std::string& folder);
  bool markLooked(const std::string& folder);

  const std::string& dataFolder() const { return dataFolder_; }
  const std::string& databasePath() const { return path_; }
  bool rebuiltOnOpen() const { return rebuiltOnOpen_; }

 private:
  Catalog(std::string dataFolder, std::string path, CatalogWait wait)
      : dataFolder_(std::move(dataFolder)), path_(std::move(path)), wait_(std::move(wait)) {}
  struct Known;  // what the index holds of a file
  using KnownFiles = std::map<std::string, Known>;

  // Opens the database at path_ and makes its schema; `heldPastWait_` says
  // whether a failure was another's lock held past the wait.
  flight::Done connect();
  static int onBusy(void* catalog, int count);
  flight::Done prepareSchema();
  void close();
  void removeFiles();
  flight::Done remake();
  // The failure of a step that SQLite refused with `code`, in its words;
  // the code is kept in failedCode_ to tell what kind of failure it was.
  flight::Done failed(int code);
  // One write transaction around `body`, which gives its SQLite result;
  // marks a damaged or full database.
  flight::Done transaction(const std::function<int()>& body);

  // The steps of an update.
  CatalogUpdate updateOnce(const ProgressHook& progress);
  flight::Outcome<KnownFiles> knownFiles();
  flight::Done forget(const std::vector<std::string>& removed);
  struct ReadEntry;
  // Stores a batch of read files (first seen `now` when new) and counts
  // them into `changes` once the batch is stored.
  flight::Done store(const std::vector<ReadEntry>& batch, const KnownFiles& known, std::int64_t now, CatalogChanges& changes);

  std::string dataFolder_;
  std::string path_;
  CatalogWait wait_;
  // The end of the current wait for another's lock: set once for a whole
  // connect(), and at the start of each wait after it.
  std::chrono::steady_clock::time_point waitUntil_{};
  bool connecting_ = false;
  bool gaveUp_ = false;        // wait_.holding said to stop waiting
  bool heldPastWait_ = false;  // the last connect() failed on another's lock
  int failedCode_ = 0;         // SQLite's code for the last step that failed
  sqlite3* db_ = nullptr;
  bool rebuiltOnOpen_ = false;
  bool rebuiltSinceUpdate_ = false;
  bool sawDamage_ = false;  // an operation met a damaged database
  bool sawFull_ = false;    // an update could not write (a full disk)
  bool madeHere_ = false;   // this object made the database file: a stub to remove if it cannot be filled
  std::vector<std::string> reread_;  // files whose stored entries entries() found damaged
  unsigned readers_ = 0;              // threads that read files in an update; 0: automatic
};

}  // namespace varnix::store
