#include "common/stamp_text.h"

#include <cstring>

#include "platform/number_format.h"

namespace vid {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The two hexadecimal digits of every byte, at offset 2 x byte.
constexpr std::array<char, 512> kHexPairs = [] {
  std::array<char, 512> pairs{};
  for (int b = 0; b < 256; ++b) {
    pairs[2 * b] = kHexDigits[b >> 4];
    pairs[2 * b + 1] = kHexDigits[b & 0x0F];
  }
  return pairs;
}();

constexpr int kStampOrder[6] = {2, 1, 0, 3, 4, 5};  // day, month, year, hour, minute, second
constexpr char kStampAfter[5] = {'/', '/', ' ', ':', ':'};

}  // namespace

char* PutBcdStamp(char* p, const std::array<uint8_t, 6>& parts) {
  for (int i = 0; i < 5; ++i) {
    std::memcpy(p, kHexPairs.data() + 2 * parts[kStampOrder[i]], 2);
    p[2] = kStampAfter[i];
    p += 3;
  }
  std::memcpy(p, kHexPairs.data() + 2 * parts[kStampOrder[5]], 2);
  return p + 2;
}

char* PutDecStamp(char* p, const std::array<uint8_t, 6>& parts) {
  for (int i = 0; i < 6; ++i) {
    const uint8_t b = parts[kStampOrder[i]];
    if (b < 100) {
      std::memcpy(p, kDigitPairs + 2 * b, 2);
      p += 2;
    } else {
      p = PutUint(p, b);
    }
    if (i < 5) *p++ = kStampAfter[i];
  }
  return p;
}

}  // namespace vid
