// SPDX-License-Identifier: MIT
// A flight's values: one float column per channel, all in one block,
// channel after channel. One block rather than a vector per channel, so a
// long flight takes a few large pages instead of thousands of small ones
// (see platform::allocateLarge); the reader fills it row by row, and the
// block grows with the rows added, never with what a file's size promises.
#pragma once

#include <cstddef>
#include <span>

namespace varnix::flight {

class Columns {
 public:
  static constexpr std::size_t kFirstBlockBytes = std::size_t{4} << 20;

  Columns() = default;
  Columns(const Columns& other);
  Columns(Columns&& other) noexcept;
  Columns& operator=(Columns other) noexcept;
  ~Columns();

  // `channels` empty columns with room for `rows` values each.
  void reset(std::size_t channels, std::size_t rows);
  // `channels` empty columns with room for up to `rows` values each, but for
  // no more than a first block's worth (kFirstBlockBytes): a guess of the
  // rows to come (from a file's size) is no promise, and `makeRoom` grows
  // the block from the rows actually added.
  void reserveUpTo(std::size_t channels, std::size_t rows);
  std::size_t capacity() const { return capacity_; }
  std::size_t size() const { return channels_; }
  std::size_t rows() const { return rows_; }
  std::span<const float> operator[](std::size_t c) const { return {data_ + c * capacity_, rows_}; }
  std::span<float> operator[](std::size_t c) { return {data_ + c * capacity_, rows_}; }

  // Adding a row: `makeRoom`, then set each channel's `next` value, then `addRow`.
  // A row left without `addRow` is not part of the columns. A full block
  // grows by half (amortised: each value is moved about twice in all), so
  // the room never exceeds half again the rows added, or the first block.
  // Throws std::bad_alloc when there is no room to be had.
  void makeRoom();
  float& next(std::size_t c) { return data_[c * capacity_ + rows_]; }
  void addRow() { ++rows_; }

 private:
  void resize(std::size_t capacity);

  float* data_ = nullptr;
  std::size_t channels_ = 0, capacity_ = 0, rows_ = 0;
};

}  // namespace varnix::flight
