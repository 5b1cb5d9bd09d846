// A growable run of text that row writers fill through raw pointers: `Reserve` gives room for at
// least n more bytes at the end, the writer puts its bytes there and `Commit` sets the new end.
// Unlike a string it never zero-fills the room it hands out. Not thread-safe; one writer at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace vid {

class TextBlock {
 public:
  /// Room for `n` more bytes behind the text; valid until the next `Reserve`.
  char* Reserve(size_t n) {
    if (capacity_ - size_ < n) Grow(n);
    return data_.get() + size_;
  }
  /// Ends the text at `end`, a pointer into the room of the last `Reserve`.
  void Commit(const char* end) { size_ = static_cast<size_t>(end - data_.get()); }
  void Append(std::string_view text) {
    std::memcpy(Reserve(text.size()), text.data(), text.size());
    size_ += text.size();
  }
  void Clear() { size_ = 0; }
  size_t Size() const { return size_; }
  std::string_view View() const { return {data_.get(), size_}; }

 private:
  void Grow(size_t n) {
    const size_t capacity = std::max(2 * capacity_, size_ + n);
    std::unique_ptr<char[]> data(new char[capacity]);
    if (size_) std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
  }

  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace vid
