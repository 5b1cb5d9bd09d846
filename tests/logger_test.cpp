// Logger files laid out record by record: selections of header and data files, Load Header, the
// preview, page and block records with their multichannel output, and Quendar records with their
// own text. Expected texts are worked out from doc/formats.md.
#include <gtest/gtest.h>

#include "harness.h"
#include "logger_records.h"

namespace vid::testing {
namespace {

using fx::PdcRecord;

const std::string kBlanks(16, ' ');

// The central records of time stamps at 14:mm on 05/03/18 (every phase sum 0x8000 over 32
// samples: 214.0 V) and module records whose words the ordinary module writes as kCells.
Record CentralData(std::initializer_list<int> minutes) {
  std::vector<Record> records;
  for (int m : minutes) records.push_back(Cat({Stamp(m), Words({0x8000, 0x8000, 0x8002})}));
  return Cat(records);
}
Record ModuleData(int records) {
  return Cat(std::vector(records, Words({100, 1234, 2, -5, 1, 7})));
}
const std::string kCells = "100\t123.4\t2\t-5\t0\t7";  // a product of -1..1 is written as 0
std::string Row(int minute) {
  return "05/03/18 14:" + std::to_string(minute) + ":00\t214.0\t214.0\t214.0\t" + kCells;
}
const std::string kLine1 = "00C0FFEE\tVolts\tVolts\tVolts\t" + Repeat("00001234\t", 6);
std::string Line2(const std::string& name) {
  return name + "\tPh 1\tPh 2\tPh 3\tA\tB\tC\tD\tE\tF\t";
}

// A header file and the two data files of one recording: records 1 and 2 from address 0x2000,
// record 3 from 0x2018, each file with a central page and a module page. Without a header
// nothing is written.
TEST(Logger, HeaderAndDataFilesOfOneSelectionFormOneRecording) {
  Bench r;
  r.Write("H.pdc", Cat({Central(1), Module()}));
  r.Write("D1.pdc", Cat({Page(kCentralPage, 0x2000, CentralData({30, 40})),
                         Page(kModuleSn, 0x2000, ModuleData(2))}));
  r.Write("D2.pdc", Cat({Page(kCentralPage, 0x2018, CentralData({50})),
                         Page(kModuleSn, 0x2018, ModuleData(1))}));
  r.Write("mv1.txt", {'o', 'l', 'd'});
  EXPECT_EQ(r.Make({"D1.pdc", "D2.pdc"}), MakeResult::kStopped);
  EXPECT_EQ(r.ui.status, "Please select a file with header first");
  EXPECT_EQ(r.Read(), "old");
  EXPECT_EQ(r.Make({"H.pdc", "D1.pdc", "D2.pdc"}), MakeResult::kDone);
  EXPECT_EQ(r.Read(), JoinLines({kLine1, Line2("Site Nord"), Row(30), Row(40), Row(50)}));
}

// A central record alone in a selection is a header; the module slot no record filled has no
// serial number, no names and a scale of 0, which counts as 1:1.
TEST(Logger, ModuleSlotThatNoRecordFilledWritesItsWordsUnscaled) {
  Bench r;
  r.Write("C.pdc", Central(1));
  r.Write("D.pdc",
          Cat({Page(kCentralPage, 0, CentralData({30})), Page(kModuleSn, 0, ModuleData(1))}));
  ASSERT_EQ(r.Make({"C.pdc", "D.pdc"}), MakeResult::kDone);
  EXPECT_EQ(r.Read(),
            JoinLines({"00C0FFEE\tVolts\tVolts\tVolts\t" + Repeat("00000000\t", 6),
                       "Site Nord\tPh 1\tPh 2\tPh 3\t\t\t\t\t\t\t",
                       "05/03/18 14:30:00\t214.0\t214.0\t214.0\t100\t1234\t2\t-5\t0\t7"}));
}

// A page address more than 65536 below the previous one means the memory wrapped round: later
// pages move on by its size (516100 when the previous page lay above 0x40000, else 245760). The
// rows run from the first page to the end of the last one, so a page beyond that is not written;
// a page without data ends the memory just before it. Every row without a record is empty.
TEST(Logger, PageAddressesFallingFarBackWrapTheMemory) {
  struct Case {
    std::vector<std::pair<uint32_t, int>> pages;  // address, minute of its record (-1: no data)
    int rows;
    std::vector<std::pair<int, int>> records;  // row, minute
  } cases[] = {{{{500000, 30}, {16, 40}}, (16 + 516100 - 500000) / 12 + 1, {{0, 30}, {1343, 40}}},
               {{{200000, 30}, {20, 40}}, (20 + 245760 - 200000) / 12 + 1, {{0, 30}, {3815, 40}}},
               // Exactly 65536 back: no wrap, the page at 131080 lies beyond the end.
               {{{0, 30}, {131080, 40}, {65544, 50}}, 65544 / 12 + 1, {{0, 30}, {5462, 50}}},
               {{{0x1000, 30}, {0x100C, 40}, {0x1030, -1}}, 4, {{0, 30}, {1, 40}}}};
  for (const Case& c : cases) {
    std::vector<Record> pages;
    for (const auto& [addr, minute] : c.pages) {
      pages.push_back(Page(kCentralPage, addr, minute < 0 ? Record{} : CentralData({minute})));
    }
    std::vector<std::string> lines(2 + c.rows, "00/00/00 00:00:00\t0.0\t0.0\t0.0");
    lines[0] = "00C0FFEE\tVolts\tVolts\tVolts\t";
    lines[1] = "Site Nord\tPh 1\tPh 2\tPh 3\t";
    for (const auto& [row, minute] : c.records) {
      lines[2 + row] = "05/03/18 14:" + std::to_string(minute) + ":00\t214.0\t214.0\t214.0";
    }
    Bench r;
    r.Write("H0.pdc", Central(0));
    r.Write("P.pdc", Cat(pages));
    ASSERT_EQ(r.Make({"H0.pdc", "P.pdc"}), MakeResult::kDone);
    EXPECT_TRUE(SameText(r.Read(), JoinLines(lines))) << c.rows;
  }
}

// Block records: N modules of W words behind a time stamp (none when W is 255, one word per
// module then); format 0 holds sensor words, format 1 words scaled by their column.
TEST(Logger, BlockFormatsScaleTheirWords) {
  std::vector<int> sixteen(32, 250);
  sixteen[3] = 0x7FFE;   // an empty cell
  sixteen[31] = 0x7FFF;  // 32767 / 256
  Record w16 = Stamp(0);
  for (int w : sixteen)
    w16.push_back(static_cast<uint8_t>(w)), w16.push_back(static_cast<uint8_t>(w >> 8));
  const std::pair<std::vector<Record>, std::vector<std::string>> cases[] = {
      // Humidity in words 0, 2, 4, temperature in 1, 3, 5, the cubic sensor in 6 to 8.
      {{Block(1, 10, 0, Cat({Stamp(30), Words({1000, 6000, 2000, 0, 0, -1, 0, 500, 1000, 77})}))},
       {"05/03/18 14:30:00\t33.1\t20.4\t65.0\t-39.6\t-2.0\t-39.6\t96.9\t25.9\t-27.6\t77.0"}},
      {{Block(2, 16, 1, w16)},
       {"05/03/18 14:00:00\t25.0\t25.0\t25.0\t\t25.0\t25.0" + Repeat("\t250.0", 4) +
        "\t25.0\t25.0" + Repeat("\t1.0", 16) + Repeat("\t250.0", 3) + "\t128.0"}},
      {{Block(2, 255, 1, Words({15, -20, 16, -21, 17, -22}), false),
        Block(2, 255, 1, Words({18, -23}), false)},
       {"00/00/00 00:00:00\t1.5\t-2.0", "00/00/00 00:00:00\t1.6\t-2.1",
        "00/00/00 00:00:00\t1.7\t-2.2", "00/00/00 00:00:00\t1.8\t-2.3"}},
      // W = 2: a block takes 4 positions of every row while its stamp takes 6 of row 0, so the
      // next block's stamp overwrites the minute and second with its year and month.
      {{Block(1, 2, 2,
              Cat({Stamp(30), Words({11, 12}), Stamp(40), Words({21, 22}), Stamp(50),
                   Words({31, 32})}))},
       {"05/03/18 14:18:03\t11.0\t12.0", "05/03/18 14:18:03\t21.0\t22.0",
        "05/03/18 14:50:00\t31.0\t32.0"}}};
  for (const auto& [records, rows] : cases) {
    Bench r;
    r.Write("B.pdc", Cat(records));
    ASSERT_EQ(r.Make({"B.pdc"}), MakeResult::kDone) << rows[0];
    std::vector<std::string> lines = {"00000000\t", kBlanks + "\t"};
    lines.insert(lines.end(), rows.begin(), rows.end());
    EXPECT_EQ(r.Read(), JoinLines(lines));
  }
}

TEST(Logger, LoadHeaderCountsTheModulesOfACompleteHeader) {
  const std::string kTooMany = "Error in file : more than 25 modules, reading stopped";
  const std::pair<std::vector<Record>, std::string> cases[] = {
      {{Central(2), Module(), Module(0x5678)}, "Central SN: 00C0FFEE - Header found 2 Modules"},
      {{Central(2), Module()}, "Error in header file"},
      // The extension flag counts for type 250 only; type 140 fills two slots.
      {{Central(2), Module(1, 250, 1), Module(2, 254, 1), Module(3)},
       "Central SN: 00C0FFEE - Header found 3 Modules"},
      {{Central(2), Module(0x140, 140), Module()}, "Central SN: 00C0FFEE - Header found 3 Modules"},
      {Modules26(), kTooMany},
      {{Central(25), Module(kModuleSn, 250, 1)}, kTooMany}};
  for (const auto& [records, status] : cases) {
    Bench r;
    r.Write("H.pdc", Cat(records));
    r.shell.file_list = {r.dir.path(), "H.pdc", {"H.pdc"}};
    r.shell.LoadHeader();
    EXPECT_EQ(r.ui.status, status);
  }
}

// ---- Quendar records -----------------------------------------------------------------------

const std::string kDeg =
    "\xB0"
    "C";

Record Quendar(uint32_t sn, uint16_t type, std::array<uint8_t, 6> start, uint8_t period_code,
               uint8_t mask, uint8_t count, const std::vector<int16_t>& words, uint16_t high1 = 0,
               uint16_t high2 = 0) {
  return PdcRecord(
      fx::kPdcSection, fx::kPdcQuendar,
      fx::QuendarPayload(sn, type, start, period_code, mask, count, high1, high2, words));
}
std::array<uint8_t, 6> At(int day, int month, int year, int hour, int minute, int second) {
  return fx::BcdStamp(year, month, day, hour, minute, second);
}

// Each case is one Make on the records given; the text is the whole output.
TEST(Quendar, DataTypesCalendarTimeAndCounters) {
  const std::pair<std::vector<Record>, std::vector<std::string>> cases[] = {
      // Periods of 10 s, 30 s, 1 s, 3600 s, 120 s and 300 s across days, months, years, leap days.
      {{Quendar(7, 1, At(28, 2, 20, 23, 59, 50), 3, 0x01, 2, {100, 200}),
        Quendar(7, 1, At(28, 2, 21, 23, 59, 30), 6, 0x01, 2, {300, 400}),
        Quendar(7, 1, At(31, 12, 19, 23, 59, 59), 0, 0x01, 2, {500, 600}),
        Quendar(7, 1, At(30, 4, 21, 23, 0, 0), 9, 0x01, 2, {700, 800}),
        Quendar(7, 1, At(1, 1, 21, 0, 0, 0), 10, 0x01, 2, {900, 1000}),
        Quendar(7, 1, At(1, 1, 21, 0, 0, 0), 0x1B, 0x01, 2, {1100, 1200})},
       {"00000007\tTemperature1", "date\t" + kDeg, "28/02/20 23:59:50\t1.0",
        "29/02/20 00:00:00\t2.0", "28/02/21 23:59:30\t3.0", "01/03/21 00:00:00\t4.0",
        "31/12/19 23:59:59\t5.0", "01/01/20 00:00:00\t6.0", "30/04/21 23:00:00\t7.0",
        "01/05/21 00:00:00\t8.0", "01/01/21 00:00:00\t9.0", "01/01/21 00:02:00\t10.0",
        "01/01/21 00:00:00\t11.0", "01/01/21 00:05:00\t12.0"}},
      // Counters add their high words as signed 32-bit numbers.
      {{Quendar(0xABCDEF01, 1, At(5, 3, 18, 12, 0, 0), 7, 0x0C, 2, {-1, 10, 0, -1}, 1, 2),
        Quendar(0xABCDEF01, 2, At(5, 3, 18, 13, 0, 0), 7, 0x0C, 1, {-1, 0}, 0xFFFF, 0x8000)},
       {"ABCDEF01\tPulses\tOn Time", "date\t\ts", "05/03/18 12:00:00\t131071\t131082",
        "05/03/18 12:01:00\t65536\t196607", "05/03/18 13:00:00\t-1\t-2147483648"}},
      // A count of 0 writes no line; a period code without a period is a format error and its
      // record is passed over.
      {{Quendar(0x1234, 2, At(5, 3, 18, 0, 0, 0), 7, 0x01, 0, {999, 999}),
        Quendar(0x1234, 2, At(5, 3, 18, 0, 0, 0), 13, 0x01, 2, {100, 200}),
        Quendar(0x1234, 2, At(5, 3, 18, 2, 0, 0), 7, 0x01, 1, {2150})},
       {"00001234\tTemperature", "date\t" + kDeg, "05/03/18 02:00:00\t21.5"}}};
  for (const auto& [records, lines] : cases) {
    Bench r;
    r.Write("Q.pdc", Cat(records));
    ASSERT_EQ(r.Make({"Q.pdc"}), MakeResult::kDone);
    EXPECT_EQ(r.Read(), JoinLines(lines));
    EXPECT_EQ(r.ui.status, "Quendar file - Done");
  }
}

}  // namespace
}  // namespace vid::testing
