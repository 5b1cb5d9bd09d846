#include "dump/decode.h"

#include <gtest/gtest.h>

namespace vid {
namespace {

// A raw field holds the file's bytes in memory order: the first byte is the low byte.
int16_t Raw16(uint8_t first, uint8_t second) {
  return static_cast<int16_t>(first | second << 8);
}
int32_t Raw32(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return static_cast<int32_t>(static_cast<uint32_t>(b0) | b1 << 8 | b2 << 16 |
                              static_cast<uint32_t>(b3) << 24);
}

TEST(Decode, Inv2ReadsMostSignificantByteFirst) {
  EXPECT_EQ(inv2(Raw16(0x12, 0x34)), 0x1234);
  EXPECT_EQ(inv2(Raw16(0x80, 0x00)), -32768);
  EXPECT_EQ(inv2(Raw16(0xFF, 0xFF)), -1);
  EXPECT_EQ(inv2(Raw16(0x00, 0x01)), 1);
}

TEST(Decode, Inv4ReadsMostSignificantByteFirstWithTwosComplementBytes) {
  EXPECT_EQ(inv4(Raw32(0x00, 0x00, 0x01, 0x00)), 256);
  EXPECT_EQ(inv4(Raw32(0xFF, 0xFF, 0xFF, 0xFE)), -2);
  EXPECT_EQ(inv4(Raw32(0x80, 0x00, 0x00, 0x00)), INT32_MIN);
  EXPECT_EQ(inv4(Raw32(0x01, 0x01, 0x01, 0x01)), 0x01010101);
  EXPECT_EQ(inv4(Raw32(0x12, 0x34, 0x56, 0x78)), 0x12345678);
}

TEST(Decode, U32TakesTheFieldUnsignedWithoutSwap) {
  EXPECT_EQ(U32(Raw16(0x34, 0x12)), 0x1234);
  EXPECT_EQ(U32(Raw16(0xFF, 0xFF)), 65535);
  EXPECT_EQ(U32(-32768), 32768);
}

TEST(Decode, BcddecCountsNibblesAboveNineWithTheirValue) {
  EXPECT_EQ(bcddec(0x59), 59);
  EXPECT_EQ(bcddec(0x00), 0);
  EXPECT_EQ(bcddec(0x1A), 20);
  EXPECT_EQ(bcddec(0xFF), 165);
}

TEST(Decode, MakewordAndMakelongCombineHalves) {
  EXPECT_EQ(makeword(0x34, 0x12), 0x1234);
  EXPECT_EQ(makeword(0x00, 0x80), -32768);
  EXPECT_EQ(makelong(-1, 0), 65535);
  EXPECT_EQ(makelong(0, 1), 65536);
  EXPECT_EQ(makelong(-1, -1), -1);
}

}  // namespace
}  // namespace vid
