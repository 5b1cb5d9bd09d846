#include "common/CStringBuilder.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace vid {

namespace {

constexpr int64_t kMaxSlots = std::numeric_limits<int32_t>::max();

}  // namespace

void CStringBuilder::Resize(int64_t capacity) {
  capacity_ = static_cast<int32_t>(std::min(capacity, kMaxSlots));
  pieces_.resize(static_cast<size_t>(capacity_));
}

void CStringBuilder::Grow() {
  if (capacity_ == kMaxSlots) throw std::length_error("CStringBuilder: too many pieces");
  Resize(int64_t{capacity_} + std::max<int32_t>(block_size_, 1));
}

void CStringBuilder::Alloc(int32_t BlockCount) {
  if (BlockCount < 1) return;
  Resize(int64_t{capacity_} + int64_t{std::max<int32_t>(block_size_, 1)} * BlockCount);
}

void CStringBuilder::Append(std::string_view text) {
  if (count_ == capacity_) Grow();
  // A slot left over from earlier pieces keeps its buffer, so reuse after Clear costs no
  // allocation when the new piece fits.
  pieces_[static_cast<size_t>(count_)].assign(text);
  ++count_;
}

const std::string& CStringBuilder::ToString() {
  static const std::string kEmpty;
  if (count_ == 1) return pieces_[0];
  if (count_ == 0) {
    if (capacity_ == 0) return kEmpty;
    pieces_[0].clear();
    count_ = 1;
    return pieces_[0];
  }
  size_t total = 0;
  for (int32_t i = 0; i < count_; ++i) total += pieces_[static_cast<size_t>(i)].size();
  std::string joined;
  joined.reserve(total);
  for (int32_t i = 0; i < count_; ++i) joined += pieces_[static_cast<size_t>(i)];
  pieces_[0] = std::move(joined);
  count_ = 1;
  return pieces_[0];
}

void CStringBuilder::Clear(bool DeAlloc) {
  count_ = 0;
  if (DeAlloc) {
    std::vector<std::string>().swap(pieces_);
    capacity_ = 0;
  }
}

}  // namespace vid
