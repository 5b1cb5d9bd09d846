// Concentrator dumps laid out by the fixture writer and converted by Make. Every expected text
// was worked out by hand from the record layouts and the formulas of doc/formats.md.
#include <gtest/gtest.h>

#include "harness.h"

namespace vid::testing {
namespace {

using fx::BcdStamp;
using fx::CentralRecord;
using fx::ModuleRecord;
using fx::QualityRecord;
constexpr std::array<uint16_t, 3> kFull = {0x8000, 0x8000, 0x8000};  // 214.0 V over 32 samples

fx::Bytes Dump(const fx::DumpCentral& c, const std::vector<fx::DumpModule>& modules,
               std::vector<std::vector<uint8_t>> columns) {
  return fx::BuildDump(c, modules, {.columns = std::move(columns)}).bytes;
}
std::string Head(const std::string& sn, const std::string& name) {
  return JoinLines({sn + "\tVolts\tVolts\tVolts\t", name + "\tPh 1\tPh 2\tPh 3\t"});
}

// An 'f' unit with a scaled module, a module of the serial family 0x18xx (whose stored scale of
// 0 reads as 1:1) and a module of kind-coded channels: divisors by kind, empty, unsigned and
// signed cells. Phase 3 of the second row, 8.4 V, is shown as 0.
fx::Bytes SiteA() {
  fx::DumpModule m1{.sn = 1234567, .scale = {1, 1, 1, 10, 1, 100, 1, 200, 3, 7, 2, 1}, .type = 6};
  m1.channel_names = {"C1", "", "abcdefghijklmnop", "C4", "C5", "C6"};
  fx::DumpModule m2{.sn = 24 * 256 + 5, .scale = {}};
  m2.channel_names = {"K1", "K2", "K3", "K4", "K5", "K6"};
  fx::DumpModule m3{.sn = 0x20001, .type = 254, .kinds = {0, 0x80, 6, 9, 7, 4}};
  m3.params[4] = {22, 0};
  return Dump(
      {.name = "Site A", .sn = 0x1A2B, .end_addr = 36, .type = 'f'}, {m1, m2, m3},
      {Cat({CentralRecord(BcdStamp(18, 3, 5, 14, 30, 0), {0x8000, 0x4000, 100}, 32),
            CentralRecord(BcdStamp(18, 3, 5, 14, 40, 0), {0x8000, 0x8000, 100}, 63),
            CentralRecord(BcdStamp(18, 3, 5, 14, 50, 0), kFull, 0)}),
       Cat({ModuleRecord({1, 1234, 1234, 1234, 1, -1}), ModuleRecord({2, -5, 0, 0, 0, 0}),
            ModuleRecord({})}),
       Cat({ModuleRecord({1, 2, -1, 0, 32767, -32768}), ModuleRecord({}), ModuleRecord({})}),
       Cat({ModuleRecord({1234, -1, -1, 600, 5, 0x7FFF}),
            ModuleRecord({0x7FFE, -32768, 0, 0, 0, 0}), ModuleRecord({})})});
}

TEST(Multichannel, ScalesFormatsAndSuppressesSmallValuesOrCodesCellsByKind) {
  Bench r;
  EXPECT_EQ(r.Make(SiteA()), MakeResult::kDone);
  const std::string zeros = Repeat("\t0", 6) + "\t0.0\t0\t0\t0.0\t0\t0.0";
  EXPECT_EQ(
      r.Read(),
      JoinLines({"00001A2B\tVolts\tVolts\tVolts\t" + Repeat("0012D687\t", 6) +
                     Repeat("00001805\t", 6) + Repeat("00020001\t", 6),
                 "Site A\tPh 1\tPh 2\tPh 3\tC1\t\tabcdefghijklmnop\tC4\tC5\tC6\tK1\tK2\tK3\tK4\tK5"
                 "\tK6" +
                     Repeat("\t", 7),
                 "05/03/18 14:30:00\t214.0\t151.4\t11.8\t0\t123.4\t12.3\t6.17\t0.4\t-2"
                 "\t1\t2\t-1\t0\t32767\t-32768\t12.3\t65535\t-1\t10.0\t5\t",
                 "05/03/18 14:40:00\t152.5\t152.5\t0.0\t2\t-0.5\t0.0\t0.00\t0.0\t0" +
                     Repeat("\t0", 6) + "\t\t\t0\t0.0\t0\t0.0",
                 "05/03/18 14:50:00\t0.0\t0.0\t0.0\t0\t0.0\t0.0\t0.00\t0.0\t0" + zeros}));
  EXPECT_EQ(r.ui.statuses, (std::vector<std::string>{"...Processing...", "Done..."}));
  EXPECT_EQ(r.ui.progress, (std::vector<std::string>{"33%", "67%", "100%"}));
}

// The downtime of a row without samples: its stored ticks, or else the span since the row before
// corrected by the count of the next record and the ticks of the latest outage marker. Each case:
// rows of (stamp, samples, quality record); the downtime shown in the row without samples.
TEST(Multichannel, DowntimeChainsToThePreviousRowAndTheNextCount) {
  using Row = std::tuple<std::array<uint8_t, 6>, uint8_t, std::vector<uint8_t>>;
  const auto normal = QualityRecord({0x4000, 0x4000, 0x4000}, {}, {}, 0),
             down = QualityRecord({}, {}, {}, 0);
  const auto marker = QualityRecord({0xFFC0, 0, 0xFFC0}, {}, {}, 0);  // 65472 ticks: 11.17 s
  auto at = [](int minute, int second) { return BcdStamp(18, 2, 1, 10, minute, second); };
  const std::pair<std::vector<Row>, const char*> cases[] = {
      {{{at(0, 0), 0, down}}, "0.00"},  // no row before
      {{{at(0, 0), 32, normal}, {at(5, 0), 0, QualityRecord({0, 0, 11718}, {}, {}, 0)}},
       "2.00"},  // 11712 ticks stored: 11712 / 5859
      {{{BcdStamp(0, 2, 29, 23, 59, 0), 32, normal}, {BcdStamp(0, 3, 1, 0, 0, 0), 0, down}},
       "61.00"},  // 2000 was a leap year
      {{{BcdStamp(18, 2, 31, 0, 0, 0), 32, normal}, {at(0, 0), 0, down}}, "0.00"},  // no such date
      // Every two-digit year is 20xx: New Year's night 2030 is a minute, not a century back.
      {{{BcdStamp(29, 12, 31, 23, 59, 0), 32, normal}, {BcdStamp(30, 1, 1, 0, 0, 0), 0, down}},
       "61.00"},
      // A correction larger than the span leaves the span.
      {{{at(9, 50), 32, marker}, {at(9, 55), 32, normal}, {at(10, 0), 0, down}}, "5.00"},
      {{{at(0, 0), 32, normal},
        {at(1, 0), 0, down},
        {at(2, 0), 32, QualityRecord({0x4000, 0x4000, 0x4000}, {}, {}, 62)}},
       "59.65"}};  // 60 + 1 - 128 x 62 / 5859
  for (const auto& [rows, downtime] : cases) {
    std::vector<std::vector<uint8_t>> central, quality;
    for (const auto& [at, samples, q] : rows) {
      central.push_back(CentralRecord(at, kFull, samples));
      quality.push_back(q);
    }
    Bench r;
    r.shell.options.skip_date_check = true;  // the date check takes years up to 23 only
    const auto end = static_cast<uint32_t>(12 * rows.size());
    ASSERT_EQ(r.Make(Dump({.end_addr = end, .type = 'g'}, {}, {Cat(central), Cat(quality)})),
              MakeResult::kDone);
    const std::string text = r.Read();
    const size_t row = text.find(":00\t0.0\t0.0\t0.0\t");  // the row without samples
    const std::string line = text.substr(row, text.find("\r\n", row) - row);
    EXPECT_EQ(line.substr(line.rfind('\t') + 1), downtime);
  }
}

// A wrapped memory with the write position at 24: records 4 to the last come first, then
// records 1 and 2; record 3, just above the write position, is not written. An 'f' unit's
// memory is 516100 bytes, the others' 245760.
TEST(Multichannel, WrappedMemoryWritesTheOlderPartFirst) {
  for (const auto& [type, size] : {std::pair{'r', 245760}, std::pair{'f', 516100}}) {
    const int last = size / 12;
    std::vector<uint8_t> memory(size, 0);
    const std::pair<int, std::array<uint8_t, 6>> records[] = {
        {1, BcdStamp(18, 6, 2, 0, 0, 0)},
        {2, BcdStamp(18, 6, 2, 0, 10, 0)},
        {3, BcdStamp(18, 5, 1, 0, 0, 0)},
        {4, BcdStamp(18, 5, 1, 0, 10, 0)},
        {last, BcdStamp(18, 6, 1, 23, 50, 0)}};
    for (const auto& [record, stamp] : records) {
      const auto rec = CentralRecord(stamp, kFull, 32);
      std::copy(rec.begin(), rec.end(), memory.begin() + 12 * (record - 1));
    }
    Bench r;
    ASSERT_EQ(
        r.Make(Dump({.name = "R", .sn = 3, .end_addr = 24, .wrap = 1, .type = type}, {}, {memory})),
        MakeResult::kDone);
    const std::string v = "\t214.0\t214.0\t214.0\r\n";
    EXPECT_TRUE(r.Read() == Head("00000003", "R") + "01/05/18 00:10:00" + v +
                                Repeat("00/00/00 00:00:00\t0.0\t0.0\t0.0\r\n", last - 5) +
                                "01/06/18 23:50:00" + v + "02/06/18 00:00:00" + v +
                                "02/06/18 00:10:00" + v)
        << type;
    // One step per percent of the older part; the newer part never passes the 100 shown.
    EXPECT_EQ(r.ui.progress.size(), 100u) << type;
  }
}

// A record whose year byte is 0x24 is not a time stamp: the scan moves on one byte at a time and
// is back in step one record later. The write position still counts four records, so the fourth
// row comes from an empty table row, with nothing of the conversion before. Without the date
// check the record is taken as it is.
TEST(Multichannel, DamagedTimeStampIsSkippedByteByByteAndNothingEarlierRemains) {
  const std::array<uint16_t, 3> filler = {0xAAFC, 0xAAFC, 0xAAFC};  // never a valid stamp
  const fx::Bytes dump = Dump({.name = "D", .sn = 4, .end_addr = 48, .type = 'f'}, {},
                              {Cat({CentralRecord(BcdStamp(18, 3, 5, 14, 0, 0), filler, 0),
                                    CentralRecord({0x24, 0x03, 0x05, 0x14, 0x30, 0x00}, filler, 0),
                                    CentralRecord(BcdStamp(18, 3, 5, 14, 10, 0), filler, 0),
                                    CentralRecord(BcdStamp(18, 3, 5, 14, 20, 0), filler, 0)})});
  const std::string z = "\t0.0\t0.0\t0.0";
  Bench r;
  ASSERT_EQ(r.Make(SiteA()), MakeResult::kDone);
  ASSERT_EQ(r.Make(dump), MakeResult::kDone);
  EXPECT_EQ(r.Read(),
            Head("00000004", "D") + JoinLines({"05/03/18 14:00:00" + z, "05/03/18 14:10:00" + z,
                                               "05/03/18 14:20:00" + z, "00/00/00 00:00:00" + z}));
  r.shell.options.skip_date_check = true;
  ASSERT_EQ(r.Make(dump), MakeResult::kDone);
  EXPECT_EQ(r.Read(),
            Head("00000004", "D") + JoinLines({"05/03/18 14:00:00" + z, "05/03/24 14:30:00" + z,
                                               "05/03/18 14:10:00" + z, "05/03/18 14:20:00" + z}));
}

// An old 'd' unit writes 38-byte module records without channel names. The file ends two bytes
// into the second module record: the missing bytes read as zero and the status says so.
TEST(Multichannel, OldUnitsShortFileReportsMissingDataAndConvertsWhatItHas) {
  fx::DumpModule m{.sn = 6};
  m.channel_names = {"X", "X", "X", "X", "X", "X"};  // not written for a 'd' unit
  fx::Bytes dump =
      Dump({.name = "T", .sn = 5, .end_addr = 24, .type = 'd'}, {m},
           {Cat({CentralRecord(BcdStamp(19, 12, 31, 23, 59, 59), {}, 0),
                 CentralRecord(BcdStamp(18, 1, 1, 0, 1, 0), {}, 0)}),
            Cat({ModuleRecord({7, 7, 7, 7, 7, 7}), ModuleRecord({8, 8, 8, 8, 8, 8})})});
  dump.resize(dump.size() - 1024 + 14);
  Bench r;
  ASSERT_EQ(r.Make(dump), MakeResult::kDone);
  EXPECT_EQ(r.ui.statuses,
            (std::vector<std::string>{"...Processing...", "Error detected in file : Missing data",
                                      "Done..."}));
  EXPECT_EQ(r.Read(),
            JoinLines({"00000005\tVolts\tVolts\tVolts\t" + Repeat("00000006\t", 6),
                       "T\tPh 1\tPh 2\tPh 3\tVoie 1\tVoie 2\tVoie 3\tVoie 4\tVoie 5\tVoie 6\t",
                       "31/12/19 23:59:59\t0.0\t0.0\t0.0\t7\t7\t7\t7\t7\t7",
                       "01/01/18 00:01:00\t0.0\t0.0\t0.0\t8\t0\t0\t0\t0\t0"}));
}

}  // namespace
}  // namespace vid::testing
