#include "dump/config.h"

#include <gtest/gtest.h>

#include "fixture_writer.h"
#include "test_ui.h"

namespace vid {
namespace {

using fx::BuildDump;
using fx::DumpCentral;
using fx::DumpLayout;
using fx::DumpModule;

class ConfigTest : public ::testing::Test {
 protected:
  // Reads header, central record (with correction) and module records as Make does.
  void Read(const std::vector<uint8_t>& bytes, bool correct = true) {
    in.OpenBytes(bytes);
    entete(in, cfg);
    RecordCentral(in, cfg, ui, correct);
    if (!correct) return;
    for (int32_t m = 1; m <= cfg.ModuleCount && m <= kMaxModules; ++m) RecordModules(in, cfg, m);
  }
  DumpLayout TwoPages() {
    DumpLayout layout;
    layout.columns = {std::vector<uint8_t>(24, 0)};
    return layout;
  }

  InputFile in;
  Config cfg;
  testing::TestUi ui;
};

TEST_F(ConfigTest, HeaderFillsRecordTableAndAddsOnePageBehindTheLast) {
  DumpCentral c{.name = "Site", .sn = 7, .end_addr = 24, .type = 'f'};
  const fx::Dump dump = BuildDump(c, {DumpModule{}, DumpModule{}}, TwoPages());
  Read(dump.bytes.bytes);
  ASSERT_EQ(cfg.RecCount, 4);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(cfg.RecAddr[k], static_cast<int32_t>(dump.rec_addr[k]));
  EXPECT_EQ(cfg.RecAddr[5], cfg.RecAddr[4] + 1024);
  EXPECT_EQ(cfg.RecAddr[6], 0);
}

TEST_F(ConfigTest, HeaderCountIsUnsigned) {
  fx::Bytes b;
  b.fill(76, fx::kFiller).be16(0xFFFF);
  in.OpenBytes(b.bytes);
  entete(in, cfg);
  EXPECT_EQ(cfg.RecCount, 65535);
  EXPECT_TRUE(in.PastEnd());
  EXPECT_EQ(cfg.RecAddr[65536], 1024);  // entry 65535 read as 0 past the end
}

TEST_F(ConfigTest, HeaderOfAShorterDumpLeavesNoEntryOfTheLongerOneBefore) {
  const fx::Dump big =
      BuildDump({.type = 'f'}, {DumpModule{}, DumpModule{}, DumpModule{}}, TwoPages());
  Read(big.bytes.bytes);
  ASSERT_EQ(cfg.RecCount, 5);
  const fx::Dump small = BuildDump({.type = 'f'}, {}, TwoPages());
  Read(small.bytes.bytes);
  EXPECT_EQ(cfg.RecCount, 2);
  EXPECT_EQ(cfg.RecAddr[4], 0);
  EXPECT_EQ(cfg.RecAddr[5], 0);
}

TEST_F(ConfigTest, CentralRecordFieldsAndDataLimitByKind) {
  DumpCentral c{
      .name = "Abc", .sn = 0x89ABCDEF, .end_addr = 1200, .wrap = 0, .param = 9, .type = 'g'};
  Read(BuildDump(c, {}, TwoPages()).bytes.bytes);
  EXPECT_EQ(cfg.CentralName, "Abc");
  EXPECT_EQ(static_cast<uint32_t>(cfg.CentralSN), 0x89ABCDEFu);
  EXPECT_EQ(cfg.EndAddr, 1200);
  EXPECT_EQ(cfg.DataLimit, 1200);
  EXPECT_TRUE(cfg.CentralTypeG);
  EXPECT_FALSE(cfg.MiniMode);

  c.wrap = 1;
  Read(BuildDump(c, {}, TwoPages()).bytes.bytes);
  EXPECT_EQ(cfg.DataLimit, 245760);
  c.type = 'f';
  Read(BuildDump(c, {}, TwoPages()).bytes.bytes);
  EXPECT_EQ(cfg.DataLimit, 516100);
  EXPECT_FALSE(cfg.CentralTypeG);
}

TEST_F(ConfigTest, NameWithoutNulKeepsAllSixteenCharacters) {
  Read(BuildDump({.name = "Sixteen chars   ", .type = 'f'}, {}, TwoPages()).bytes.bytes);
  EXPECT_EQ(cfg.CentralName, "Sixteen chars   ");
}

TEST_F(ConfigTest, ConsistentLayoutGivesNoMessage) {
  for (size_t stride : {28u, 29u, 30u}) {
    DumpLayout layout = TwoPages();
    layout.central_stride = stride;
    layout.module_stride = 134;
    Read(BuildDump({.type = 'f'}, {DumpModule{}, DumpModule{}}, layout).bytes.bytes);
    EXPECT_EQ(cfg.ModuleCount, 2);
  }
  DumpLayout layout = TwoPages();
  layout.module_stride = 179;
  Read(BuildDump({.type = 'f'}, {DumpModule{}}, layout).bytes.bytes);
  EXPECT_TRUE(ui.statuses.empty());
}

TEST_F(ConfigTest, HeaderDistanceOutsideTwentyEightToThirtyIsReportedOnceAndChangesNothing) {
  DumpLayout layout = TwoPages();
  layout.central_stride = 31;
  Read(BuildDump({.type = 'f'}, {DumpModule{}}, layout).bytes.bytes);
  EXPECT_EQ(ui.statuses,
            std::vector<std::string>{"...Invalid Concentrator Header section.. Corrected..."});
  EXPECT_EQ(cfg.ModuleCount, 1);
  EXPECT_GE(ui.clock, 2000);  // the pause ran on the fake clock
}

TEST_F(ConfigTest, ModuleCountIsCorrectedFromTheRecordDistances) {
  Read(BuildDump({.module_count = 3, .type = 'f'}, {DumpModule{}, DumpModule{}}, TwoPages())
           .bytes.bytes);
  EXPECT_EQ(cfg.ModuleCount, 2);
  EXPECT_EQ(ui.statuses, std::vector<std::string>{"..Incoherent Module Number..Corrected"});
}

TEST_F(ConfigTest, SingleRecordHeaderGivesBothMessagesAndNoModules) {
  fx::Bytes b;
  b.fill(76, fx::kFiller).be16(1).be32(86).fill(4, fx::kFiller);
  b.raw(fx::DumpCentralRecord({.module_count = 2, .type = 'f'}));
  Read(b.bytes);
  EXPECT_EQ(cfg.ModuleCount, 0);
  EXPECT_EQ(ui.statuses,
            (std::vector<std::string>{"...Invalid Concentrator Header section.. Corrected...",
                                      "..Incoherent Module Number..Corrected"}));
}

TEST_F(ConfigTest, WithoutCorrectionNoMessageAndStoredCountStays) {
  DumpLayout layout = TwoPages();
  layout.central_stride = 40;
  Read(BuildDump({.module_count = 7, .type = 'f'}, {DumpModule{}}, layout).bytes.bytes, false);
  EXPECT_EQ(cfg.ModuleCount, 7);
  EXPECT_TRUE(ui.statuses.empty());
}

TEST_F(ConfigTest, OldCentralTypeGivesNumberedChannelsAndReadsOnlyThirtyEightBytes) {
  DumpModule m{.name = "Mod",
               .sn = 0x01020304,
               .scale = {0, 0, 1, 10, 2, 100, 1, 1, 1, 1, 1, 1},
               .flags = {1, 2, 3, 4, 5, 6}};
  m.channel_names = {"X", "X", "X", "X", "X", "X"};  // not written for a 'd' unit
  Read(BuildDump({.type = 'd'}, {m}, TwoPages()).bytes.bytes);
  EXPECT_EQ(cfg.ModuleSN[1], 0x01020304);
  EXPECT_EQ(cfg.ModuleType[1], 255);
  EXPECT_EQ(cfg.ChannelScale[1][1], 1);  // stored 0 reads as 1
  EXPECT_EQ(cfg.ChannelScale[1][2], 1);
  EXPECT_EQ(cfg.ChannelScale[1][4], 10);
  for (int c = 1; c <= 6; ++c) EXPECT_EQ(cfg.ChannelName[1][c], "Voie " + std::to_string(c));
}

TEST_F(ConfigTest, ModuleTypeZeroReadsAs255AndNamesAreCutAtNul) {
  DumpModule m{.type = 0};
  m.channel_names = {"Phase 1", "", "abcdefghijklmnop", "x", "y", "z"};
  Read(BuildDump({.type = 'f'}, {m}, TwoPages()).bytes.bytes);
  EXPECT_EQ(cfg.ModuleType[1], 255);
  EXPECT_EQ(cfg.ChannelName[1][1], "Phase 1");
  EXPECT_EQ(cfg.ChannelName[1][2], "");
  EXPECT_EQ(cfg.ChannelName[1][3], "abcdefghijklmnop");
}

TEST_F(ConfigTest, KindCodedModulesReplaceTheirScalesByTheDivisorTable) {
  DumpModule m{
      .scale = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}, .flags = {7, 7, 7, 7, 7, 7}, .type = 254};
  m.params = {{{22, 0}, {20, 0}, {0, 0}, {0, 0}, {0, 0}, {25, 1}}};
  m.kinds = {7, 7, 9, 200, 4, 7};
  Read(BuildDump({.type = 'f'}, {m}, TwoPages()).bytes.bytes);
  const std::array<int, 6> want = {1, 100, 60, 1, 10, 1};
  for (int c = 1; c <= 6; ++c) {
    EXPECT_EQ(cfg.ChannelScale[1][2 * c - 1], 1);
    EXPECT_EQ(cfg.ChannelScale[1][2 * c], want[c - 1]) << "channel " << c;
  }
  EXPECT_EQ(cfg.ChannelParam[1][1], 22);
  EXPECT_EQ(cfg.ChannelParam[1][6], 25 + 256);
  EXPECT_EQ(cfg.ChannelKind[1][3], 9);

  m.type = 250;
  m.kinds = {0, 3, 5, 144, 145, 8};
  Read(BuildDump({.type = 'f'}, {m}, TwoPages()).bytes.bytes);
  const std::array<int, 6> want250 = {100, 100, 10, 10, 10, 1};
  for (int c = 1; c <= 6; ++c) EXPECT_EQ(cfg.ChannelScale[1][2 * c], want250[c - 1]);
}

TEST_F(ConfigTest, MiniChannelRecord) {
  fx::MiniCentral c{.name = "Mini",
                    .sn = 0x1234,
                    .page = 3,
                    .offset = 10,
                    .wrap_bytes = {0x00, 0x01},
                    .param = 5,
                    .mult = 7,
                    .div = 3};
  const fx::Dump dump = fx::BuildMiniDump(c, std::vector<uint8_t>(12, 0));
  cfg.CentralType = 'g';
  cfg.CentralTypeG = true;
  Read(dump.bytes.bytes);
  EXPECT_TRUE(cfg.MiniMode);
  EXPECT_EQ(cfg.EndAddr, 802);
  EXPECT_EQ(cfg.WrapFlag, 256);
  EXPECT_EQ(cfg.DataLimit, 540672);
  EXPECT_EQ(cfg.MiniMult, 7);
  EXPECT_EQ(cfg.MiniDiv, 3);
  EXPECT_EQ(cfg.ModuleCount, 0);
  EXPECT_TRUE(cfg.CentralTypeG);  // kept from before
  EXPECT_TRUE(ui.statuses.empty());

  const std::vector<std::pair<std::array<uint8_t, 2>, int>> wraps = {
      {{0x01, 0x00}, 540672}, {{0x00, 0x00}, 802}, {{0x00, 0x80}, 802}};
  for (const auto& [bytes, limit] : wraps) {
    c.wrap_bytes = bytes;
    Read(fx::BuildMiniDump(c, std::vector<uint8_t>(12, 0)).bytes.bytes);
    EXPECT_EQ(cfg.DataLimit, limit);
  }
}

TEST_F(ConfigTest, NextRecordDatesNeverMovesBackNorPastTheEnd) {
  in.OpenBytes(std::vector<uint8_t>(100, 1));
  cfg.RecAddr[1] = 40;
  cfg.RecAddr[2] = 10;
  cfg.RecAddr[3] = 1000;
  NextRecordDates(in, cfg, 1);
  EXPECT_EQ(in.Position(), 40u);
  NextRecordDates(in, cfg, 2);
  EXPECT_EQ(in.Position(), 40u);
  NextRecordDates(in, cfg, 3);
  EXPECT_EQ(in.Position(), 100u);
  EXPECT_EQ(in.ReadByte(), 0);
  EXPECT_TRUE(in.PastEnd());
}

}  // namespace
}  // namespace vid
