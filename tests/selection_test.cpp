// Logger files and what a Make leaves: a selection of one logger file is a selection, a header
// that failed is withdrawn, and a partial block is passed over so that the next record is read
// in step.
#include <gtest/gtest.h>

#include "harness.h"

namespace vid::testing {
namespace {

constexpr uint32_t kCentralPage = 0x01000001;  // the central unit's own memory

std::vector<uint8_t> Page(uint32_t sn, uint32_t addr, const std::vector<uint8_t>& data) {
  return fx::PdcRecord(fx::kPdcSection, fx::kPdcPage, fx::PdcPagePayload(sn, addr, data));
}
// A block record of one module word per block. Its stated length is the payload's size (12
// bytes of fields and the blocks), plain in the energy format (3) and flagged in bit 15 in the
// others.
std::vector<uint8_t> Block(uint16_t format, const std::vector<uint8_t>& blocks) {
  const auto length = static_cast<uint16_t>((format == 3 ? 0 : 0x8000) | (12 + blocks.size()));
  return fx::PdcRecord(fx::kPdcBlockSection, fx::kPdcPage,
                       fx::PdcBlockPayload(1, 1, format, blocks), length);
}

std::vector<uint8_t> Central(uint8_t modules) {
  return fx::PdcRecord(fx::kPdcSection, fx::kPdcCentral,
                       fx::PdcCentralPayload("Site", 0xC0FFEE, 0x100, 0, 0, modules, 'f'));
}
std::vector<uint8_t> Module() {
  return fx::PdcRecord(
      fx::kPdcSection, fx::kPdcModule,
      fx::PdcModulePayload(0x1234, 6, 0, {}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {}));
}
const std::vector<uint8_t> kRecord =
    Page(kCentralPage, 0, fx::CentralRecord(fx::BcdStamp(18, 3, 5, 14, 30, 0), {0, 0, 0}, 0));
// Two pages, the second beyond the channel table.
const std::vector<uint8_t> kBeyondTable =
    Cat({Page(kCentralPage, 0, {1}), Page(kCentralPage, 1200000, {1})});

TEST(Selection, CentralRecordWithModulesMissingIsAHeaderExceptOnTheCommandLine) {
  Bench run;
  run.Write("none.pdc", Cat({Central(1), kRecord}));
  run.Write("short.pdc", Cat({Central(2), Module(), kRecord}));
  for (const char* name : {"none.pdc", "short.pdc"}) {
    EXPECT_EQ(run.Make({name}), MakeResult::kDone) << name << ": " << run.ui.statuses.back();
    EXPECT_NE(run.Read().find("\r\n05/03/18 14:30:00\t"), std::string::npos) << name;
  }
  for (const char* name : {"none.pdc", "short.pdc"}) {  // the command line's one file
    run.form.Form_Load(run.dir.file(name) + " cmd.txt");
    EXPECT_EQ(run.ui.status, "Please select a file with header first") << name;
  }
}

TEST(Selection, HeaderOfAStoppedReadingIsWithdrawnButAnEarlierOneStays) {
  Bench run;
  std::vector<std::vector<uint8_t>> too_many = {Central(1)};
  too_many.insert(too_many.end(), 26, Module());  // complete after one, stopped at the 26th
  run.Write("H26.pdc", Cat(too_many));
  run.Write("HX.pdc", Cat({Central(1), Module(), kBeyondTable}));
  run.Write("H.pdc", Cat({Central(1), Module()}));
  run.Write("X.pdc", Cat({kBeyondTable}));

  run.LoadHeader("H26.pdc");
  EXPECT_EQ(run.ui.status, "Error in file : more than 25 modules, reading stopped");
  EXPECT_FALSE(run.s.log.HeaderLoaded);
  for (const char* name : {"H26.pdc", "HX.pdc"}) {
    EXPECT_EQ(run.Make({name}), MakeResult::kStopped);
    EXPECT_FALSE(run.s.log.HeaderLoaded) << name;
  }
  run.LoadHeader("H.pdc");
  EXPECT_EQ(run.Make({"X.pdc"}), MakeResult::kStopped);
  EXPECT_TRUE(run.s.log.HeaderLoaded);
}

TEST(Selection, PartialLastBlockIsPassedOverAndTheNextRecordIsReadInStep) {
  // Blocks of a 6-byte time stamp and one word of one module; two whole ones and 5 bytes.
  const std::vector<uint8_t> partial =
      fx::Bytes().fill(6, 0).le16(11).fill(6, 0).le16(22).fill(5, 0).bytes;
  const std::vector<uint8_t> next = fx::Bytes().fill(6, 0).le16(33).bytes;
  for (const uint16_t format : {3, 0}) {
    Bench run;
    run.Write("B.pdc", Cat({Block(format, partial), Block(format, next)}));
    run.Make({"B.pdc"});
    for (int k = 0; k < 4; ++k) {  // the three whole blocks' words, nothing behind them
      const auto& pb = run.s.tables.PageBuf;
      EXPECT_EQ(pb.Get(2 * k + 1, 1) | pb.Get(2 * k + 2, 1) << 8, k < 3 ? 11 * (k + 1) : 0)
          << format << " block " << k;
    }
  }
}

}  // namespace
}  // namespace vid::testing
