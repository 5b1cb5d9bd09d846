// CStringBuilder collects a long text from many short pieces. Append copies each piece into a
// slot of a piece array that grows by whole blocks of slots (BlockSize, 256 at creation), so the
// growing text is never copied; ToString joins the pieces once, in order, into slot 0 and leaves a
// single piece there, so later Append calls continue behind it and a repeated ToString is free.
// Texts are byte strings copied unchanged. The builder owns all its pieces; it has no locking.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vid {

class CStringBuilder {
 public:
  CStringBuilder() = default;

  /// Number of slots one growth step adds.
  int32_t BlockSize() const { return block_size_; }
  /// Sets the block size; nothing else changes. A value below 1 makes a growth step add 1 slot.
  void BlockSize(int32_t value) { block_size_ = value; }

  /// Reserves room ahead: Capacity grows by BlockSize x BlockCount slots (with a block size
  /// below 1, by BlockCount slots); the pieces in use stay. A BlockCount below 1 does nothing.
  void Alloc(int32_t BlockCount);
  /// Adds a copy of `text` as the last piece; an empty text is a piece like any other.
  void Append(std::string_view text);
  /// The concatenation of all pieces in order. The reference stays valid until the next call of
  /// Append, Alloc, Clear or ToString.
  const std::string& ToString();
  /// Forgets all pieces. With `DeAlloc` the slot storage is released too (Capacity 0); without
  /// it the slots, and the text they still hold, stay for reuse.
  void Clear(bool DeAlloc = false);

  /// Number of pieces in use.
  int32_t Count() const { return count_; }
  /// Number of slots the piece array holds.
  int32_t Capacity() const { return capacity_; }

 private:
  /// Adds one block of slots, at least one slot whatever the block size holds.
  void Grow();
  /// Resizes the piece array to `capacity` slots (clamped to the largest count), keeping the
  /// existing slots.
  void Resize(int64_t capacity);

  std::vector<std::string> pieces_;  ///< slots 0 to capacity_ - 1; the first count_ are in use
  int32_t count_ = 0;
  int32_t capacity_ = 0;  ///< always pieces_.size()
  int32_t block_size_ = 256;
};

}  // namespace vid
