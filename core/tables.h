// The two big tables of a conversion. `PageTable` is the channel table `pages`: 26 columns of
// 1200000 bytes, each column one channel's data memory, positions 1-based. `RecordTables` hold
// the records a scan found: time stamps, voltages and raw words, rows 1..100000; the mini-channel
// conversion keeps its time stamps and values in the same rows. Both are allocated once for the
// life of the program; `Clear` resets only what was used, so a conversion never sees what an
// earlier one left.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#include "platform/huge_pages.h"

namespace vid {

/// A fixed array of zero bytes taken from calloc: the system hands out pages that are already
/// zero, so the big tables cost memory only where a conversion writes. With `huge` the system is
/// asked for 2 MiB pages where it offers them: a table that a conversion fills from the front
/// then costs one page fault per 2 MiB instead of one per 4 KiB.
template <typename T>
class ZeroedArray {
  static_assert(std::is_trivial_v<T>);

 public:
  explicit ZeroedArray(size_t n, bool huge = false)
      : p_(static_cast<T*>(std::calloc(n, sizeof(T)))) {
    if (!p_) throw std::bad_alloc();
    if (huge) AskHugePages(p_.get(), n * sizeof(T));
  }
  T& operator[](size_t i) { return p_.get()[i]; }
  const T& operator[](size_t i) const { return p_.get()[i]; }
  T* get() const { return p_.get(); }

 private:
  struct Free {
    void operator()(T* p) const { std::free(p); }
  };
  std::unique_ptr<T, Free> p_;
};

inline constexpr int32_t kChannelBytes = 1200000;  ///< positions 1..1200000
inline constexpr int kChannelColumns = 26;         ///< columns 0..25
inline constexpr int32_t kMaxRecords = 100000;     ///< record rows 1..100000
inline constexpr int kSampleColumns = 150;         ///< raw words 0..149 per record
inline constexpr int kStampBytes = 6;  ///< a time stamp: year, month, day, hour, minute, second

class PageTable {
 public:
  // Huge pages: a conversion fills the columns from their start, and the columns lie close
  // enough together that every 2 MiB step holds some of it.
  PageTable() : bytes_(size_t{kChannelColumns} * kChannelBytes, true) {}

  void Set(int64_t n, int col, uint8_t b) {
    Column(col)[n - 1] = b;
    if (n > high_[col]) high_[col] = static_cast<int32_t>(n);
  }
  /// Copies `len` bytes to positions n .. n + len - 1 of column col (all inside the table).
  void Store(int64_t n, int col, const uint8_t* src, size_t len) {
    std::memcpy(Column(col) + n - 1, src, len);
    if (n + static_cast<int64_t>(len) - 1 > high_[col]) {
      high_[col] = static_cast<int32_t>(n + len - 1);
    }
  }
  /// Notes that positions n .. n + len - 1 of column col (all inside the table) were written
  /// in place, through `Column`.
  void Written(int64_t n, int col, size_t len) {
    if (n + static_cast<int64_t>(len) - 1 > high_[col]) {
      high_[col] = static_cast<int32_t>(n + len - 1);
    }
  }
  /// Column col from position 1 on.
  const uint8_t* Column(int col) const { return bytes_.get() + size_t(col) * kChannelBytes; }
  uint8_t* Column(int col) { return bytes_.get() + size_t(col) * kChannelBytes; }
  /// All bytes 0 again.
  void Erase() {
    for (int c = 0; c < kChannelColumns; ++c) {
      std::memset(Column(c), 0, high_[c]);
      high_[c] = 0;
    }
  }

 private:
  ZeroedArray<uint8_t> bytes_;
  std::array<int32_t, kChannelColumns> high_{};  ///< highest position written per column
};

class RecordTables {
 public:
  static constexpr size_t kRows = kMaxRecords + 1;  // row 0 unused

  // Rows are filled from row 1 on: the big tables take huge pages.
  RecordTables() : stamp_(kRows), raw_(kRows, true), volts_(kRows, true), downtime_(kRows) {}

  static bool Holds(int64_t r) { return r >= 1 && r <= kMaxRecords; }

  /// The voltages of one record: the phases, the quality RMS, minimum and maximum (phase 1..3 at
  /// index 0..2).
  struct Volts {
    double phase[3], vrms[3], umin[3], umax[3];
  };

  /// StampBytes(r, 0..5): year, month, day, hour, minute, second as stored.
  std::array<uint8_t, kStampBytes>& StampBytes(int64_t r) { return Touch(r), stamp_[r]; }
  /// RawWords(r, 0..149).
  std::array<int16_t, kSampleColumns>& RawWords(int64_t r) { return Touch(r), raw_[r]; }
  double& PhaseVolts(int64_t r, int p) { return Touch(r), volts_[r].phase[p - 1]; }
  double& QualVrms(int64_t r, int p) { return Touch(r), volts_[r].vrms[p - 1]; }
  double& QualUmin(int64_t r, int p) { return Touch(r), volts_[r].umin[p - 1]; }
  double& QualUmax(int64_t r, int p) { return Touch(r), volts_[r].umax[p - 1]; }
  double& QualDowntime(int64_t r) { return Touch(r), downtime_[r]; }

  // Reading only; safe from several threads while nothing writes.
  const std::array<uint8_t, kStampBytes>& StampBytes(int64_t r) const { return stamp_[r]; }
  const std::array<int16_t, kSampleColumns>& RawWords(int64_t r) const { return raw_[r]; }
  const Volts& VoltsRow(int64_t r) const { return volts_[r]; }

  /// Zeroes every row used since the last clear.
  void ClearRows() {
    for (int64_t r = 1; r <= used_; ++r) {
      stamp_[r] = {};
      raw_[r] = {};
      volts_[r] = {};
      downtime_[r] = 0;
    }
    used_ = 0;
  }

  int32_t stamp_count = 0;  ///< the row being filled; after a scan one more than the rows stored

 private:
  void Touch(int64_t r) {
    if (r > used_) used_ = r;
  }

  ZeroedArray<std::array<uint8_t, kStampBytes>> stamp_;
  ZeroedArray<std::array<int16_t, kSampleColumns>> raw_;
  ZeroedArray<Volts> volts_;
  ZeroedArray<double> downtime_;
  int64_t used_ = 0;
};

/// The tables a conversion fills: the channel table and the record tables.
struct Tables {
  PageTable pages;
  RecordTables records;

  /// Everything back to zero, as every conversion starts.
  void Clear() {
    pages.Erase();
    records.ClearRows();
  }
};

}  // namespace vid
