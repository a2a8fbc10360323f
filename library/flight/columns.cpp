// SPDX-License-Identifier: MIT
#include "flight/columns.h"

#include <algorithm>
#include <new>
#include <utility>

#include "platform/platform.h"

namespace varnix::flight {

Columns::Columns(const Columns& other) : channels_(other.channels_) {
  resize(other.rows_);
  rows_ = other.rows_;
  for (std::size_t c = 0; c < channels_; ++c) std::copy_n(other[c].data(), rows_, data_ + c * capacity_);
}

Columns::Columns(Columns&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      channels_(std::exchange(other.channels_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      rows_(std::exchange(other.rows_, 0)) {}

Columns& Columns::operator=(Columns other) noexcept {
  std::swap(data_, other.data_);
  std::swap(channels_, other.channels_);
  std::swap(capacity_, other.capacity_);
  std::swap(rows_, other.rows_);
  return *this;
}

Columns::~Columns() { platform::releaseLarge(data_, channels_ * capacity_ * sizeof(float)); }

void Columns::reset(std::size_t channels, std::size_t rows) {
  *this = Columns();
  channels_ = channels;
  resize(rows);
}

void Columns::reserveUpTo(std::size_t channels, std::size_t rows) {
  const std::size_t firstBlock = kFirstBlockBytes / sizeof(float) / std::max<std::size_t>(channels, 1);
  reset(channels, std::min(rows, std::max<std::size_t>(firstBlock, 64)));
}

void Columns::makeRoom() {
  if (rows_ == capacity_) resize(std::max<std::size_t>(64, capacity_ + capacity_ / 2));
}

// Moves the values into a block with room for `capacity` rows.
void Columns::resize(std::size_t capacity) {
  if (capacity > (static_cast<std::size_t>(-1) / sizeof(float)) / std::max<std::size_t>(channels_, 1))
    throw std::bad_alloc();
  auto* block = static_cast<float*>(platform::allocateLarge(channels_ * capacity * sizeof(float)));
  if (!block) throw std::bad_alloc();
  for (std::size_t c = 0; c < channels_ && data_; ++c) std::copy_n(data_ + c * capacity_, rows_, block + c * capacity);
  platform::releaseLarge(data_, channels_ * capacity_ * sizeof(float));
  data_ = block;
  capacity_ = capacity;
}

}  // namespace varnix::flight
