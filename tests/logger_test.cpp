// Logger files: Load Header, the header preview, page records and the selection of several data
// files, and their multichannel output. Inputs are laid out by the fixture writer; expected
// texts are worked out from the formats.
#include <gtest/gtest.h>

#include <algorithm>

#include "logger_fixture.h"

namespace vid::testing {
namespace {

using fx::Bytes;
using fx::PdcRecord;

constexpr uint32_t kSiteSn = 0x00C0FFEE;
constexpr uint32_t kCentralPage = 0x01000001;  // above 16777216: the central unit's memory
constexpr uint32_t kModuleSn = 0x00001234;
const std::string kBlanks(16, ' ');

std::vector<uint8_t> Central(uint8_t modules, char type = 'f', const char* name = "Site Nord") {
  return PdcRecord(fx::kPdcSection, fx::kPdcCentral,
                   fx::PdcCentralPayload(name, kSiteSn, 0x100, 0, 0, modules, type));
}

// An ordinary module: channel 2 divided by 10, the others 1:1.
std::vector<uint8_t> Module(uint32_t sn = kModuleSn, uint8_t type = 6, uint8_t ext = 0,
                            const std::vector<uint8_t>& extra = {}) {
  return PdcRecord(fx::kPdcSection, fx::kPdcModule,
                   fx::PdcModulePayload(sn, type, 0x77, {"A", "B", "C", "D", "E", "F"},
                                        {1, 1, 1, 10, 1, 1, 1, 1, 1, 1, 1, 1}, {}, ext, extra));
}

// Central records at 14:30, 14:40, 14:50 on 05/03/18; every phase sum 0x8000 over 32 samples
// gives 214.0 V.
std::vector<uint8_t> CentralData(std::initializer_list<int> minutes) {
  Bytes b;
  for (int m : minutes)
    b.raw(fx::CentralRecord(fx::BcdStamp(18, 3, 5, 14, m, 0), {0x8000, 0x8000, 0x8000}, 32));
  return b.bytes;
}

const std::array<int16_t, 6> kWords[3] = {
    {100, 1234, 2, -5, 1, 7}, {101, -1234, 3, 0, -1, 8}, {102, 5, 4, 32767, 2, 9}};
// The same words written through the module's scales (a product of -1..1 is written as 0).
const char* const kCells[3] = {"100\t123.4\t2\t-5\t0\t7", "101\t-123.4\t3\t0\t0\t8",
                               "102\t0.5\t4\t32767\t2\t9"};
const int kMinutes[3] = {30, 40, 50};

std::vector<uint8_t> ModuleData(std::initializer_list<int> records) {
  Bytes b;
  for (int r : records) b.raw(fx::ModuleRecord(kWords[r]));
  return b.bytes;
}

std::string Row(int r) {
  return "05/03/18 14:" + std::to_string(kMinutes[r]) + ":00\t214.0\t214.0\t214.0\t" + kCells[r];
}

const std::string kLine1 = "00C0FFEE\tVolts\tVolts\tVolts\t" + [] {
  std::string s;
  for (int c = 0; c < 6; ++c) s += "00001234\t";
  return s;
}();
std::string Line2(const std::string& name) {
  return name + "\tPh 1\tPh 2\tPh 3\tA\tB\tC\tD\tE\tF\t";
}

// A header file and the two data files of one recording: records 1 and 2 from address 0x2000,
// record 3 from 0x2018, each file with a central page and a module page.
struct Recording : LoggerRun {
  Recording() {
    Write("H.pdc", Records({Central(1), Module()}));
    Write("D1.pdc", Records({Page(kCentralPage, 0x2000, CentralData({30, 40})),
                             Page(kModuleSn, 0x2000, ModuleData({0, 1}))}));
    Write("D2.pdc", Records({Page(kCentralPage, 0x2018, CentralData({50})),
                             Page(kModuleSn, 0x2018, ModuleData({2}))}));
  }
};

// ---- Selections and headers ----------------------------------------------------------------

TEST(LoggerConvert, HeaderAndDataFilesOfOneSelectionFormOneRecording) {
  Recording run;
  EXPECT_EQ(run.Make({"H.pdc", "D1.pdc", "D2.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(), Lines({kLine1, Line2("Site Nord"), Row(0), Row(1), Row(2)}));
  EXPECT_EQ(run.ui.status, "Done...");
}

TEST(LoggerConvert, LoadedHeaderServesEveryLaterMakeWithoutItsName) {
  Recording run;
  run.LoadHeader("H.pdc");
  EXPECT_EQ(run.ui.status, "Central SN: 00C0FFEE - Header found 1 Modules");

  ASSERT_EQ(run.Make({"D1.pdc", "D2.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(), Lines({kLine1, Line2(kBlanks), Row(0), Row(1), Row(2)}));

  // The second file alone: its page lands at the start of the image.
  ASSERT_EQ(run.Make({"D2.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(), Lines({kLine1, Line2(kBlanks), Row(2)}));
}

TEST(LoggerConvert, DataWithoutAnyHeaderWritesNothing) {
  Recording run;
  ASSERT_TRUE(fx::WriteFile(run.dir.file("mv1.txt"), Bytes().text("earlier", 7)));
  EXPECT_EQ(run.Make({"D1.pdc", "D2.pdc"}), MakeResult::kStopped);
  EXPECT_EQ(run.ui.status, "Please select a file with header first");
  EXPECT_EQ(run.Read(), "earlier");
}

TEST(LoggerConvert, SerialNumberNamesTheOutputWhenAsked) {
  Recording run;
  run.s.ctx.opts.check_txt_name = true;
  ASSERT_EQ(run.Make({"H.pdc", "D1.pdc"}), MakeResult::kDone);
  EXPECT_FALSE(run.Exists("mv1.txt"));
  EXPECT_EQ(run.Read("00C0FFEE.txt"), Lines({kLine1, Line2("Site Nord"), Row(0), Row(1)}));
}

// ---- Page records ----------------------------------------------------------------------------

TEST(LoggerPages, SerialNumberAbove16777216StartsTheRowsAgain) {
  LoggerRun run;
  run.Write("P.pdc", Records({Page(0x01000001, 0, {0xA0}), Page(0x01000000, 0, {0xA1}),
                              Page(0xFFFFFFFF, 0, {0xA2}),  // negative: a module page
                              Page(5, 0, {0xA3}), Page(0x01000001, 1, {0xB0}), Page(1, 1, {0xB1}),
                              // type 18: always the next row, whatever its serial number
                              Page(0x01000001, 2, {0xC0}), Page(0x02000000, 2, {0xC1}, 18)}));
  run.Make({"P.pdc"});
  const PageTable& pb = run.s.tables.PageBuf;
  EXPECT_EQ(pb.Get(1, 0), 0xA0);
  EXPECT_EQ(pb.Get(1, 1), 0xA1);
  EXPECT_EQ(pb.Get(1, 2), 0xA2);
  EXPECT_EQ(pb.Get(1, 3), 0xA3);
  EXPECT_EQ(pb.Get(2, 0), 0xB0);
  EXPECT_EQ(pb.Get(2, 1), 0xB1);
  EXPECT_EQ(pb.Get(3, 0), 0xC0);
  EXPECT_EQ(pb.Get(3, 1), 0xC1);
  EXPECT_TRUE(run.s.cfg.CentralTypeG);
  EXPECT_EQ(run.s.cfg.DataLimit, 3);
}

// A page address more than 65536 below the previous page: the memory wrapped round, and later
// pages move on by its size (516100 when the previous page lay above 0x40000, else 245760).
TEST(LoggerPages, FallingBackFarMeansTheMemoryWrappedRound) {
  struct Case {
    std::vector<uint32_t> addresses;
    int64_t last_at;  // position of the last page's byte, counted from the first page
  };
  const Case cases[] = {
      {{500000, 16}, 16 - 500000 + 516100 + 1},
      {{200000, 16}, 16 - 200000 + 245760 + 1},
      {{200000, 16, 150000, 16}, 16 - 200000 + 2 * 245760 + 1},  // the small memory twice
      {{0, 200000, 200000 - 65536}, 200000 - 65536 + 1},         // exactly 65536: no wrap
  };
  LoggerRun run;
  for (const Case& c : cases) {
    std::vector<std::vector<uint8_t>> pages;
    for (uint32_t a : c.addresses) pages.push_back(Page(kCentralPage, a, {0x77}));
    run.Write("P.pdc", Records(pages));
    run.Make({"P.pdc"});
    EXPECT_EQ(run.s.tables.PageBuf.Get(c.last_at, 0), 0x77) << c.last_at;
    EXPECT_EQ(run.s.cfg.DataLimit, c.last_at);
  }
}

TEST(LoggerPages, PageWithoutDataSetsTheLimitToItsFirstPositionMinusOne) {
  LoggerRun run;
  run.Write("P.pdc", Records({Page(kCentralPage, 0x1000, std::vector<uint8_t>(24, 0x11)),
                              Page(kCentralPage, 0x1030, {})}));
  run.Make({"P.pdc"});
  EXPECT_EQ(run.s.cfg.DataLimit, 0x30);
  EXPECT_EQ(run.s.tables.PageBuf.Get(24, 0), 0x11);
  EXPECT_EQ(run.s.tables.PageBuf.Get(25, 0), 0);
}

TEST(LoggerPages, QualityPageOfTheGVariantAddsTheQualityColumns) {
  LoggerRun run;
  // RMS field 0x4000 over the central record's 32 samples: 303.3 V; minimum and maximum 0.
  const auto quality = fx::QualityRecord({0x4000, 0x4000, 0x4000}, {0, 0, 0}, {0, 0, 0}, 0);
  run.Write("G.pdc",
            Records({Central(1, 'g'), Module(), Page(kCentralPage, 0, CentralData({30})),
                     Page(0, 0, quality, fx::kPdcPageG), Page(kModuleSn, 0, ModuleData({0}))}));
  ASSERT_EQ(run.Make({"G.pdc"}), MakeResult::kDone);
  std::string line1 = "00C0FFEE\tVolts\tVolts\tVolts\t";
  for (int i = 0; i < 9; ++i) line1 += "Volts\t";
  line1 += "s\t";
  for (int c = 0; c < 6; ++c) line1 += "00001234\t";
  EXPECT_EQ(run.Read(),
            Lines({line1,
                   "Site Nord\tPh 1\tPh 2\tPh 3\tVrms1\tVrms2\tVrms3\tUmin1\tUmin2\tUmin3\tUmax1\t"
                   "Umax2\tUmax3\tDowntime\tA\tB\tC\tD\tE\tF\t",
                   "05/03/18 14:30:00\t214.0\t214.0\t214.0\t303.3\t303.3\t303.3\t0.0\t0.0\t0.0\t"
                   "0.0\t0.0\t0.0\t0.00\t100\t123.4\t2\t-5\t0\t7"}));
}

TEST(LoggerPages, UnknownRecordsAreReportedAndReadingGoesOn) {
  LoggerRun run;
  // An unknown type of the installation section and a head of an unknown section, each six
  // bytes with nothing behind them.
  run.Write("U.pdc", Records({Central(1), Head(0x8001, 0x63), Head(0x8001, 0), Module(),
                              Page(kCentralPage, 0, CentralData({30})), Head(0x1234, 16),
                              Page(kModuleSn, 0, ModuleData({0}))}));
  ASSERT_EQ(run.Make({"U.pdc"}), MakeResult::kDone);
  // Shown once, however many heads are out of step.
  EXPECT_EQ(
      std::count(run.ui.statuses.begin(), run.ui.statuses.end(), "File format error detected"), 1);
  EXPECT_EQ(run.Read(), Lines({kLine1, Line2("Site Nord"), Row(0)}));
  EXPECT_EQ(run.ui.status, "Done...");
}

TEST(LoggerPages, UnknownTypeOfTheBlockSectionStillMakesABlockRecording) {
  LoggerRun run;
  run.Write("B.pdc", Records({Head(0x8004, 5)}));
  ASSERT_EQ(run.Make({"B.pdc"}), MakeResult::kDone);
  EXPECT_TRUE(run.s.log.BlockMode);
  EXPECT_EQ(run.Read(), Lines({"00000000\t", kBlanks + "\t", "00/00/00 00:00:00"}));
}

// ---- Block records ---------------------------------------------------------------------------

std::vector<uint8_t> Stamp(int minute) {
  const auto st = fx::BcdStamp(18, 3, 5, 14, minute, 0);
  return std::vector<uint8_t>(st.begin(), st.end());
}

std::vector<uint8_t> Words(std::initializer_list<int> words) {
  Bytes b;
  for (int w : words) b.le16(static_cast<uint16_t>(w));
  return b.bytes;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  Bytes b;
  for (const auto& p : parts) b.raw(p);
  return b.bytes;
}

const std::string kBlockLine1 = "00000000\t";
const std::string kBlockLine2 = kBlanks + "\t";

TEST(LoggerBlocks, Format0ConvertsSensorWordsAndReadsTheFlaggedLengthExactly) {
  LoggerRun run;
  // W = 3: words 0 and 2 humidity, word 1 temperature; 0x7FFE is an empty cell.
  const auto first =
      Join({Stamp(30), Words({1000, 6000, 0x7FFE}), Stamp(40), Words({2000, -500, 3000})});
  const auto second = Join({Stamp(50), Words({1000, 6000, 1000})});
  run.Write("B.pdc", Records({Block(1, 3, 0, first, FlaggedLength(first)),
                              Block(1, 3, 0, second, FlaggedLength(second))}));
  ASSERT_EQ(run.Make({"B.pdc"}), MakeResult::kDone);
  // 1000: 36.7 - 2.0468 - 1.5955 = 33.0577; 6000: 60 - 39.6; 2000: 73.4 - 2.0468 - 6.382;
  // -500: -5 - 39.6; 3000: 110.1 - 2.0468 - 14.3595.
  EXPECT_EQ(run.Read(),
            Lines({kBlockLine1, kBlockLine2, "05/03/18 14:30:00\t33.1\t20.4\t",
                   "05/03/18 14:40:00\t65.0\t-44.6\t93.7", "05/03/18 14:50:00\t33.1\t20.4\t33.1"}));
  EXPECT_FALSE(run.s.log.block.no_stamp);
  EXPECT_EQ(run.s.log.block.format, 0);
}

TEST(LoggerBlocks, Format1ScalesByColumn) {
  LoggerRun run;
  const auto blocks =
      Join({Stamp(30), Words({215, -30, 1000, 5, 0, 12345}), Words({7, -7, 250, 32767, 99, -99}),
            Words({256, 128, -256, 0x7FFE, 1, 3})});
  run.Write("B.pdc", Records({Block(3, 6, 1, blocks, FlaggedLength(blocks))}));
  ASSERT_EQ(run.Make({"B.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(), Lines({kBlockLine1, kBlockLine2,
                               "05/03/18 14:30:00\t21.5\t-3.0\t100.0\t0.5\t0.0\t1234.5"
                               "\t7.0\t-7.0\t250.0\t32767.0\t9.9\t-9.9"
                               "\t1.0\t0.5\t-1.0\t\t0.0\t0.0"}));
}

TEST(LoggerBlocks, Format3HasItsOwnHeaderAndAPlainLengthWord) {
  LoggerRun run;
  const auto first = Join({Stamp(0), Words({100, 200, 15, 1, 234, 567, 0, 12, 345}), Stamp(10),
                           Words({110, 190, 16, 1, 235, 0, 0, 12, 346})});
  const auto second = Join({Stamp(20), Words({-1, 0, 0, 0, 0, 0, 0, 0, 0})});
  run.Write("E.pdc", Records({Block(1, 9, 3, first, PlainLength(first)),
                              Block(1, 9, 3, second, PlainLength(second))}));
  ASSERT_EQ(run.Make({"E.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(),
            Lines({"00000000\tDiff1\tDiff2\tIinst\tindex1\tindex1\tindex1\tindex2\tindex2\tindex2",
                   kBlanks + "\tWh\tWh\tA\tMWh\tkWh\tWh\tMWh\tkWh\tWh",
                   "05/03/18 14:00:00\t100.0\t200.0\t15.0\t1.0\t234.0\t567.0\t0.0\t12.0\t345.0",
                   "05/03/18 14:10:00\t110.0\t190.0\t16.0\t1.0\t235.0\t0.0\t0.0\t12.0\t346.0",
                   "05/03/18 14:20:00\t-1.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0"}));
}

TEST(LoggerBlocks, W255StoresOneWordPerModuleAndNoTimeStamps) {
  LoggerRun run;
  const auto first = Words({15, -20, 16, -21, 17, -22});
  const auto second = Words({18, -23});
  run.Write("N.pdc", Records({Block(2, 255, 1, first, PlainLength(first)),
                              Block(2, 255, 1, second, PlainLength(second))}));
  ASSERT_EQ(run.Make({"N.pdc"}), MakeResult::kDone);
  EXPECT_TRUE(run.s.log.block.no_stamp);
  EXPECT_EQ(run.s.log.block.words, 1);
  EXPECT_EQ(run.Read(), Lines({kBlockLine1, kBlockLine2, "00/00/00 00:00:00\t1.5\t-2.0",
                               "00/00/00 00:00:00\t1.6\t-2.1", "00/00/00 00:00:00\t1.7\t-2.2",
                               "00/00/00 00:00:00\t1.8\t-2.3"}));
}

TEST(LoggerBlocks, ShortBlocksKeepTheirStampsOverlapping) {
  LoggerRun run;
  // W = 2: a block takes 4 positions of every row while its stamp takes 6 of row 0, so the next
  // block's stamp overwrites the last two bytes (minute, second) with its year and month.
  const auto blocks =
      Join({Stamp(30), Words({11, 12}), Stamp(40), Words({21, 22}), Stamp(50), Words({31, 32})});
  run.Write("S.pdc", Records({Block(1, 2, 2, blocks, FlaggedLength(blocks))}));
  ASSERT_EQ(run.Make({"S.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(), Lines({kBlockLine1, kBlockLine2, "05/03/18 14:18:03\t11.0\t12.0",
                               "05/03/18 14:18:03\t21.0\t22.0", "05/03/18 14:50:00\t31.0\t32.0"}));
}

TEST(LoggerBlocks, RecordWithoutModulesOrStampsEndsItsLoopAtOnce) {
  LoggerRun run;
  run.Write("Z.pdc", Records({Block(0, 255, 2, {}, 12), Block(1, 255, 2, Words({42}), 14)}));
  ASSERT_EQ(run.Make({"Z.pdc"}), MakeResult::kDone);
  EXPECT_EQ(run.Read(), Lines({kBlockLine1, kBlockLine2, "00/00/00 00:00:00\t42.0"}));
}

TEST(LoggerBlocks, RowsAndPositionsBeyondTheTableStop) {
  LoggerRun run;
  const auto wide = Join({Stamp(0), std::vector<uint8_t>(2 * 26, 0)});
  run.Write("Wide.pdc", Records({Block(26, 1, 0, wide, FlaggedLength(wide))}));
  EXPECT_EQ(run.Make({"Wide.pdc"}), MakeResult::kStopped);
  EXPECT_EQ(run.ui.status, "Error in file : data row 26 out of range, conversion stopped");

  // A page record without data as the first data record puts the block position near the end.
  const auto one = Join({Stamp(0), Words({1})});
  run.Write("Far.pdc",
            Records({Page(kCentralPage, 1199998, {}), Block(1, 1, 0, one, FlaggedLength(one))}));
  EXPECT_EQ(run.Make({"Far.pdc"}), MakeResult::kStopped);
  EXPECT_EQ(run.ui.status,
            "Error in file : data position 1200004 out of range, conversion stopped");
  EXPECT_FALSE(run.Exists("mv1.txt"));
}

// ---- Limits of the channel table -----------------------------------------------------------

TEST(LoggerLimits, PositionBeyondTheTableStopsWithoutOutput) {
  LoggerRun run;
  run.Write("Edge.pdc", Records({Page(kCentralPage, 0, {1}), Page(kCentralPage, 1199999, {0x55})}));
  run.Make({"Edge.pdc"});
  EXPECT_EQ(run.ui.status, "Please select a file with header first");
  EXPECT_EQ(run.s.tables.PageBuf.Get(1200000, 0), 0x55);

  run.Write("Over.pdc",
            Records({Central(0), Page(kCentralPage, 0, {1}), Page(kCentralPage, 1199999, {1, 2})}));
  EXPECT_EQ(run.Make({"Over.pdc", "Edge.pdc"}), MakeResult::kStopped);
  EXPECT_EQ(run.ui.status,
            "Error in file : data position 1200001 out of range, conversion stopped");
  EXPECT_FALSE(run.Exists("mv1.txt"));

  run.Write("Back.pdc",
            Records({Central(0), Page(kCentralPage, 100000, {1}), Page(kCentralPage, 50000, {1})}));
  EXPECT_EQ(run.Make({"Back.pdc", "Edge.pdc"}), MakeResult::kStopped);
  EXPECT_EQ(run.ui.status, "Error in file : data position -49999 out of range, conversion stopped");
}

TEST(LoggerLimits, RowBeyond25Stops) {
  LoggerRun run;
  std::vector<std::vector<uint8_t>> records = {Central(0), Page(kCentralPage, 0, {1})};
  for (int m = 1; m <= 26; ++m) records.push_back(Page(kModuleSn, 0, {1}));
  run.Write("R.pdc", Records(records));
  EXPECT_EQ(run.Make({"R.pdc"}), MakeResult::kStopped);
  EXPECT_EQ(run.ui.status, "Error in file : data row 26 out of range, conversion stopped");
}

TEST(LoggerLimits, ModulesBeyond25StopLoadHeaderAndConversion) {
  const std::string kTooMany = "Error in file : more than 25 modules, reading stopped";
  LoggerRun run;
  std::vector<std::vector<uint8_t>> records = {Central(30)};
  for (int m = 1; m <= 26; ++m) records.push_back(Module(kModuleSn + m));
  run.Write("H30.pdc", Records(records));
  run.LoadHeader("H30.pdc");
  EXPECT_EQ(run.ui.status, kTooMany);
  EXPECT_FALSE(run.s.log.HeaderLoaded);
  EXPECT_EQ(run.Make({"H30.pdc"}), MakeResult::kStopped);
  EXPECT_EQ(run.ui.status, kTooMany);

  // 25 modules, then an extension flag, or a type-140 module in the last slot.
  std::vector<std::vector<uint8_t>> grown = {Central(25), Module(kModuleSn, 250, 1)};
  run.Write("Ext.pdc", Records(grown));
  run.LoadHeader("Ext.pdc");
  EXPECT_EQ(run.ui.status, kTooMany);
  std::vector<std::vector<uint8_t>> wide = {Central(25)};
  for (int m = 1; m <= 24; ++m) wide.push_back(Module(kModuleSn + m));
  wide.push_back(Module(kModuleSn, 140));
  run.Write("Wide.pdc", Records(wide));
  EXPECT_EQ(run.Make({"Wide.pdc"}), MakeResult::kStopped);
  EXPECT_EQ(run.ui.status, kTooMany);
}

// ---- Load Header ---------------------------------------------------------------------------

TEST(LoadHeader, FindsACompleteHeaderOrReportsAnError) {
  LoggerRun run;
  run.Write("Two.pdc", Records({Central(2), Module(kModuleSn), Module(0x5678)}));
  run.Write("Short.pdc", Records({Central(2), Module(kModuleSn)}));
  run.Write("None.pdc", Records({Central(0)}));

  run.LoadHeader("Two.pdc");
  EXPECT_EQ(run.ui.status, "Central SN: 00C0FFEE - Header found 2 Modules");
  EXPECT_TRUE(run.s.log.HeaderLoaded);
  EXPECT_EQ(run.s.cfg.ModuleSN[2], 0x5678);

  run.LoadHeader("Short.pdc");
  EXPECT_EQ(run.ui.status, "Error in header file");
  EXPECT_FALSE(run.s.log.HeaderLoaded);
  EXPECT_EQ(run.s.cfg.ModuleSN[1], static_cast<int32_t>(kModuleSn));  // what was read stays

  run.LoadHeader("None.pdc");
  EXPECT_EQ(run.ui.status, "Error in header file");
  EXPECT_TRUE(run.ui.boxes.empty());
}

TEST(LoadHeader, OtherNamesAreRefusedWithAMessageBox) {
  LoggerRun run;
  run.Write("Two.pdc", Records({Central(1), Module()}));
  run.Write("Two.PDC", Records({Central(1), Module()}));
  run.Write("Two.pdb", Records({Central(1), Module()}));
  run.LoadHeader("Two.pdc");
  ASSERT_TRUE(run.s.log.HeaderLoaded);
  const std::string before = run.ui.status;

  for (const char* name : {"Two.PDC", "Two.pdb"}) {
    run.LoadHeader(name);
    EXPECT_FALSE(run.s.log.HeaderLoaded) << name;
    EXPECT_EQ(run.ui.status, before) << name;
  }
  EXPECT_EQ(run.ui.boxes,
            (std::vector<std::string>{"Only applies to .pdc files", "Only applies to .pdc files"}));
}

TEST(LoadHeader, IsIgnoredWhileAnotherOperationRuns) {
  LoggerRun run;
  run.Write("Two.pdc", Records({Central(1), Module()}));
  run.s.shell.Busy = true;
  run.LoadHeader("Two.pdc");
  EXPECT_FALSE(run.s.log.HeaderLoaded);
  EXPECT_TRUE(run.ui.statuses.empty());
  EXPECT_TRUE(run.s.shell.Busy);
}

TEST(LoadHeader, ExtensionFlagCountsOnlyForType250) {
  LoggerRun run;
  run.Write("E.pdc", Records({Central(2), Module(1, 250, 1), Module(2, 254, 1), Module(3)}));
  run.LoadHeader("E.pdc");
  EXPECT_EQ(run.ui.status, "Central SN: 00C0FFEE - Header found 3 Modules");
}

TEST(LoadHeader, Type140FillsTwoSlotsUnlessTheCentralUnitIsR) {
  LoggerRun run;
  run.Write("F.pdc", Records({Central(2, 'f'), Module(0x140, 140), Module(0x5678)}));
  run.LoadHeader("F.pdc");
  EXPECT_EQ(run.ui.status, "Central SN: 00C0FFEE - Header found 3 Modules");
  const Config& cfg = run.s.cfg;
  EXPECT_EQ(cfg.ModuleSN[2], 0x140);
  EXPECT_EQ(cfg.ModuleType[2], 140);
  EXPECT_EQ(cfg.ChannelName[1][1], "A");
  for (int c = 1; c <= 6; ++c) EXPECT_EQ(cfg.ChannelName[2][c], std::to_string(c) + "VA");
  EXPECT_EQ(cfg.ChannelScale[2], cfg.ChannelScale[1]);
  EXPECT_EQ(cfg.ChannelScale[2][4], 10);
  EXPECT_EQ(cfg.ModuleSN[3], 0x5678);

  run.Write("R.pdc", Records({Central(2, 'r'), Module(0x140, 140), Module(0x5678)}));
  run.LoadHeader("R.pdc");
  EXPECT_EQ(run.ui.status, "Central SN: 00C0FFEE - Header found 2 Modules");
  EXPECT_EQ(run.s.cfg.ModuleSN[2], 0x5678);
  EXPECT_EQ(run.s.cfg.ChannelName[2][1], "A");
}

TEST(LoadHeader, ModuleFieldsScalesAndSurplusBytes) {
  LoggerRun run;
  auto scaled = PdcRecord(
      fx::kPdcSection, fx::kPdcModule,
      fx::PdcModulePayload(0x11, 6, 0x42, {"Volts", "", "", "", "", "Amp"},
                           {0, 5, 2, 0, 1, 1, 1, 1, 1, 1, 1, 1}, {1, 0, 0, 0, 0, 2}, 0, {9, 9, 9}));
  // Type 254: six LE16 parameters, then six kinds.
  auto kinds =
      PdcRecord(fx::kPdcSection, fx::kPdcModule,
                fx::PdcModulePayload(0x22, 254, 0, {}, {0, 0, 0, 0, 22, 0, 0, 0, 0, 0, 0, 0},
                                     {0, 4, 7, 7, 9, 144}));
  // A central record with surplus bytes, and a page record that Load Header passes over.
  auto central =
      PdcRecord(fx::kPdcSection, fx::kPdcCentral,
                fx::PdcCentralPayload("Hall", 0x0ABC, 0x100, 0x34, 1, 2, 'f', {7, 7, 7}));
  run.Write("M.pdc", Records({central, Page(kCentralPage, 0, {1, 2, 3}), scaled, kinds}));
  run.LoadHeader("M.pdc");
  EXPECT_EQ(run.ui.status, "Central SN: 00000ABC - Header found 2 Modules");
  const Config& cfg = run.s.cfg;
  EXPECT_EQ(cfg.WrapFlag, 1);
  EXPECT_EQ(cfg.ChannelName[1][1], "Volts");
  EXPECT_EQ(cfg.ChannelName[1][2], "");
  EXPECT_EQ(cfg.ChannelName[1][6], "Amp");
  const std::array<uint8_t, 13> scales = {0, 1, 5, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(cfg.ChannelScale[1], scales);
  // Divisors by kind: 0..3 100, 4 10, 7 1 when the parameter's low byte is 21..25 else 100,
  // 9 60, 144 10; every multiplier 1 and every flag 0.
  const std::array<uint8_t, 13> derived = {0, 1, 100, 1, 10, 1, 1, 1, 100, 1, 60, 1, 10};
  EXPECT_EQ(cfg.ChannelScale[2], derived);
  EXPECT_EQ(cfg.ChannelParam[2][3], 22);
}

// ---- Header preview --------------------------------------------------------------------------

TEST(LoggerPreview, TellsHeaderFilesFromDataFiles) {
  Recording run;
  EXPECT_EQ(run.Preview("H.pdc"), "Concentrator SN: 00C0FFEE - Site Nord This File has a Header");
  EXPECT_EQ(run.Preview("D1.pdc"), "Concentrator SN: 01000001 - data file, starting address: 8192");
  run.Write("Q.pdc", Records({PdcRecord(fx::kPdcSection, fx::kPdcQuendar,
                                        fx::QuendarPayload(9, 1, {}, 0, 1, 0, 0, 0, {}))}));
  EXPECT_EQ(run.Preview("Q.pdc"),
            "Concentrator SN: 00000000 - " + kBlanks + " This File has a Header");
  // The scan looks for the installation section's marker word by word.
  run.Write("B.pdc", Records({Block(1, 1, 3, {}, 12), Central(0)}));
  EXPECT_EQ(run.Preview("B.pdc"), "Concentrator SN: 00C0FFEE - Site Nord This File has a Header");
}

}  // namespace
}  // namespace vid::testing
