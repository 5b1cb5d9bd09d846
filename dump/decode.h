// Byte order and number decoding for the dump readers. The concentrator stores its multi-byte
// numbers most-significant byte first, while the input file reads a field least-significant byte
// first; these pure functions turn such raw values into the numbers the dump means. A raw 16-bit
// field holds the file's first byte b0 in its low byte and the second b1 in its high byte.
#pragma once

#include <cstdint>

namespace vid {

/// The 16-bit value low + 256 x high.
constexpr int16_t Le16(uint8_t low, uint8_t high) {
  return static_cast<int16_t>(static_cast<uint16_t>(low | (high << 8)));
}

/// The 32-bit value of two 16-bit halves, the low one first.
constexpr int32_t Le32(int16_t low, int16_t high) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                              (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}

/// A raw 16-bit field read most-significant byte first.
constexpr int16_t Be16(int16_t raw) {
  const uint16_t u = static_cast<uint16_t>(raw);
  return Le16(static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u & 0xFF));
}

/// A raw 32-bit field read most-significant byte first.
constexpr int32_t Be32(int32_t raw) {
  const uint32_t u = static_cast<uint32_t>(raw);
  const uint8_t b0 = u & 0xFF, b1 = (u >> 8) & 0xFF, b2 = (u >> 16) & 0xFF, b3 = u >> 24;
  return Le32(Le16(b3, b2), Le16(b1, b0));
}

/// A packed BCD byte as a number; nibbles above 9 count with their value (0xFF gives 165).
constexpr uint8_t BcdToInt(uint8_t a) {
  return static_cast<uint8_t>((a >> 4) * 10 + (a & 15));
}

}  // namespace vid
