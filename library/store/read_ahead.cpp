// SPDX-License-Identifier: MIT
#include "store/read_ahead.h"

#include <algorithm>
#include <utility>

namespace varnix::store {

ReadAhead::ReadAhead(const std::vector<std::string>& paths, unsigned workers, std::size_t window)
    : paths_(paths), slots_(std::max<std::size_t>(window, 1)) {
  if (workers > 1)
    for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { work(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

CatalogFileRead ReadAhead::take(std::size_t i) {
  if (threads_.empty()) return ReadCatalogFile(paths_[i]);
  std::unique_lock<std::mutex> lock(mutex_);
  Slot& slot = slots_[i % slots_.size()];
  wake_.wait(lock, [&] { return slot.ready; });
  slot.ready = false;
  taken_ = i + 1;
  wake_.notify_all();
  return std::move(slot.file);
}

unsigned ReadAhead::automaticWorkers() {
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores, 1u, 4u);
}

void ReadAhead::work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || next_ == paths_.size() || next_ < taken_ + slots_.size(); });
    if (stop_ || next_ == paths_.size()) return;
    const std::size_t i = next_++;
    lock.unlock();
    Slot done;
    done.file = ReadCatalogFile(paths_[i]);
    done.ready = true;
    lock.lock();
    slots_[i % slots_.size()] = std::move(done);
    wake_.notify_all();
  }
}

}  // namespace varnix::store
