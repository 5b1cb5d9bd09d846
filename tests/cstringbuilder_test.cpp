#include "common/CStringBuilder.h"

#include <string>

#include <gtest/gtest.h>

namespace vid {
namespace {

TEST(CStringBuilderTest, NewBuilderGivesEmptyTextWithoutStorage) {
  CStringBuilder sb;
  EXPECT_EQ(sb.BlockSize(), 256);
  EXPECT_EQ(sb.ToString(), "");
  EXPECT_EQ(sb.Count(), 0);
  EXPECT_EQ(sb.Capacity(), 0);
}

TEST(CStringBuilderTest, JoinsPiecesInOrderAndKeepsAppendingBehindTheJoin) {
  CStringBuilder sb;
  sb.Append("ab");
  sb.Append("");
  sb.Append("c");
  EXPECT_EQ(sb.Count(), 3);
  EXPECT_EQ(sb.ToString(), "abc");
  EXPECT_EQ(sb.Count(), 1);
  EXPECT_EQ(sb.ToString(), "abc");
  sb.Append("d");
  EXPECT_EQ(sb.ToString(), "abcd");
  EXPECT_EQ(sb.Capacity(), 256);
}

TEST(CStringBuilderTest, CopiesPiecesByteForByte) {
  CStringBuilder sb;
  std::string line("\x00\xFF\r\n\xE9", 5);
  sb.Append(line);
  line = "XXXXX";  // the builder holds its own copy
  sb.Append(std::string_view("x\0y", 3));
  EXPECT_EQ(sb.ToString(), std::string("\x00\xFF\r\n\xE9x\0y", 8));
}

TEST(CStringBuilderTest, Append257GrowsCapacityByOneBlockAndKeepsEarlierPieces) {
  CStringBuilder sb;
  std::string expected;
  for (int i = 0; i < 256; ++i) {
    sb.Append(std::to_string(i) + ",");
    expected += std::to_string(i) + ",";
  }
  EXPECT_EQ(sb.Capacity(), 256);
  sb.Append("end");
  expected += "end";
  EXPECT_EQ(sb.Capacity(), 512);
  EXPECT_EQ(sb.Count(), 257);
  EXPECT_EQ(sb.ToString(), expected);
}

TEST(CStringBuilderTest, AllocReservesBlocksAheadAndDelaysGrowth) {
  CStringBuilder sb;
  sb.Alloc(4);
  EXPECT_EQ(sb.Capacity(), 1024);
  EXPECT_EQ(sb.Count(), 0);
  for (int i = 0; i < 1024; ++i) sb.Append("a");
  EXPECT_EQ(sb.Capacity(), 1024);
  sb.Append("b");
  EXPECT_EQ(sb.Capacity(), 1280);
  sb.Alloc(1);  // pieces in use stay
  EXPECT_EQ(sb.Capacity(), 1536);
  EXPECT_EQ(sb.ToString(), std::string(1024, 'a') + "b");
}

TEST(CStringBuilderTest, AllocWithZeroOrNegativeCountDoesNothing) {
  CStringBuilder sb;
  sb.Alloc(0);
  sb.Alloc(-3);
  EXPECT_EQ(sb.Capacity(), 0);
  sb.Append("q");
  sb.Alloc(-1);
  EXPECT_EQ(sb.Capacity(), 256);
  EXPECT_EQ(sb.ToString(), "q");
}

TEST(CStringBuilderTest, ClearForgetsPiecesButKeepsSlots) {
  CStringBuilder sb;
  sb.Append("old");
  sb.Append("text");
  sb.Clear();
  EXPECT_EQ(sb.Capacity(), 256);
  EXPECT_EQ(sb.ToString(), "");
  sb.Clear();
  sb.Append("n");
  EXPECT_EQ(sb.ToString(), "n");  // nothing left over from the old slots
}

TEST(CStringBuilderTest, ClearWithDeAllocReleasesStorageAndGrowsAnew) {
  CStringBuilder sb;
  sb.Alloc(2);
  sb.Append("gone");
  sb.Clear(true);
  EXPECT_EQ(sb.Capacity(), 0);
  EXPECT_EQ(sb.ToString(), "");
  sb.Append("x");
  EXPECT_EQ(sb.Capacity(), 256);
  EXPECT_EQ(sb.ToString(), "x");
}

TEST(CStringBuilderTest, BlockSizeSetsLaterGrowthAndBelowOneGrowsOneSlot) {
  CStringBuilder sb;
  sb.Append("a");
  sb.BlockSize(3);
  EXPECT_EQ(sb.BlockSize(), 3);
  EXPECT_EQ(sb.Capacity(), 256);  // writing the block size changes nothing else
  sb.Clear(true);
  for (int i = 0; i < 4; ++i) sb.Append("b");
  EXPECT_EQ(sb.Capacity(), 6);
  sb.Alloc(2);
  EXPECT_EQ(sb.Capacity(), 12);

  for (int32_t block : {0, -1, -256}) {
    CStringBuilder small;
    small.BlockSize(block);
    small.Append("a");
    small.Append("b");
    small.Append("c");
    EXPECT_EQ(small.Capacity(), 3) << "block size " << block;
    small.Alloc(2);
    EXPECT_EQ(small.Capacity(), 5) << "block size " << block;
    EXPECT_EQ(small.ToString(), "abc") << "block size " << block;
  }
}

}  // namespace
}  // namespace vid
