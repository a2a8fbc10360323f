// SPDX-License-Identifier: MIT
// The catalog update's readers: flight files read (ReadCatalogFile) on a
// few worker threads and handed over in their order. At most `window` files
// are read ahead of the one taken last, so memory stays bounded however many
// files an update reads. No worker touches SQLite, and nothing thrown leaves
// a worker: a file that fails to be read is unreadable.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "store/catalog_file_read.h"

namespace varnix::store {

class ReadAhead {
 public:
  // With fewer than two workers, each file is read by take() on the caller's
  // thread. `paths` must outlive the reader.
  ReadAhead(const std::vector<std::string>& paths, unsigned workers, std::size_t window);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // File `i`, read; taken in order, each once.
  CatalogFileRead take(std::size_t i);

  // One reader a core, at most 4.
  static unsigned automaticWorkers();

 private:
  struct Slot {
    CatalogFileRead file;
    bool ready = false;
  };

  void work();

  const std::vector<std::string>& paths_;
  std::vector<Slot> slots_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::size_t next_ = 0;   // the next file a worker reads
  std::size_t taken_ = 0;  // files handed over
  bool stop_ = false;
};

}  // namespace varnix::store
