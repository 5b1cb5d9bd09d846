// Number texts for the output files. The fixed patterns "0", "0.0", "0.00" and "0.000" round
// half away from zero on the value's decimal form with 15 significant digits (0.625 gives 0.63
// and 0.15 gives 0.2 with the pattern "0.0"), write at least one integer digit, never write
// "-0", and take the decimal separator as a parameter: the C locale plays no part here.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vid {

/// The writers below put their text at `p` and return the end of it; the caller provides the
/// room. The text of `PutUint`, `PutInt`, `PutScaled` or `RatioCell::Put` takes at most
/// `kMaxIntText` bytes, and they may store that many at `p` whatever its length; the text of
/// `PutFixed` takes at most `kMaxFixedText` (the largest double written out in full, with 9
/// decimals).
inline constexpr size_t kMaxIntText = 24;
inline constexpr size_t kMaxFixedText = 330;

/// "00" to "99": the two digits of a value below 100 at offset 2 x value.
extern const char kDigitPairs[201];

/// Writes the decimal digits of `v`.
char* PutUint(char* p, uint32_t v);
/// Writes `value` in decimal, with a minus sign when negative.
char* PutInt(char* p, int64_t value);
/// Writes `magnitude`, a value already scaled by 10^decimals, with `sep` in front of its last
/// `decimals` digits (0..9), at least one integer digit, and a minus sign when `negative` and
/// the text is not all zeros.
char* PutScaled(char* p, bool negative, uint64_t magnitude, int decimals, char sep);
/// The text of `AppendFixed`, for `decimals` 0..9.
char* PutFixed(char* p, double value, int decimals, char sep);

/// Exact division by a divisor fixed for a whole conversion, by one multiplication with
/// ceil(2^64 / d): the quotient is exact for every n with n x d below 2^64, which covers all
/// 32-bit n and d (Lemire, Kaser and Kurz, "Faster remainder by direct computation", 2019).
class ConstDivisor {
 public:
  ConstDivisor() = default;
  /// `d` in 1..2^32 - 1.
  explicit ConstDivisor(uint32_t d) : m_(d == 1 ? 0 : ~uint64_t{0} / d + 1) {}
  uint64_t Divide(uint64_t n) const { return m_ == 0 ? n : DivideNotByOne(n); }
  /// `Divide` for a divisor known to be 2 or more.
  uint64_t DivideNotByOne(uint64_t n) const {
    return static_cast<uint64_t>((static_cast<unsigned __int128>(m_) * n) >> 64);
  }

 private:
  uint64_t m_ = 0;
};

/// Writes the digits of `v`, below 10^6, with no branch on the value: three digit pairs put
/// together in one register, the leading zeros shifted out, one 8-byte store (so `p` needs 8
/// bytes of room). Little-endian machines only.
inline char* PutUintBelow1e6(char* p, uint32_t v) {
  const uint32_t rest = v % 10000;
  uint16_t high, mid, low;
  std::memcpy(&high, kDigitPairs + 2 * (v / 10000), 2);
  std::memcpy(&mid, kDigitPairs + 2 * (rest / 100), 2);
  std::memcpy(&low, kDigitPairs + 2 * (rest % 100), 2);
  const int digits = 1 + (v >= 10) + (v >= 100) + (v >= 1000) + (v >= 10000) + (v >= 100000);
  const uint64_t text = (high | uint64_t{mid} << 16 | uint64_t{low} << 32) >> (8 * (6 - digits));
  std::memcpy(p, &text, 8);
  return p + digits;
}

/// Writes the digits of `v`, below 10^6, of which there are one or two when it is below 100.
inline char* PutShortUint(char* p, uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) return PutUintBelow1e6(p, v);
  auto pair = [&p](uint32_t two) {
    std::memcpy(p, kDigitPairs + 2 * two, 2);
    p += 2;
  };
  auto lead = [&p, &pair](uint32_t one_or_two) {
    if (one_or_two < 10) {
      *p++ = static_cast<char>('0' + one_or_two);
    } else {
      pair(one_or_two);
    }
  };
  // By ranges, so that the pairs do not wait for each other.
  if (v < 100) {
    lead(v);
  } else if (v < 10000) {
    lead(v / 100);
    pair(v % 100);
  } else {
    const uint32_t low = v % 10000;
    lead(v / 10000);
    pair(low / 100);
    pair(low % 100);
  }
  return p;
}

/// `PutScaled` for a magnitude below 2^32 and `Decimals` 0..3, inline for the row writers.
template <int Decimals>
inline char* PutScaledShort(char* p, bool negative, uint32_t magnitude, char sep) {
  static constexpr uint32_t kScale[4] = {1, 10, 100, 1000};
  const uint32_t whole = magnitude / kScale[Decimals];
  const uint32_t frac = magnitude % kScale[Decimals];
  if (negative && magnitude != 0) *p++ = '-';  // a text of zeros carries no sign
  p = whole < 1000000 ? PutShortUint(p, whole) : PutUint(p, whole);
  if constexpr (Decimals > 0) {
    *p++ = sep;
    if constexpr (Decimals == 1) {
      *p++ = static_cast<char>('0' + frac);
    } else if constexpr (Decimals == 2) {
      std::memcpy(p, kDigitPairs + 2 * frac, 2);
      p += 2;
    } else {
      *p++ = static_cast<char>('0' + frac / 100);
      std::memcpy(p, kDigitPairs + 2 * (frac % 100), 2);
      p += 2;
    }
  }
  return p;
}

/// A cell that shows numerator / divisor rounded half away from zero to `decimals` (0..2)
/// digits, the text of `AppendRatio`, set up once per column. The magnitude of a numerator times
/// 10^decimals must stay below 2^31 - divisor, and the divisor below 2^31. Everything that
/// depends on the number of decimals is worked out here, so that writing a cell takes no branch
/// on it (the columns of a row change it in a pattern the branch history would not keep).
class RatioCell {
 public:
  RatioCell() = default;
  RatioCell(uint32_t divisor, int decimals)
      : twice_(2 * divisor),
        half_(divisor),
        scale_(decimals == 0 ? 1 : (decimals == 1 ? 10 : 100)),
        // whole = magnitude / scale as (magnitude x mult) >> shift, exact below 2^32
        whole_mult_(decimals == 0 ? 1 : (decimals == 1 ? 3435973837u : 1374389535u)),
        whole_shift_(decimals == 0 ? 0 : (decimals == 1 ? 35 : 37)),
        // one decimal: the second character of the fraction's pair
        frac_skip_(decimals == 1 ? 1 : 0),
        advance_(static_cast<uint8_t>(decimals == 0 ? 0 : 1 + decimals)) {}
  char* Put(char* p, int32_t numerator, char sep) const {
    const bool negative = numerator < 0;
    const uint32_t n =
        negative ? 0u - static_cast<uint32_t>(numerator) : static_cast<uint32_t>(numerator);
    // Half away from zero: floor((2 n 10^decimals + d) / 2d).
    const auto q = static_cast<uint32_t>(twice_.DivideNotByOne(2 * n * scale_ + half_));
    const auto whole = static_cast<uint32_t>((uint64_t{q} * whole_mult_) >> whole_shift_);
    const uint32_t frac = q - whole * scale_;
    *p = '-';  // kept only before a text that is not all zeros
    p += negative && q != 0;
    p = whole < 1000000 ? PutShortUint(p, whole) : PutUint(p, whole);
    // The separator and two digits are stored whatever the pattern, and kept as far as it says.
    p[0] = sep;
    std::memcpy(p + 1, kDigitPairs + 2 * frac + frac_skip_, 2);
    return p + advance_;
  }

 private:
  ConstDivisor twice_{2};
  uint32_t half_ = 1;
  uint32_t scale_ = 1;
  uint32_t whole_mult_ = 1;
  uint8_t whole_shift_ = 0;
  uint8_t frac_skip_ = 0;
  uint8_t advance_ = 0;
};

/// The 32-bit pattern of `value` as exactly eight upper-case hexadecimal digits.
std::string Hex8(uint32_t value);

/// The decimal separator of the user's numeric locale (LC_NUMERIC); '.' when it has none or
/// when it is more than one byte. The numeric locale of the process is left as it was.
char LocaleDecimalSeparator();

/// The separator behind the first field of a date or time format of the C library ("%d.%m.%Y"
/// gives '.', "%T" gives ':'); `fallback` when there is none or when it is not a single ASCII
/// sign (a letter, a digit, a character beyond ASCII).
char FormatSeparator(std::string_view format, char fallback);

/// The date and the time separator of the user's time locale (LC_TIME), from its date and time
/// formats; '/' and ':' for the C and POSIX locales and when the locale cannot be loaded. The
/// locale of the process is left as it was.
char LocaleDateSeparator();
char LocaleTimeSeparator();

}  // namespace vid
