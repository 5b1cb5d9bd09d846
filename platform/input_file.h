// An input file read whole into memory and consumed front to back. Reads that run past the end
// give 0 and raise the "past end" flag, which stays up until the file is opened again; skipping
// forward never goes beyond the end. The readers rely on this instead of checking lengths.
// Only regular files are read: a pipe, a device or a socket is refused before anything is read
// (a pipe would wait for a writer, a device may never end), and so is a file larger than the
// caller's bound for its kind of input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace vid {

class InputFile {
 public:
  /// No bound on the size of the file.
  static constexpr uint64_t kAnySize = UINT64_MAX;

  /// Reads the regular file at `path`, at most `max_size` bytes long. On failure fills `error`
  /// ("number: description" for a system error, else a plain description) and stays closed.
  bool Open(const std::string& path, std::string* error, uint64_t max_size = kAnySize);

  void Close();
  bool IsOpen() const { return open_; }

  uint64_t Size() const { return data_.size(); }
  uint64_t Position() const { return pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }
  /// True once any read has asked for a byte beyond the end.
  bool PastEnd() const { return past_end_; }

  uint8_t ReadByte() {
    if (pos_ < data_.size()) return data_[pos_++];
    past_end_ = true;
    return 0;
  }
  /// Copies `n` bytes to `dst`; the part beyond the end reads as 0.
  void Read(uint8_t* dst, size_t n);
  /// A 16-bit field taken least-significant byte first.
  int16_t ReadLe16() {
    const uint8_t b0 = ReadByte();
    const uint8_t b1 = ReadByte();
    return static_cast<int16_t>(b0 | (b1 << 8));
  }
  /// A 32-bit field taken least-significant byte first.
  int32_t ReadLe32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(ReadByte()) << (8 * i);
    return static_cast<int32_t>(v);
  }
  /// Moves forward to `offset`, never backward and never beyond the end.
  void SkipTo(int64_t offset) {
    if (offset > static_cast<int64_t>(pos_)) {
      pos_ =
          offset < static_cast<int64_t>(data_.size()) ? static_cast<size_t>(offset) : data_.size();
    }
  }
  /// The bytes not read yet.
  const uint8_t* Cursor() const { return data_.data() + pos_; }
  size_t Remaining() const { return data_.size() - pos_; }

 private:
  /// Leaves new bytes uninitialised: the file's bytes are read over them at once.
  struct NoZeroFill : std::allocator<uint8_t> {
    template <typename U>
    struct rebind {
      using other = NoZeroFill;
    };
    template <typename U>
    void construct(U* p) noexcept {
      ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
  };
  using Bytes = std::vector<uint8_t, NoZeroFill>;
  void Take(Bytes bytes);

  Bytes data_;
  size_t pos_ = 0;
  bool open_ = false;
  bool past_end_ = false;
};

}  // namespace vid
