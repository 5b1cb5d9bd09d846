// Byte order and number decoding for the dump readers. The concentrator stores its multi-byte
// numbers most-significant byte first, while the readers take a field least-significant byte
// first; these pure functions turn such raw values into the numbers the dump means. A raw
// 16-bit field holds the file's first byte b0 in its low byte and the second b1 in its high byte.
#pragma once

#include <cstdint>

namespace vid {

/// The 16-bit value low + 256 x high.
constexpr int16_t makeword(uint8_t low, uint8_t high) {
  return static_cast<int16_t>(static_cast<uint16_t>(low | (high << 8)));
}

/// The 32-bit value (low and 0xFFFF) + 65536 x (high and 0xFFFF).
constexpr int32_t makelong(int16_t low, int16_t high) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(low)) |
                              (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}

/// A raw 16-bit field read most-significant byte first.
constexpr int16_t inv2(int16_t raw) {
  const uint16_t u = static_cast<uint16_t>(raw);
  return makeword(static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u & 0xFF));
}

/// A raw 32-bit field read most-significant byte first.
constexpr int32_t inv4(int32_t raw) {
  const uint32_t u = static_cast<uint32_t>(raw);
  const uint8_t b0 = u & 0xFF, b1 = (u >> 8) & 0xFF, b2 = (u >> 16) & 0xFF, b3 = u >> 24;
  return makelong(makeword(b3, b2), makeword(b1, b0));
}

/// A raw 16-bit field taken as it stands, unsigned: always 0..65535.
constexpr int32_t U32(int16_t raw) {
  const uint16_t u = static_cast<uint16_t>(raw);
  return makelong(makeword(static_cast<uint8_t>(u & 0xFF), static_cast<uint8_t>(u >> 8)), 0);
}

/// A packed BCD byte as a number; nibbles above 9 count with their value (0xFF gives 165).
constexpr uint8_t bcddec(uint8_t a) {
  return static_cast<uint8_t>((a >> 4) * 10 + (a & 15));
}

}  // namespace vid
