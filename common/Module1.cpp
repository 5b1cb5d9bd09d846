#include "common/Module1.h"

#include <cstring>

#include "platform/number_format.h"

namespace vid {

void WaitMs(Ui& ui, int32_t ms) {
  if (ms <= 0 || !ui.WantsPauses()) return;
  const uint32_t start = static_cast<uint32_t>(ui.TickCount());
  const uint32_t span = static_cast<uint32_t>(ms);
  // Unsigned difference: correct across the wrap of the signed counter as long as the wait is
  // shorter than 2^31 ms, which every positive `ms` is.
  while (!ui.QuitRequested()) {
    const uint32_t elapsed = static_cast<uint32_t>(ui.TickCount()) - start;
    if (elapsed >= span) return;
    ui.ProcessEvents();
  }
}

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

void AppendHex2(std::string& out, uint8_t b) {
  const char digits[2] = {kHexDigits[b >> 4], kHexDigits[b & 0x0F]};
  out.append(digits, 2);
}

void AppendDec2(std::string& out, uint8_t b) {
  if (b >= 100) {
    const char digits[3] = {static_cast<char>('0' + b / 100), static_cast<char>('0' + b / 10 % 10),
                            static_cast<char>('0' + b % 10)};
    out.append(digits, 3);
  } else {
    const char digits[2] = {static_cast<char>('0' + b / 10), static_cast<char>('0' + b % 10)};
    out.append(digits, 2);
  }
}

std::string Hex2(uint8_t b) {
  std::string text;
  AppendHex2(text, b);
  return text;
}

std::string Dec2(uint8_t b) {
  std::string text;
  AppendDec2(text, b);
  return text;
}

// The formulas keep the grouping of the header, each step rounded to double: a regrouped sum,
// -ffast-math or fused multiply-adds would change the last bits of the written values.

double RhFromRaw(int16_t raw) {
  const double r = raw;
  return (r * 0.0367 - 2.0468) - (r * 1.5955E-06) * r;
}

double TempFromRaw(int16_t raw) {
  const double r = raw;
  return r * 0.01 - 39.6;
}

double CubicFromRaw(int16_t raw) {
  const double r = raw;
  // r * r and r * r * r are exact for any 16-bit reading (below 2^53).
  return ((r * r * 0.000259697 + r * r * r * (-1.5E-07)) - r * 0.234192172) + 96.861838358;
}

void AppendStampParts(std::string& out, const std::array<uint8_t, 6>& parts,
                      void (*two_digits)(std::string&, uint8_t)) {
  static constexpr int kOrder[6] = {2, 1, 0, 3, 4, 5};  // day, month, year, hour, minute, second
  static constexpr char kAfter[6] = {'/', '/', ' ', ':', ':', 0};
  for (int i = 0; i < 6; ++i) {
    two_digits(out, parts[kOrder[i]]);
    if (kAfter[i]) out.push_back(kAfter[i]);
  }
}

}  // namespace vid
