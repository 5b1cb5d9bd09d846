// Pins the fixture writer's layouts: every end-to-end test trusts these offsets.
#include "fixture_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace vid::fx {
namespace {

uint32_t Be32At(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t{b.at(at)} << 24 | uint32_t{b.at(at + 1)} << 16 | uint32_t{b.at(at + 2)} << 8 |
         b.at(at + 3);
}
uint16_t Be16At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b.at(at) << 8 | b.at(at + 1));
}
uint16_t Le16At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
std::vector<uint8_t> Slice(const std::vector<uint8_t>& b, size_t at, size_t n) {
  return std::vector<uint8_t>(b.begin() + at, b.begin() + at + n);
}

TEST(FixtureBytes, ByteOrderTextAndPatches) {
  Bytes b;
  b.be16(0x1234).le16(0x1234).be32(0x01020304).le32(0x01020304).text("abcdef", 4).text("ab", 4);
  EXPECT_EQ(b.bytes, (std::vector<uint8_t>{0x12, 0x34, 0x34, 0x12, 1,   2,   3,   4,   4, 3,
                                           2,    1,    'a',  'b',  'c', 'd', 'a', 'b', 0, 0}));
  b.patch_be32(0, 0xAABBCCDD).patch_le16(4, 0xEEFF);
  EXPECT_EQ(Slice(b.bytes, 0, 6), (std::vector<uint8_t>{0xAA, 0xBB, 0xCC, 0xDD, 0xFF, 0xEE}));
  EXPECT_THROW(b.patch_be16(b.size() - 1, 0), std::out_of_range);
}

TEST(FixtureDump, TableEntriesPointAtCentralModulesAndPages) {
  DumpCentral central{.name = "CENTRAL", .sn = 0x11223344, .end_addr = 1500, .type = 'f'};
  DumpModule m1{.name = "M1", .sn = 0xA1};
  DumpModule m2{.name = "M2", .sn = 0xA2};
  DumpLayout layout;
  layout.columns = {std::vector<uint8_t>(1500, 0x11), std::vector<uint8_t>(1500, 0x22),
                    std::vector<uint8_t>(1024, 0x33)};
  layout.extra_entries = {7};
  const Dump d = BuildDump(central, {m1, m2}, layout);
  const auto& b = d.bytes.bytes;

  // 1 central + 2 modules + (2 + 2 + 1) pages + 1 extra.
  ASSERT_EQ(Be16At(b, kDumpCountOffset), 9);
  ASSERT_EQ(d.rec_addr.size(), 10u);
  for (size_t k = 1; k <= 9; ++k) EXPECT_EQ(Be32At(b, DumpEntryOffset(k)), d.rec_addr[k]) << k;
  EXPECT_EQ(d.rec_addr[1], kDumpHeaderSize + 9 * kDumpEntrySize);
  EXPECT_EQ(d.rec_addr[2] - d.rec_addr[1], 28u);
  EXPECT_EQ(d.rec_addr[3] - d.rec_addr[2], 160u);
  EXPECT_EQ(d.first_page_entry, 4u);
  EXPECT_EQ(d.rec_addr[4] - d.rec_addr[3], 160u);
  EXPECT_EQ(d.rec_addr[9], 7u);

  EXPECT_EQ(Be32At(b, d.rec_addr[1] + 16), 0x11223344u);
  EXPECT_EQ(b[d.rec_addr[1] + 26], 2) << "module count defaults to the records given";
  EXPECT_EQ(b[d.rec_addr[1] + 27], 'f');
  EXPECT_EQ(Be32At(b, d.rec_addr[3] + 16), 0xA2u);
  // Column 0 takes pages 4 and 5, its second page padded with zeros; column 1 starts afresh.
  EXPECT_EQ(b[d.rec_addr[5] + 1500 - 1024 - 1], 0x11);
  EXPECT_EQ(b[d.rec_addr[5] + 1500 - 1024], 0);
  EXPECT_EQ(b[d.rec_addr[6]], 0x22);
  EXPECT_EQ(b[d.rec_addr[8]], 0x33);
  EXPECT_EQ(b.size(), d.rec_addr[8] + 1024);
}

TEST(FixtureDump, ModuleRecordLengthFollowsCentralAndModuleType) {
  DumpModule m{.name = "MODULE", .sn = 0x01020304};
  m.scale = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  m.flags = {21, 22, 23, 24, 25, 26};
  m.channel_names = {"c1", "c2", "c3", "c4", "c5", "c6"};
  m.params[0] = {22, 0};
  m.kinds = {7, 9, 0, 0, 0, 200};

  m.type = 254;
  const auto full = DumpModuleRecord(m, 'f');
  ASSERT_EQ(full.size(), 154u);
  EXPECT_EQ(Be32At(full, 16), 0x01020304u);
  EXPECT_EQ(full[20], 1);
  EXPECT_EQ(full[31], 12);
  EXPECT_EQ(full[32], 21);
  EXPECT_EQ(full[38], 'c');
  EXPECT_EQ(full[38 + 5 * 16 + 1], '6');
  EXPECT_EQ(full[134], 254);
  EXPECT_EQ(Slice(full, 136, 2), (std::vector<uint8_t>{22, 0}));
  EXPECT_EQ(full[148], 7);
  EXPECT_EQ(full[153], 200);

  m.type = 3;
  EXPECT_EQ(DumpModuleRecord(m, 'f').size(), 136u);
  EXPECT_EQ(DumpModuleRecord(m, 'd').size(), 38u);

  // A 'd' unit's short records are still padded to the stride; the padding is zero.
  DumpLayout layout;
  const Dump d = BuildDump({.type = 'd'}, {m, m}, layout);
  EXPECT_EQ(d.rec_addr[3] - d.rec_addr[2], 160u);
  EXPECT_EQ(d.bytes.bytes[d.rec_addr[2] + 38], 0);
}

TEST(FixtureDump, StrideShorterThanRecordCutsIt) {
  DumpLayout layout;
  layout.central_stride = 27;
  layout.columns = {std::vector<uint8_t>(12, 0x77)};
  const Dump d = BuildDump({.type = 'g'}, {}, layout);
  EXPECT_EQ(d.rec_addr[2] - d.rec_addr[1], 27u);
  EXPECT_EQ(d.bytes.bytes[d.rec_addr[1] + 27], 0x77) << "the type byte gave way to the page";
}

TEST(FixtureMini, CentralRecordAndBlocks) {
  MiniCentral c{.name = "MINI", .sn = 5, .page = 3, .offset = 10, .wrap_bytes = {0x00, 0x01}};
  c.param = -2;
  c.mult = 150;
  c.div = 7;
  std::vector<uint8_t> memory(1057, 0x44);
  const Dump d = BuildMiniDump(c, memory);
  const auto& b = d.bytes.bytes;
  ASSERT_EQ(Be16At(b, kDumpCountOffset), 3);
  const size_t at = d.rec_addr[1];
  EXPECT_EQ(Be32At(b, at + 20), kMiniMarker);
  EXPECT_EQ(Be16At(b, at + 24), 3);
  EXPECT_EQ(Be16At(b, at + 26), 10);
  EXPECT_EQ(Slice(b, at + 28, 2), (std::vector<uint8_t>{0x00, 0x01}));
  EXPECT_EQ(Be16At(b, at + 30), 0xFFFE);
  EXPECT_EQ(Be16At(b, at + 32), 150);
  EXPECT_EQ(Be16At(b, at + 34), 7);
  EXPECT_EQ(d.rec_addr[2], at + 44);
  EXPECT_EQ(d.rec_addr[3] - d.rec_addr[2], kMiniBlockSize);
  EXPECT_EQ(b[d.rec_addr[3]], 0x44);
  EXPECT_EQ(b[d.rec_addr[3] + 1], 0);
  EXPECT_EQ(b.size(), d.rec_addr[3] + kMiniBlockSize);
}

TEST(FixtureMini, StampAndDataRecords) {
  // 05/03/18 17:30:10 packs to 0x48CB178A.
  EXPECT_EQ(MiniStamp(0x07, 18, 3, 5, 17, 30, 10),
            (std::vector<uint8_t>{0x7F, 0x07, 0x48, 0xCB, 0x17, 0x8A}));
  // Every field at its maximum fills the word without spilling into its neighbours.
  EXPECT_EQ(MiniStamp(0xFF, 63, 15, 31, 31, 63, 63),
            (std::vector<uint8_t>{0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(MiniData(-200, -32768, 32767),
            (std::vector<uint8_t>{0xFF, 0x38, 0x80, 0x00, 0x7F, 0xFF}));
}

TEST(FixtureRecords, CentralRecordSpreadsTheSampleCount) {
  const auto r = CentralRecord(BcdStamp(23, 12, 31, 23, 59, 58), {0xFFFF, 0x8000, 0x1234}, 0);
  ASSERT_EQ(r.size(), 12u);
  EXPECT_EQ(Slice(r, 0, 6), (std::vector<uint8_t>{0x23, 0x12, 0x31, 0x23, 0x59, 0x58}));
  EXPECT_EQ(Slice(r, 6, 6), (std::vector<uint8_t>{0xFC, 0xFF, 0x00, 0x80, 0x34, 0x12}));
  for (int n = 0; n < 64; ++n) {
    const auto c = CentralRecord({}, {0xFFFF, 0xFFFF, 0xFFFF}, static_cast<uint8_t>(n));
    EXPECT_EQ((c[6] & 3) + 4 * (c[8] & 3) + 16 * (c[10] & 3), n);
    EXPECT_EQ(c[6] & 0xFC, 0xFC);
  }
}

TEST(FixtureRecords, QualityRecordPlacesEachField) {
  // Phase 2 only, so every byte that changes belongs to phase 2's slots.
  const auto r = QualityRecord({0, 0xABC0, 0}, {0, 0x8040, 0}, {0, 0x1280, 0}, 0b001100);
  EXPECT_EQ(r, (std::vector<uint8_t>{0, 0, 0b11'01'10'11, 0xAB, 0, 0, 0, 0, 0x12, 0x80, 0, 0}));
  // The outage marker: RMS field 0xFFC0 on phase 1.
  const auto o = QualityRecord({0xFFC0, 0, 0}, {}, {}, 0);
  EXPECT_EQ(o[0] & 0xC0, 0xC0);
  EXPECT_EQ(o[1], 0xFF);
  EXPECT_EQ(ModuleRecord({0x1234, -32768, -1, 0, 0, 1}),
            (std::vector<uint8_t>{0x34, 0x12, 0x00, 0x80, 0xFF, 0xFF, 0, 0, 0, 0, 1, 0}));
}

TEST(FixturePdc, RecordFrame) {
  const auto r = PdcRecord(kPdcSection, kPdcModule, Bytes().u8(9).u8(8), std::nullopt, 0xBEEF);
  EXPECT_EQ(r, (std::vector<uint8_t>{0x80, 0x01, 0x02, 0x00, 0x00, 0x02, 9, 8, 0xEF, 0xBE}));
  const auto o = PdcRecord(kPdcBlockSection, kPdcPage, Bytes().u8(1), uint16_t{0x8001});
  EXPECT_EQ(Slice(o, 0, 6), (std::vector<uint8_t>{0x80, 0x04, 0x01, 0x80, 0x00, 0x10}));
}

TEST(FixturePdc, PayloadFieldOffsets) {
  const auto c = PdcCentralPayload("LOGGER", 0x01020304, 0x0A0B0C0D, 0x11, 0x22, 3, 'r', {7, 7});
  ASSERT_EQ(c.size(), 30u);
  EXPECT_EQ(Slice(c.bytes, 16, 12),
            (std::vector<uint8_t>{4, 3, 2, 1, 0x0D, 0x0C, 0x0B, 0x0A, 0x11, 0x22, 3, 'r'}));

  std::array<uint8_t, 12> scale{};
  scale[11] = 0x5C;
  const auto m = PdcModulePayload(0x01020304, 250, 0x33, {"a", "", "", "", "", "f"}, scale,
                                  {1, 2, 3, 4, 5, 0x66}, 1);
  ASSERT_EQ(m.size(), 122u);
  EXPECT_EQ(Slice(m.bytes, 0, 7), (std::vector<uint8_t>{4, 3, 2, 1, 250, 0x33, 'a'}));
  EXPECT_EQ(m.bytes[6 + 5 * 16], 'f');
  EXPECT_EQ(m.bytes[113], 0x5C);
  EXPECT_EQ(m.bytes[119], 0x66);
  EXPECT_EQ(m.bytes[120], 1);

  const auto p = PdcPagePayload(0x01000001, 0x00012345, {0xD0, 0xD1});
  ASSERT_EQ(p.size(), 14u);
  EXPECT_EQ(Slice(p.bytes, 4, 4), (std::vector<uint8_t>{0x45, 0x23, 0x01, 0x00}));
  EXPECT_EQ(p.bytes[12], 0xD0);

  const auto k = PdcBlockPayload(2, 255, 0x0103, {0xB0});
  EXPECT_EQ(Slice(k.bytes, 8, 5), (std::vector<uint8_t>{2, 255, 0x03, 0x01, 0xB0}));
}

TEST(FixturePdc, QuendarPayloadIsAlways540Bytes) {
  std::vector<int16_t> words(300, 0x0101);
  words[0] = -2;
  words[255] = 0x1234;
  const auto q = QuendarPayload(0x0A0B0C0D, 2, BcdStamp(24, 2, 29, 23, 59, 59), 0x0C, 0x0F, 7,
                                0x0001, 0xFFFE, words);
  ASSERT_EQ(q.size(), kQuendarPayloadSize);
  EXPECT_EQ(Le16At(q.bytes, 8), 2);
  EXPECT_EQ(Slice(q.bytes, 14, 6), (std::vector<uint8_t>{0x24, 0x02, 0x29, 0x23, 0x59, 0x59}));
  EXPECT_EQ(Slice(q.bytes, 20, 3), (std::vector<uint8_t>{0x0C, 0x0F, 7}));
  EXPECT_EQ(Le16At(q.bytes, 23), 0x0001);
  EXPECT_EQ(Le16At(q.bytes, 25), 0xFFFE);
  EXPECT_EQ(Le16At(q.bytes, 28), 0xFFFE);
  EXPECT_EQ(Le16At(q.bytes, 28 + 2 * 255), 0x1234);

  const auto empty = QuendarPayload(1, 1, {}, 0, 0, 0, 0, 0, {});
  ASSERT_EQ(empty.size(), kQuendarPayloadSize);
  EXPECT_EQ(Le16At(empty.bytes, 538), 0);
}

TEST(FixtureFiles, WriteFileAndTempDirCleanUp) {
  std::string kept;
  {
    TempDir dir;
    kept = dir.path();
    ASSERT_TRUE(std::filesystem::is_directory(kept));
    const std::vector<uint8_t> bytes{0, 0x0D, 0x0A, 0xFF};
    ASSERT_TRUE(WriteFile(dir.file("a.pdb"), bytes));
    std::ifstream in(dir.file("a.pdb"), std::ios::binary);
    const std::vector<uint8_t> back((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    EXPECT_EQ(back, bytes);
    EXPECT_FALSE(WriteFile(dir.file("missing/a.pdb"), bytes));
  }
  EXPECT_FALSE(std::filesystem::exists(kept));
}

}  // namespace
}  // namespace vid::fx
