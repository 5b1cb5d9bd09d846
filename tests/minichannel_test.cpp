// Mini-channel dumps laid out record by record and converted whole; the expected texts are worked
// out by hand from the record layout and the cell formats.
#include "minichannel/Lit_minivoies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/form1.h"
#include "fixture_writer.h"
#include "samples.h"
#include "test_ui.h"

namespace vid {
namespace {

using fx::MiniData;
using fx::MiniStamp;
using Record = std::vector<uint8_t>;
using testing::TestUi;

const std::string kHead3 =
    "Date\t\tVolt\t\t\tWatt\t\t\tAmp\t\t\r\n"
    "\tP1\tP2\tP3\tP1\tP2\tP3\tP1\tP2\tP3\r\n";
const std::string kHead5 =
    "Date\t\tVolt\t\t\tWatt\t\t\tAmp\t\t\tVar\t\t\txx\t\t\r\n"
    "\tP1\tP2\tP3\tP1\tP2\tP3\tP1\tP2\tP3\r\n";
const std::string kNoTypes = "Date\t\r\n\r\n";
const char kMissing[] = "Error detected in file : Missing data";
constexpr size_t kMemory = 540672;  // a whole wrapped memory

std::vector<uint8_t> Cat(std::initializer_list<Record> records) {
  std::vector<uint8_t> out;
  for (const Record& r : records) out.insert(out.end(), r.begin(), r.end());
  return out;
}

// `size` zero bytes (data records of zeros) with records put at the given addresses.
std::vector<uint8_t> Place(size_t size, std::initializer_list<std::pair<size_t, Record>> at) {
  std::vector<uint8_t> out(size, 0);
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
  return date + "\t" + v + ".0\t" + v + ".0\t" + v + ".0\t" + v + "\t" + v + "\t" + v + "\t" + v +
         ".000\t" + v + ".000\t" + v + ".000\r\n";
}

fx::MiniCentral Central(int32_t end_addr, bool wrapped, int16_t mult = 1, int16_t div = 1) {
  fx::MiniCentral c;
  c.name = "Mini";
  c.sn = 0x00001A2B;
  c.page = static_cast<int16_t>(end_addr / 264);
  c.offset = static_cast<int16_t>(end_addr % 264);
  c.wrap_bytes = {static_cast<uint8_t>(wrapped ? 1 : 0), 0};
  c.mult = mult;
  c.div = div;
  return c;
}

struct Result {
  bool ok = false;
  std::string text;
  std::vector<std::string> statuses;
};

// Reads the header and the central record of `file` as Make does, then converts it. `adjust`
// may change the configuration in between.
Result ConvertFile(Session& s, TestUi& ui, const std::vector<uint8_t>& file,
                   const std::function<void(Config&)>& adjust = nullptr) {
  ui.statuses.clear();
  s.shell.InFile.OpenBytes(file);
  entete(s.shell.InFile, s.cfg);
  RecordCentral(s.shell.InFile, s.cfg, ui, true);
  if (adjust) adjust(s.cfg);
  s.ctx.out.file.OpenMemory();
  Result r;
  r.ok = MiniConvert(s.ctx, s.shell.InFile, s.cfg, s.tables.rec);
  r.text = s.ctx.out.file.Text();
  r.statuses = ui.statuses;
  return r;
}

Result Convert(const fx::MiniCentral& c, const std::vector<uint8_t>& memory, char sep = '.') {
  TestUi ui;
  ui.pauses = false;
  Session s(ui);
  s.ctx.opts.decimal_sep = sep;
  return ConvertFile(s, ui, fx::BuildMiniDump(c, memory).bytes.bytes);
}

const std::vector<std::string> kDone = {"Done..."};

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

TEST(MiniConvert, MaskSevenGivesVoltsWattsAndAmpsPerTimeStamp) {
  const auto memory = Cat({
      {0x7F, 0x07, 0x48, 0xCB, 0x17, 0x8A},  // 05/03/18 17:30:10
      {0x7F, 0x06, 0x00, 0x40, 0xFF, 0x38},  // not a time stamp: 32518, 64, -200
      MiniData(1500, 1001, -7),
      MiniData(2560, 128, -384),
      MiniStamp(0x07, 18, 12, 31, 23, 59, 58),
      MiniData(14720, 14745, 14700),
      MiniData(0, 2, -2),
      MiniData(256, 0, -1),
  });
  // Powers r x 3 / 2, currents r / 256 x 3 / 2.
  const Result r = Convert(Central(48, false, 3, 2), memory);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.text,
            kHead3 +
                "05/03/18 17:30:10\t508.1\t1.0\t-3.1\t2250\t1502\t-11\t15.000\t0.750\t-2.250\r\n"
                "31/12/18 23:59:58\t230.0\t230.4\t229.7\t0\t3\t-3\t1.500\t0.000\t-0.006\r\n");
  EXPECT_EQ(r.statuses, kDone);

  const Result comma = Convert(Central(24, false, 3, 2), memory, ',');
  EXPECT_EQ(
      comma.text,
      kHead3 + "05/03/18 17:30:10\t508,1\t1,0\t-3,1\t2250\t1502\t-11\t15,000\t0,750\t-2,250\r\n");
}

TEST(MiniConvert, MaskFFStoresSevenTypesAndColumnsFollowTheWholeDump) {
  const auto memory = Cat({
      MiniStamp(0xFF, 18, 3, 5, 8, 0, 0), MiniData(64, 128, 192), MiniData(10, 20, 30),
      MiniData(256, 512, 768), MiniData(1, 1, 1),  // types 4 to 7: kept, never written
      MiniData(2, 2, 2), MiniData(3, 3, 3), MiniData(4, 4, 4),
      MiniData(640, 640, 640),  // eighth: no type left
      MiniStamp(0x07, 18, 3, 5, 8, 15, 0), MiniData(6400, 6400, 6400), MiniData(-10, 0, 10),
      MiniData(-256, 0, 256), MiniData(640, 640, 640),  // fourth after 0x07: no type left
  });
  const Result r = Convert(Central(84, false), memory);
  EXPECT_EQ(r.text,
            kHead5 +
                "05/03/18 08:00:00\t1.0\t2.0\t3.0\t10\t20\t30\t1.000\t2.000\t3.000\r\n"
                "05/03/18 08:15:00\t100.0\t100.0\t100.0\t-10\t0\t10\t-1.000\t0.000\t1.000\r\n");
  EXPECT_EQ(r.statuses, kDone);
}

// Runs two conversions in one session: nothing of the first may reach the second, neither its
// masks (records ahead of the first time stamp are skipped) nor the values of its rows (a type
// missing from a time stamp's records reads 0).
TEST(MiniConvert, LeadingDataRecordsAndMissingTypesReadNothingOfAnEarlierFile) {
  TestUi ui;
  ui.pauses = false;
  Session s(ui);
  const auto first =
      Cat({Group(5, 10, 0, 100), MiniStamp(0x07, 18, 3, 5, 10, 15, 0), MiniData(64, 64, 64)});
  Result r = ConvertFile(s, ui, fx::BuildMiniDump(Central(36, false), first).bytes.bytes);
  EXPECT_EQ(r.text, kHead3 + RowK("05/03/18 10:00:00", 100) +
                        "05/03/18 10:15:00\t1.0\t1.0\t1.0\t0\t0\t0\t0.000\t0.000\t0.000\r\n");

  const auto second =
      Cat({MiniData(64, 64, 64), MiniData(128, 128, 128), MiniStamp(0x07, 18, 3, 6, 0, 0, 0),
           MiniData(1280, 1280, 1280), MiniStamp(0x07, 18, 3, 6, 0, 15, 0), MiniData(0, 0, 0),
           MiniData(7, 7, 7), MiniData(0, 0, 0)});
  r = ConvertFile(s, ui, fx::BuildMiniDump(Central(48, false), second).bytes.bytes);
  EXPECT_EQ(r.text, kHead3 +
                        "06/03/18 00:00:00\t20.0\t20.0\t20.0\t0\t0\t0\t0.000\t0.000\t0.000\r\n"
                        "06/03/18 00:15:00\t0.0\t0.0\t0.0\t7\t7\t7\t0.000\t0.000\t0.000\r\n");
}

TEST(MiniConvert, WrappedMemoryWritesTheOlderPartAboveTheWritePointerFirst) {
  // Newer part C, D below the write pointer 48; an old record left at 48; older part A, B.
  const auto middle = Place(kMemory, {{0, Group(6, 0, 0, 3)},
                                      {24, Group(6, 0, 10, 4)},
                                      {48, MiniData(9, 9, 9)},
                                      {105600, Group(5, 12, 0, 1)},
                                      {kMemory - 24, Group(5, 23, 50, 2)}});
  Result r = Convert(Central(48, true), middle);
  EXPECT_EQ(r.text, kHead3 + RowK("05/03/18 12:00:00", 1) + RowK("05/03/18 23:50:00", 2) +
                        RowK("06/03/18 00:00:00", 3) + RowK("06/03/18 00:10:00", 4));
  EXPECT_EQ(r.statuses, kDone);

  // The time stamp at the write pointer belongs to the newer part: it is the last row.
  r = Convert(Central(24, true), middle);
  EXPECT_EQ(r.text, kHead3 + RowK("05/03/18 12:00:00", 1) + RowK("05/03/18 23:50:00", 2) +
                        RowK("06/03/18 00:00:00", 3) + RowK("06/03/18 00:10:00", 4));
  r = Convert(Central(23, true), middle);
  EXPECT_EQ(r.text, kHead3 + RowK("06/03/18 00:10:00", 4) + RowK("05/03/18 12:00:00", 1) +
                        RowK("05/03/18 23:50:00", 2) + RowK("06/03/18 00:00:00", 3));
  // Not wrapped, the memory ends at the write pointer: nothing from 24 up is read.
  r = Convert(Central(24, false), middle);
  EXPECT_EQ(r.text, kHead3 + RowK("06/03/18 00:00:00", 3));

  // The write pointer below the first time stamp: every row in scan order.
  const auto below = Place(kMemory, {{0, MiniData(640, 640, 640)},
                                     {30, Group(5, 1, 0, 5)},
                                     {3168, Group(5, 2, 0, 6)},
                                     {kMemory - 24, Group(5, 3, 0, 7)}});
  r = Convert(Central(12, true), below);
  EXPECT_EQ(r.text, kHead3 + RowK("05/03/18 01:00:00", 5) + RowK("05/03/18 02:00:00", 6) +
                        RowK("05/03/18 03:00:00", 7));
}

TEST(MiniConvert, SmallestMemories) {
  // No time stamp at all: the date title alone, and still "Done...".
  Result r =
      Convert(Central(36, false), Cat({MiniData(1, 2, 3), MiniData(0x7F06, 0x7F07, 0x7FFF)}));
  EXPECT_EQ(r.text, kNoTypes);
  EXPECT_EQ(r.statuses, kDone);

  // A write pointer of 0: the record at address 0 is read all the same, its data records are not.
  const auto one = Group(5, 17, 30, 9);
  r = Convert(Central(0, false), one);
  EXPECT_EQ(r.text, kHead3 + "05/03/18 17:30:00\t0.0\t0.0\t0.0\t0\t0\t0\t0.000\t0.000\t0.000\r\n");
  EXPECT_EQ(r.statuses, kDone);
  r = Convert(Central(0, false), Cat({MiniData(1, 1, 1), one}));
  EXPECT_EQ(r.text, kNoTypes);
}

TEST(MiniConvert, ScaledCellsRoundHalfAwayFromZeroAndHandleNegativeScales) {
  auto row = [](int16_t mult, int16_t div, Record volts, Record watts, Record amps) {
    return Convert(Central(24, false, mult, div),
                   Cat({MiniStamp(0x07, 18, 3, 5, 0, 0, 0), volts, watts, amps}))
        .text.substr(kHead3.size() + 17);
  };
  EXPECT_EQ(row(1, 1, MiniData(-32768, 32767, -200), MiniData(-32768, 32767, -1),
                MiniData(-32768, 32767, -1)),
            "\t-512.0\t512.0\t-3.1\t-32768\t32767\t-1\t-128.000\t127.996\t-0.004\r\n");
  // The power's product is taken in full: -32768 x -3 = 98304.
  EXPECT_EQ(row(-3, 2, MiniData(0, 0, 0), MiniData(-32768, 100, 1), MiniData(-32768, 0, 1)),
            "\t0.0\t0.0\t0.0\t49152\t-150\t-2\t192.000\t0.000\t-0.006\r\n");
  // Ties: 16 / 64 = 0.25, 125 / 250 = 0.5, 32 / 256 / 250 = 0.0005.
  EXPECT_EQ(row(1, 250, MiniData(16, -16, -3), MiniData(125, -375, 1000), MiniData(32, -32, 1)),
            "\t0.3\t-0.3\t0.0\t1\t-2\t4\t0.001\t-0.001\t0.000\r\n");
  // A divisor of 0 leaves the power and current cells empty.
  EXPECT_EQ(row(5, 0, MiniData(64, 128, 192), MiniData(1, 1, 1), MiniData(1, 1, 1)),
            "\t1.0\t2.0\t3.0\t\t\t\t\t\t\r\n");
}

TEST(MiniConvert, ShortFileReadsMissingBytesAsZeroAndSaysSo) {
  auto file =
      fx::BuildMiniDump(Central(48, false),
                        Cat({Group(5, 9, 0, 2), MiniStamp(0x07, 18, 3, 5, 9, 15, 0),
                             MiniData(14720, 14720, 14720), MiniData(1, 1, 1), MiniData(1, 1, 1)}));
  // The file ends two bytes into the second time stamp's voltage record.
  file.bytes.resize(file.rec_addr[2] + 32);
  TestUi ui;
  ui.pauses = false;
  Session s(ui);
  const std::string expected =
      kHead3 + RowK("05/03/18 09:00:00", 2) +
      "05/03/18 09:15:00\t230.0\t0.0\t0.0\t0\t0\t0\t0.000\t0.000\t0.000\r\n";
  const std::vector<std::string> missing_then_done = {kMissing, "Done..."};
  Result r = ConvertFile(s, ui, file.bytes.bytes);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.text, expected);
  EXPECT_EQ(r.statuses, missing_then_done);

  // A write pointer far beyond the file, from the central record or from anywhere else, ends the
  // scan at the end of the file.
  file.bytes.patch_be16(file.rec_addr[1] + 24, 32767).patch_be16(file.rec_addr[1] + 26, 32767);
  r = ConvertFile(s, ui, file.bytes.bytes);
  EXPECT_EQ(r.text, expected);
  EXPECT_EQ(r.statuses, missing_then_done);
  r = ConvertFile(s, ui, file.bytes.bytes, [](Config& c) { c.EndAddr = c.DataLimit = INT32_MAX; });
  EXPECT_EQ(r.text, expected);
  EXPECT_EQ(r.statuses, missing_then_done);
  r = ConvertFile(s, ui,
                  fx::BuildMiniDump(Central(0, false), std::vector<uint8_t>(6000)).bytes.bytes,
                  [](Config& c) { c.DataLimit = INT32_MAX; });
  EXPECT_EQ(r.text, kNoTypes);
  EXPECT_EQ(r.statuses, missing_then_done);
}

TEST(MiniConvert, BlocksAreReadAtTheirTableAddresses) {
  // A time stamp in the last record of block 0, its data records in block 1.
  const auto memory = Place(1074, {{1050, Group(5, 6, 45, 8)}});
  const fx::Dump d = fx::BuildMiniDump(Central(1074, false), memory);
  // Put 40 filler bytes in front of each block and move the table entries with them.
  fx::Bytes spread(
      std::vector<uint8_t>(d.bytes.bytes.begin(), d.bytes.bytes.begin() + d.rec_addr[2]));
  for (size_t k = 2; k < d.rec_addr.size(); ++k) {
    spread.fill(40, fx::kFiller);
    spread.patch_be32(fx::DumpEntryOffset(k), static_cast<uint32_t>(spread.size()));
    const auto block = d.bytes.bytes.begin() + d.rec_addr[k];
    spread.raw(std::vector<uint8_t>(block, block + fx::kMiniBlockSize));
  }
  TestUi ui;
  Session s(ui);
  const Result r = ConvertFile(s, ui, spread.bytes);
  EXPECT_EQ(r.text, kHead3 + RowK("05/03/18 06:45:00", 8));
  EXPECT_EQ(r.statuses, kDone);
}

TEST(MiniConvert, AtMost100000TimeStamps) {
  Record stamps;
  for (int i = 0; i <= 100000; ++i) {
    const auto st = MiniStamp(0x07, 18, 3, 5, 0, 0, i % 60);
    stamps.insert(stamps.end(), st.begin(), st.end());
  }
  const Result full = Convert(Central(600000, false), stamps);
  EXPECT_TRUE(full.ok);
  EXPECT_EQ(std::count(full.text.begin(), full.text.end(), '\n'), 100002);
  EXPECT_EQ(full.text.substr(full.text.size() - 57, 19), "\r\n05/03/18 00:00:39");

  // One more time stamp stops the conversion; Make leaves no file and an earlier one intact.
  fx::TempDir dir;
  ASSERT_TRUE(
      fx::WriteFile(dir.file("big.pdb"), fx::BuildMiniDump(Central(600006, false), stamps).bytes));
  ASSERT_TRUE(fx::WriteFile(dir.file("mini1.txt"), std::vector<uint8_t>{'o', 'l', 'd'}));
  TestUi ui;
  Session s(ui);
  Form1 form(s);
  form.ProgramFolder = dir.path();
  form.File1 = {dir.path(), "big.pdb", {"big.pdb"}};
  EXPECT_EQ(form.BMake_Click(), MakeResult::kStopped);
  EXPECT_EQ(ui.status, "Error in file : more than 100000 time stamps, conversion stopped");
  EXPECT_EQ(ReadText(dir.file("mini1.txt")), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

const std::string kSmallText = kHead3 + RowK("05/03/18 17:30:00", 9);

TEST(MiniMake, OutputIsMini1TxtWhateverNameWasAskedFor) {
  fx::TempDir dir;
  ASSERT_TRUE(fx::WriteFile(dir.file("m.pdb"),
                            fx::BuildMiniDump(Central(24, false), Group(5, 17, 30, 9)).bytes));
  TestUi ui;
  Session s(ui);
  s.ctx.opts.check_txt_name = true;
  Form1 form(s);
  form.ProgramFolder = dir.path();
  form.File1 = {dir.path(), "m.pdb", {"m.pdb"}};
  EXPECT_EQ(form.BMake_Click(), MakeResult::kDone);
  EXPECT_EQ(ReadText(dir.file("mini1.txt")), kSmallText);
  EXPECT_FALSE(std::filesystem::exists(dir.file("00001A2B.txt")));
  EXPECT_EQ(ui.status, "Done...");
  EXPECT_EQ(ui.clipboard_ops, 0);

  // The two-name command line too.
  std::filesystem::remove(dir.file("mini1.txt"));
  TestUi ui2;
  Session s2(ui2);
  Form1 form2(s2);
  form2.ProgramFolder = dir.path();
  EXPECT_EQ(form2.Form_Load(dir.file("m.pdb") + " out.txt"), MakeResult::kDone);
  EXPECT_EQ(ReadText(dir.file("mini1.txt")), kSmallText);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.txt")));

  // The command line's -o still names the output exactly.
  form2.OutputPathOverride = dir.file("exact.txt");
  EXPECT_EQ(form2.BMake_Click(), MakeResult::kDone);
  EXPECT_EQ(ReadText(dir.file("exact.txt")), kSmallText);
}

// The committed sample, which must be what the sample generator makes.
std::vector<uint8_t> MiniSampleBytes() {
  const std::string committed = ReadText(std::string(VIDURAVARE_SAMPLES) + "/mini_site.pdb");
  for (const fx::Sample& s : fx::Samples()) {
    if (s.name == "mini_site.pdb") {
      EXPECT_EQ(std::vector<uint8_t>(committed.begin(), committed.end()), s.bytes.bytes)
          << "samples/ is out of date: run make_samples";
    }
  }
  return std::vector<uint8_t>(committed.begin(), committed.end());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

// Every cut of the sample converts; from the first data block on, a cut file gives the rows of
// the whole file up to the cut (its last row may lack values) and reports the missing data.
TEST(MiniConvert, CutOrDamagedSampleNeverFails) {
  const std::vector<uint8_t> sample = MiniSampleBytes();
  ASSERT_FALSE(sample.empty());
  TestUi ui;
  ui.pauses = false;
  Session s(ui);
  const Result whole = ConvertFile(s, ui, sample);
  const std::vector<std::string> all = Lines(whole.text);
  ASSERT_EQ(all.size(), 2u + 96u);
  ASSERT_EQ(whole.statuses, kDone);
  const size_t data_at = s.cfg.RecAddr[2];
  const size_t data_end = data_at + s.cfg.DataLimit;

  for (size_t cut = 0; cut < sample.size(); ++cut) {
    const Result r = ConvertFile(s, ui, std::vector<uint8_t>(sample.begin(), sample.begin() + cut));
    ASSERT_TRUE(r.ok) << cut;
    ASSERT_EQ(r.statuses.empty() ? "" : r.statuses.back(), "Done...") << cut;
    if (cut < data_at) continue;
    EXPECT_EQ(r.statuses.size() == 2 && r.statuses[0] == kMissing, cut < data_end) << cut;
    const std::vector<std::string> lines = Lines(r.text);
    ASSERT_LE(lines.size(), all.size()) << cut;
    if (lines.size() > 2) {
      ASSERT_TRUE(lines[0] == all[0] && lines[1] == all[1]) << cut;
    }
    for (size_t i = 2; i + 1 < lines.size(); ++i) ASSERT_EQ(lines[i], all[i]) << cut;
  }
  for (size_t at = 0; at < sample.size(); ++at) {
    for (uint8_t b : {0x7F, 0xFF}) {
      std::vector<uint8_t> damaged = sample;
      damaged[at] = b;
      ASSERT_TRUE(ConvertFile(s, ui, damaged).ok) << at;
    }
  }
}

}  // namespace
}  // namespace vid
