// Mini-channel dumps laid out record by record and converted by Make into mini1.txt; the
// expected texts are worked out by hand from the record layout and the cell formats.
#include <gtest/gtest.h>

#include "harness.h"

namespace vid::testing {
namespace {

using fx::MiniData;
using fx::MiniStamp;
using Record = std::vector<uint8_t>;

const std::string kHead3 =
    "Date\t\tVolt\t\t\tWatt\t\t\tAmp\t\t\r\n\tP1\tP2\tP3\tP1\tP2\tP3\tP1\tP2\tP3\r\n";
const std::string kNoTypes = "Date\t\r\n\r\n";
const std::string kMissing = "Error detected in file : Missing data";
constexpr size_t kMemory = 540672;  // a whole wrapped memory

// `size` zero bytes (data records of zeros) with records put at the given addresses.
Record Place(size_t size, std::initializer_list<std::pair<size_t, Record>> at) {
  Record out(size, 0);
  for (const auto& [addr, rec] : at) std::copy(rec.begin(), rec.end(), out.begin() + addr);
  return out;
}

// A time stamp with mask 0x07 and its three records: k volts, k watts, k amperes per phase at a
// scale of 1 / 1. RowK gives its row.
Record Group(int day, int hour, int minute, int16_t k) {
  return Cat({MiniStamp(0x07, 18, 3, day, hour, minute, 0), MiniData(64 * k, 64 * k, 64 * k),
              MiniData(k, k, k), MiniData(256 * k, 256 * k, 256 * k)});
}
std::string RowK(const std::string& date, int k) {
  const std::string v = std::to_string(k);
  return date + Repeat("\t" + v + ".0", 3) + Repeat("\t" + v, 3) + Repeat("\t" + v + ".000", 3) +
         "\r\n";
}

fx::Bytes Mini(int32_t end_addr, bool wrapped, const Record& memory, int16_t mult = 1,
               int16_t div = 1) {
  const auto page = static_cast<int16_t>(end_addr / 264), at = static_cast<int16_t>(end_addr % 264);
  const std::array<uint8_t, 2> wrap = {wrapped, 0};
  return fx::BuildMiniDump({"Mini", 0x1A2B, page, at, wrap, 0, mult, div}, memory).bytes;
}

// Converts in `r` and returns mini1.txt; a conversion must end with "Done...".
std::string Convert(Bench& r, const fx::Bytes& dump) {
  r.ui.statuses.clear();
  EXPECT_EQ(r.Make(dump, "m.pdb"), MakeResult::kDone) << r.ui.status;
  EXPECT_EQ(r.ui.status, "Done...");
  return r.Read("mini1.txt");
}
std::string Convert(const fx::Bytes& dump) {
  Bench r;
  return Convert(r, dump);
}

TEST(Minichannel, TimeStampsTakeTheirDataRecordsAndOtherRecordsAreSkipped) {
  const Record seven =
      Cat({{0x7F, 0x07, 0x48, 0xCB, 0x17, 0x8A},  // 05/03/18 17:30:10
           {0x7F, 0x06, 0x00, 0x40, 0xFF, 0x38},  // not a time stamp: 32518, 64, -200
           MiniData(1500, 1001, -7),
           MiniData(2560, 128, -384),
           MiniStamp(0x07, 18, 12, 31, 23, 59, 58),
           MiniData(14720, 14745, 14700),
           MiniData(0, 2, -2),
           MiniData(256, 0, -1)});
  // Powers r x 3 / 2, currents r / 256 x 3 / 2.
  EXPECT_EQ(Convert(Mini(48, false, seven, 3, 2)),
            kHead3 +
                "05/03/18 17:30:10\t508.1\t1.0\t-3.1\t2250\t1502\t-11\t15.000\t0.750\t-2.250\r\n"
                "31/12/18 23:59:58\t230.0\t230.4\t229.7\t0\t3\t-3\t1.500\t0.000\t-0.006\r\n");
}

TEST(Minichannel, ScaledCellsRoundHalfAwayFromZeroAndHandleNegativeScales) {
  struct Case {
    int16_t mult, div;
    Record volts, watts, amps;
    const char* cells;
  } cases[] = {{1, 1, MiniData(-32768, 32767, -200), MiniData(-32768, 32767, -1),
                MiniData(-32768, 32767, -1),
                "\t-512.0\t512.0\t-3.1\t-32768\t32767\t-1\t-128.000\t127.996\t-0.004"},
               // The power's product is taken in full: -32768 x -3 = 98304.
               {-3, 2, MiniData(0, 0, 0), MiniData(-32768, 100, 1), MiniData(-32768, 0, 1),
                "\t0.0\t0.0\t0.0\t49152\t-150\t-2\t192.000\t0.000\t-0.006"},
               // Ties: 16 / 64 = 0.25, 125 / 250 = 0.5, 32 / 256 / 250 = 0.0005.
               {1, 250, MiniData(16, -16, -3), MiniData(125, -375, 1000), MiniData(32, -32, 1),
                "\t0.3\t-0.3\t0.0\t1\t-2\t4\t0.001\t-0.001\t0.000"},
               // A divisor of 0 leaves the power and current cells empty.
               {5, 0, MiniData(64, 128, 192), MiniData(1, 1, 1), MiniData(1, 1, 1),
                "\t1.0\t2.0\t3.0\t\t\t\t\t\t"}};
  for (const Case& c : cases) {
    const Record memory = Cat({MiniStamp(0x07, 18, 3, 5, 0, 0, 0), c.volts, c.watts, c.amps});
    EXPECT_EQ(Convert(Mini(24, false, memory, c.mult, c.div)),
              kHead3 + "05/03/18 00:00:00" + c.cells + "\r\n");
  }
}

// The write pointer splits a wrapped memory: the older part above it comes first, and the time
// stamp at the pointer belongs to the newer part. Without wrap the memory ends at the pointer;
// at 0 the time stamp there is read all the same, its data records are not.
TEST(Minichannel, WrappedMemoryWritesTheOlderPartAboveTheWritePointerFirst) {
  const Record middle = Place(kMemory, {{0, Group(6, 0, 0, 3)},
                                        {24, Group(6, 0, 10, 4)},
                                        {48, MiniData(9, 9, 9)},
                                        {105600, Group(5, 12, 0, 1)},
                                        {kMemory - 24, Group(5, 23, 50, 2)}});
  const Record below = Place(kMemory, {{0, MiniData(640, 640, 640)},
                                       {30, Group(5, 1, 0, 5)},
                                       {3168, Group(5, 2, 0, 6)},
                                       {kMemory - 24, Group(5, 3, 0, 7)}});
  const std::string a = RowK("05/03/18 12:00:00", 1), b = RowK("05/03/18 23:50:00", 2),
                    c = RowK("06/03/18 00:00:00", 3), d = RowK("06/03/18 00:10:00", 4);
  const std::tuple<int32_t, bool, const Record*, std::string> cases[] = {
      {24, true, &middle, a + b + c + d},
      {23, true, &middle, d + a + b + c},
      {24, false, &middle, c},
      {0, false, &middle,
       "06/03/18 00:00:00" + Repeat("\t0.0", 3) + Repeat("\t0", 3) + Repeat("\t0.000", 3) +
           "\r\n"},       // the pointer at 0
      {12, true, &below,  // the pointer below the first time stamp: scan order
       RowK("05/03/18 01:00:00", 5) + RowK("05/03/18 02:00:00", 6) + RowK("05/03/18 03:00:00", 7)}};
  for (const auto& [end, wrapped, memory, rows] : cases) {
    EXPECT_EQ(Convert(Mini(end, wrapped, *memory)), kHead3 + rows) << end << wrapped;
  }
}

// A file that ends early reads its missing bytes as zero and says so, also when the write
// pointer lies far beyond the file; nothing of the conversion before shows in their place.
TEST(Minichannel, ShortFileReadsMissingBytesAsZeroAndSaysSo) {
  const Record memory = Cat({Group(5, 9, 0, 2), MiniStamp(0x07, 18, 3, 5, 9, 15, 0),
                             MiniData(14720, 14720, 14720), MiniData(1, 1, 1), MiniData(1, 1, 1)});
  Bench r;
  for (int32_t end : {48, 32767 * 264 + 263}) {
    fx::Bytes file = Mini(end, false, memory);
    file.resize(file.size() - fx::kMiniBlockSize + 32);  // two bytes into the voltage record
    Convert(r, Mini(48, false, Cat({Group(5, 9, 0, 9), Group(5, 9, 15, 99)})));
    EXPECT_EQ(Convert(r, file), kHead3 + RowK("05/03/18 09:00:00", 2) +
                                    "05/03/18 09:15:00\t230.0\t0.0\t0.0\t0\t0\t0\t0.000\t0.000"
                                    "\t0.000\r\n");
    EXPECT_EQ(r.ui.statuses, (std::vector<std::string>{"...Processing...", kMissing, "Done..."}));
  }
}

// The most a conversion takes; one more stops it (BadFiles.ConversionThatStopsLeavesNoOutput...).
TEST(Minichannel, HundredThousandTimeStampsAreConverted) {
  Record stamps;
  for (int i = 0; i < 100000; ++i) {
    const Record st = MiniStamp(0x07, 18, 3, 5, 0, 0, i % 60);
    stamps.insert(stamps.end(), st.begin(), st.end());
  }
  const std::string full = Convert(Mini(600000, false, stamps));
  EXPECT_EQ(std::count(full.begin(), full.end(), '\n'), 100002);
  EXPECT_EQ(full.substr(full.size() - 57, 19), "\r\n05/03/18 00:00:39");
}

}  // namespace
}  // namespace vid::testing
