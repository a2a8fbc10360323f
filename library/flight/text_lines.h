// SPDX-License-Identifier: MIT
// The line walker the flight readers share (internal to library/flight).
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

#include "flight/flight_reader.h"

namespace varnix::flight::detail {

// Walks a text line by line; a line ends at LF, CR LF or a lone CR (a file
// saved by a spreadsheet on an old Mac). The text is whole in memory, or
// read from a file a block at a time, so that a long flight's text never
// sits in memory beside its columns. A line longer than the limit is not
// walked: `next` stops at it, having read no further than the limit past
// its start. A line stays valid until the next call.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text), size_(text.size()) {}
  Lines(std::FILE* file, std::size_t size) : file_(file), size_(size) { buffer_.resize(kBlock); }

  // The longest line `next` walks, line end not counted.
  void setLimit(std::size_t bytes) { limit_ = bytes; }

  // False at the end of the text or at a line longer than the limit
  // (`tooLong`, `number` naming it). `terminated` says whether the line
  // had its line end.
  bool next(std::string_view& line, bool& terminated) {
    std::size_t searched = pos_;
    std::size_t end = text_.find_first_of("\r\n", searched);
    // More is read while the line's end is not in the buffer, or a CR is
    // its last byte and an LF may follow.
    while (file_ && !atEnd_ && (end == std::string_view::npos || (text_[end] == '\r' && end + 1 == text_.size())) &&
           (end == std::string_view::npos ? text_.size() : end) - pos_ <= limit_) {
      searched = (end == std::string_view::npos ? text_.size() : end) - pos_;
      refill();
      end = text_.find_first_of("\r\n", searched);
    }
    if (pos_ >= text_.size()) return false;
    terminated = end != std::string_view::npos;
    const std::size_t stop = terminated ? end : text_.size();
    ++number_;
    if (stop - pos_ > limit_) {
      tooLong_ = true;
      return false;
    }
    line = text_.substr(pos_, stop - pos_);
    pos_ = !terminated ? text_.size() : text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n' ? end + 2 : end + 1;
    return true;
  }
  int number() const { return number_; }
  bool tooLong() const { return tooLong_; }
  // Bytes not walked yet (for a file, as its size said when it was opened).
  std::size_t remaining() const {
    const std::size_t walked = consumed_ + pos_;
    return size_ > walked ? size_ - walked : 0;
  }
  bool readFailed() const { return failed_; }

 private:
  static constexpr std::size_t kBlock = 256 * 1024;

  // Keeps the unwalked tail, reads on after it. The tail is never longer
  // than the limit (and a byte), so a buffer grown for it stays bounded.
  void refill() {
    const std::size_t kept = text_.size() - pos_;
    if (kept > buffer_.size() / 2) buffer_.resize(buffer_.size() * 2);
    std::memmove(buffer_.data(), buffer_.data() + pos_, kept);
    const std::size_t room = buffer_.size() - kept;
    const std::size_t got = std::fread(buffer_.data() + kept, 1, room, file_);
    if (got < room) {
      atEnd_ = true;
      failed_ = std::ferror(file_) != 0;
    }
    consumed_ += pos_;
    text_ = std::string_view(buffer_.data(), kept + got);
    pos_ = 0;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;
  std::size_t limit_ = std::numeric_limits<std::size_t>::max();
  std::FILE* file_ = nullptr;
  std::size_t size_ = 0;
  std::size_t consumed_ = 0;  // bytes dropped from the buffer's front
  std::string buffer_;
  bool atEnd_ = false;
  bool failed_ = false;
  bool tooLong_ = false;
};

// Opens `path` as the flight readers do (regular files only, read a block at
// a time) and hands its lines to `read`; a file that cannot be opened or read
// is a problem naming it, unreadable, and so is one whose rows want more
// memory than there is (std::bad_alloc stays here: one file's failure).
FlightRead ReadFileLines(const std::string& path, const std::function<FlightRead(Lines&)>& read);

}  // namespace varnix::flight::detail
