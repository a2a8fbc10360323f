// SPDX-License-Identifier: MIT
// A flight's values: one float column per channel, all in one block,
// channel after channel. One block rather than a vector per channel, so a
// long flight takes a few large pages instead of thousands of small ones
// (see platform::allocateLarge); the reader fills it row by row.
#pragma once

#include <cstddef>
#include <span>

namespace varnix::flight {

class Columns {
 public:
  Columns() = default;
  Columns(const Columns& other);
  Columns(Columns&& other) noexcept;
  Columns& operator=(Columns other) noexcept;
  ~Columns();

  // `channels` empty columns with room for `rows` values each.
  void reset(std::size_t channels, std::size_t rows);
  std::size_t size() const { return channels_; }
  std::size_t rows() const { return rows_; }
  std::span<const float> operator[](std::size_t c) const { return {data_ + c * capacity_, rows_}; }
  std::span<float> operator[](std::size_t c) { return {data_ + c * capacity_, rows_}; }

  // Adding a row: `makeRoom`, then set each channel's `next` value, then `addRow`.
  // A row left without `addRow` is not part of the columns.
  void makeRoom();
  float& next(std::size_t c) { return data_[c * capacity_ + rows_]; }
  void addRow() { ++rows_; }

 private:
  void resize(std::size_t capacity);

  float* data_ = nullptr;
  std::size_t channels_ = 0, capacity_ = 0, rows_ = 0;
};

}  // namespace varnix::flight
