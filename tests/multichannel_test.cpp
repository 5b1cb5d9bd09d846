// End-to-end conversions of concentrator dumps. Every expected text below was worked out by
// hand from the record layouts and the formulas, not by running the converter.
#include <gtest/gtest.h>

#include "convert_helpers.h"
#include "fixture_writer.h"
#include "multichannel/Lit_viduravare.h"

namespace vid {
namespace {

using fx::BcdStamp;
using fx::CentralRecord;
using fx::ModuleRecord;
using fx::QualityRecord;
using testing::Bench;

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::string Lines(std::initializer_list<std::string> lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// An 'f' unit with an ordinary module and a module whose serial number / 256 is 24.
fx::Dump SiteA() {
  fx::DumpCentral c{.name = "Site A", .sn = 0x1A2B, .end_addr = 36, .type = 'f'};
  fx::DumpModule m1{.sn = 1234567, .scale = {1, 1, 1, 10, 1, 100, 1, 200, 3, 7, 2, 1}, .type = 6};
  m1.channel_names = {"C1", "C2", "C3", "C4", "C5", "C6"};
  fx::DumpModule m2{.sn = 24 * 256 + 5, .type = 6};
  m2.channel_names = {"K1", "K2", "K3", "K4", "K5", "K6"};
  fx::DumpLayout layout;
  layout.columns = {
      Join({CentralRecord(BcdStamp(18, 3, 5, 14, 30, 0), {0x8000, 0x4000, 100}, 32),
            CentralRecord(BcdStamp(18, 3, 5, 14, 40, 0), {0x8000, 0x8000, 0x8000}, 63),
            CentralRecord(BcdStamp(18, 3, 5, 14, 50, 0), {0x8000, 0x8000, 0x8000}, 0)}),
      Join({ModuleRecord({1, 1234, 1234, 1234, 1, -1}), ModuleRecord({2, -5, 0, 0, 0, 0}),
            ModuleRecord({0, 0, 0, 0, 0, 0})}),
      Join({ModuleRecord({1, 2, -1, 0, 32767, -32768}), ModuleRecord({0, 0, 0, 0, 0, 0}),
            ModuleRecord({0, 0, 0, 0, 0, 0})}),
  };
  return fx::BuildDump(c, {m1, m2}, layout);
}

const std::string kSiteAText = Lines({
    "00001A2B\tVolts\tVolts\tVolts\t" + Repeat("0012D687\t", 6) + Repeat("00001805\t", 6),
    "Site A\tPh 1\tPh 2\tPh 3\tC1\tC2\tC3\tC4\tC5\tC6\tK1\tK2\tK3\tK4\tK5\tK6\t",
    "05/03/18 14:30:00\t214.0\t151.4\t11.8\t0\t123.4\t12.3\t6.17\t0.4\t-2"
    "\t1\t2\t-1\t0\t32767\t-32768",
    "05/03/18 14:40:00\t152.5\t152.5\t152.5\t2\t-0.5\t0.0\t0.00\t0.0\t0\t0\t0\t0\t0\t0\t0",
    "05/03/18 14:50:00\t0.0\t0.0\t0.0\t0\t0.0\t0.0\t0.00\t0.0\t0\t0\t0\t0\t0\t0\t0",
});

TEST(MultichannelConversion, OrdinaryModulesAreScaledFormattedAndSmallValuesSuppressed) {
  Bench b;
  EXPECT_EQ(b.Make(SiteA().bytes), MakeResult::kDone);
  EXPECT_EQ(b.Output(), kSiteAText);
  EXPECT_EQ(b.ui.status, "Done...");
  EXPECT_EQ(b.ui.progress, (std::vector<std::string>{"33%", "67%", "100%"}));
  EXPECT_EQ(b.ui.statuses.front(), "...Processing...");
  EXPECT_EQ(b.ui.clipboard_ops, 0);
}

TEST(MultichannelConversion, ClipboardHoldsExactlyTheFileText) {
  Bench b;
  b.session.ctx.opts.copyclip = true;
  ASSERT_EQ(b.Make(SiteA().bytes), MakeResult::kDone);
  EXPECT_EQ(b.ui.clipboard, kSiteAText);
}

TEST(MultichannelConversion, DecimalSeparatorComesFromTheOptions) {
  Bench b;
  b.session.ctx.opts.decimal_sep = ',';
  ASSERT_EQ(b.Make(SiteA().bytes), MakeResult::kDone);
  std::string want = kSiteAText;
  for (size_t i = want.find("\r\n") + 2; i < want.size(); ++i) {
    if (want[i] == '.' && i > 0 && want[i - 1] >= '0' && want[i - 1] <= '9') want[i] = ',';
  }
  EXPECT_EQ(b.Output(), want);
}

TEST(MultichannelConversion, SerialNumberNameAndReplacingAnEarlierFile) {
  Bench b;
  b.session.ctx.opts.check_txt_name = true;
  fx::WriteFile(b.dir.file("00001A2B.txt"), fx::Bytes().text("old", 3));
  ASSERT_EQ(b.Make(SiteA().bytes), MakeResult::kDone);
  EXPECT_EQ(b.Output("00001A2B.txt"), kSiteAText);
  EXPECT_FALSE(testing::Exists(b.dir.file("mv1.txt")));
}

// A 'g' unit: quality columns, an outage marker and the downtime chain, a kind-coded module.
TEST(MultichannelConversion, QualityChannelOutageMarkerAndDowntime) {
  fx::DumpCentral c{.name = "Site G", .sn = 0xFEDCBA98, .end_addr = 60, .type = 'g'};
  fx::DumpModule m{.sn = 0x00020001, .type = 254};
  m.channel_names = {"T1", "T2", "T3", "T4", "T5", "T6"};
  m.kinds = {0, 0x80, 6, 9, 7, 4};
  m.params = {{{0, 0}, {0, 0}, {0, 0}, {0, 0}, {22, 0}, {0, 0}}};
  const std::array<uint16_t, 3> lo = {0x8000, 0x8000, 0x8000}, hi = {0x9000, 0x9000, 0x9000};
  const std::array<uint16_t, 3> full = {0x8000, 0x8000, 0x8000};
  fx::DumpLayout layout;
  layout.columns = {
      Join({CentralRecord(BcdStamp(18, 2, 1, 10, 0, 0), full, 32),
            CentralRecord(BcdStamp(18, 2, 1, 10, 5, 0), full, 32),
            CentralRecord(BcdStamp(18, 2, 1, 10, 10, 0), full, 0),
            CentralRecord(BcdStamp(18, 2, 1, 10, 15, 0), full, 32),
            CentralRecord(BcdStamp(18, 2, 1, 10, 20, 0), full, 0)}),
      Join({QualityRecord({0x4000, 0x4000, 0x4000}, lo, hi, 0),
            QualityRecord({0xFFC0, 0x4000, 0x0FC0}, lo, hi, 0),  // outage marker, 4032 ticks
            QualityRecord({0, 0, 0}, lo, hi, 0),
            QualityRecord({0x4000, 0x4000, 0x4000}, lo, hi, 10),
            QualityRecord({0, 0, 11718}, lo, hi, 0)}),  // 11712 ticks stored
      Join({ModuleRecord({1234, -1, -1, 600, 5, 0x7FFF}), ModuleRecord({0, 0, 0, 0, 0, 0}),
            ModuleRecord({0, 0, 0, 0, 0, 0}), ModuleRecord({0, 0, 0, 0, 0, 0}),
            ModuleRecord({0, 0, 0, 0, 0, 0})}),
  };
  Bench b;
  ASSERT_EQ(b.Make(fx::BuildDump(c, {m}, layout).bytes), MakeResult::kDone);
  const std::string q = "\t214.0\t214.0\t214.0\t226.9\t226.9\t226.9";
  const std::string zero_module = "\t0.0\t0\t0\t0.0\t0\t0.0";
  EXPECT_EQ(
      b.Output(),
      Lines({
          "FEDCBA98\tVolts\tVolts\tVolts\t" + Repeat("Volts\t", 9) + "s\t" +
              Repeat("00020001\t", 6),
          "Site G\tPh 1\tPh 2\tPh 3\tVrms1\tVrms2\tVrms3\tUmin1\tUmin2\tUmin3\tUmax1\tUmax2"
          "\tUmax3\tDowntime\tT1\tT2\tT3\tT4\tT5\tT6\t",
          "01/02/18 10:00:00\t214.0\t214.0\t214.0\t303.3\t303.3\t303.3" + q +
              "\t0.00\t12.3\t65535\t-1\t10.0\t5\t",
          "01/02/18 10:05:00\t214.0\t214.0\t214.0\t0.0\t0.0\t0.0" + q + "\t0.00" + zero_module,
          // 300 s since the previous row + 1 + (-128 x 10 - 4032) / 5859
          "01/02/18 10:10:00\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0" + q + "\t300.09" + zero_module,
          "01/02/18 10:15:00\t214.0\t214.0\t214.0\t303.3\t303.3\t303.3" + q + "\t0.00" +
              zero_module,
          // 11712 / 5859
          "01/02/18 10:20:00\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0" + q + "\t2.00" + zero_module,
      }));
}

TEST(MultichannelConversion, OldCentralTypeLabelsChannelsByNumber) {
  fx::DumpCentral c{.name = "Vieux", .sn = 1, .end_addr = 12, .type = 'd'};
  fx::DumpModule m{.sn = 2};
  fx::DumpLayout layout;
  layout.columns = {CentralRecord(BcdStamp(19, 12, 31, 23, 59, 59), {0, 0, 0}, 0),
                    ModuleRecord({10, 20, 30, 40, 50, 60})};
  Bench b;
  ASSERT_EQ(b.Make(fx::BuildDump(c, {m}, layout).bytes), MakeResult::kDone);
  EXPECT_EQ(b.Output(),
            Lines({
                "00000001\tVolts\tVolts\tVolts\t" + Repeat("00000002\t", 6),
                "Vieux\tPh 1\tPh 2\tPh 3\tVoie 1\tVoie 2\tVoie 3\tVoie 4\tVoie 5\tVoie 6\t",
                "31/12/19 23:59:59\t0.0\t0.0\t0.0\t10\t20\t30\t40\t50\t60",
            }));
}

// A wrapped 'r' memory of 245760 bytes with the write position at 24: records 4 to 20480 come
// first, then records 1 and 2; record 3, just above the write position, is not written.
TEST(MultichannelConversion, WrappedMemoryWritesTheOlderPartFirstAndSkipsOneRecord) {
  std::vector<uint8_t> memory(245760, 0);
  auto put = [&](int record, std::vector<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), memory.begin() + 12 * (record - 1));
  };
  put(1, CentralRecord(BcdStamp(18, 6, 2, 0, 0, 0), {0x8000, 0x8000, 0x8000}, 32));
  put(2, CentralRecord(BcdStamp(18, 6, 2, 0, 10, 0), {0x8000, 0x8000, 0x8000}, 32));
  put(3, CentralRecord(BcdStamp(18, 5, 1, 0, 0, 0), {0x8000, 0x8000, 0x8000}, 32));
  put(4, CentralRecord(BcdStamp(18, 5, 1, 0, 10, 0), {0x8000, 0x8000, 0x8000}, 32));
  put(20480, CentralRecord(BcdStamp(18, 6, 1, 23, 50, 0), {0x8000, 0x8000, 0x8000}, 32));
  fx::DumpCentral c{.name = "Ring", .sn = 3, .end_addr = 24, .wrap = 1, .type = 'r'};
  fx::DumpLayout layout;
  layout.columns = {memory};
  Bench b;
  ASSERT_EQ(b.Make(fx::BuildDump(c, {}, layout).bytes), MakeResult::kDone);

  std::string want = Lines({"00000003\tVolts\tVolts\tVolts\t", "Ring\tPh 1\tPh 2\tPh 3\t"});
  want += "01/05/18 00:10:00\t214.0\t214.0\t214.0\r\n";
  want += Repeat("00/00/00 00:00:00\t0.0\t0.0\t0.0\r\n", 20480 - 5);
  want += "01/06/18 23:50:00\t214.0\t214.0\t214.0\r\n";
  want += "02/06/18 00:00:00\t214.0\t214.0\t214.0\r\n";
  want += "02/06/18 00:10:00\t214.0\t214.0\t214.0\r\n";
  EXPECT_EQ(b.Output(), want);
  // One step per percent of the older part; the newer part never passes the 100 shown.
  ASSERT_EQ(b.ui.progress.size(), 100u);
  EXPECT_EQ(b.ui.progress.front(), "1% (Part A)");
  EXPECT_EQ(b.ui.progress.back(), "100% (Part A)");
}

// A record whose year byte is 0x24 is not decoded: the scan moves on one byte at a time and is
// back in step one record later. The write position still counts four records, so the fourth
// row comes from an empty table row.
TEST(MultichannelConversion, DamagedTimeStampIsSkippedByteByByte) {
  const std::array<uint16_t, 3> filler = {0xAAFC, 0xAAFC, 0xAAFC};  // never a valid stamp
  std::vector<uint8_t> column =
      Join({CentralRecord(BcdStamp(18, 3, 5, 14, 0, 0), filler, 0),
            CentralRecord({0x24, 0x03, 0x05, 0x14, 0x30, 0x00}, filler, 0),
            CentralRecord(BcdStamp(18, 3, 5, 14, 10, 0), filler, 0),
            CentralRecord(BcdStamp(18, 3, 5, 14, 20, 0), filler, 0)});
  fx::DumpCentral c{.name = "D", .sn = 4, .end_addr = 48, .type = 'f'};
  fx::DumpLayout layout;
  layout.columns = {column};
  const std::string head = Lines({"00000004\tVolts\tVolts\tVolts\t", "D\tPh 1\tPh 2\tPh 3\t"});
  const std::string zeros = "\t0.0\t0.0\t0.0";

  Bench b;
  ASSERT_EQ(b.Make(fx::BuildDump(c, {}, layout).bytes), MakeResult::kDone);
  EXPECT_EQ(b.Output(), head + Lines({"05/03/18 14:00:00" + zeros, "05/03/18 14:10:00" + zeros,
                                      "05/03/18 14:20:00" + zeros, "00/00/00 00:00:00" + zeros}));

  b.session.ctx.opts.datetimecheck = true;
  ASSERT_EQ(b.Make(fx::BuildDump(c, {}, layout).bytes), MakeResult::kDone);
  EXPECT_EQ(b.Output(), head + Lines({"05/03/18 14:00:00" + zeros, "05/03/24 14:30:00" + zeros,
                                      "05/03/18 14:10:00" + zeros, "05/03/18 14:20:00" + zeros}));
}

TEST(MultichannelConversion, TruncatedDumpReportsMissingDataAndConvertsWhatItHas) {
  fx::DumpCentral c{.name = "T", .sn = 5, .end_addr = 24, .type = 'f'};
  fx::DumpModule m{.sn = 6};
  m.channel_names = {"a", "b", "c", "d", "e", "f"};
  fx::DumpLayout layout;
  layout.columns = {Join({CentralRecord(BcdStamp(18, 1, 1, 0, 0, 0), {0, 0, 0}, 0),
                          CentralRecord(BcdStamp(18, 1, 1, 0, 1, 0), {0, 0, 0}, 0)}),
                    Join({ModuleRecord({7, 7, 7, 7, 7, 7}), ModuleRecord({8, 8, 8, 8, 8, 8})})};
  fx::Dump dump = fx::BuildDump(c, {m}, layout);
  // Cut the module page after its first record and two bytes of the second.
  dump.bytes.resize(dump.rec_addr[dump.first_page_entry + 1] + 14);
  Bench b;
  ASSERT_EQ(b.Make(dump.bytes), MakeResult::kDone);
  EXPECT_NE(std::find(b.ui.statuses.begin(), b.ui.statuses.end(),
                      "Error detected in file : Missing data"),
            b.ui.statuses.end());
  EXPECT_EQ(b.ui.status, "Done...");
  EXPECT_EQ(b.Output(), Lines({"00000005\tVolts\tVolts\tVolts\t" + Repeat("00000006\t", 6),
                               "T\tPh 1\tPh 2\tPh 3\ta\tb\tc\td\te\tf\t",
                               "01/01/18 00:00:00\t0.0\t0.0\t0.0\t7\t7\t7\t7\t7\t7",
                               "01/01/18 00:01:00\t0.0\t0.0\t0.0\t8\t0\t0\t0\t0\t0"}));
}

TEST(MultichannelConversion, TooManyModulesStopsAndLeavesTheEarlierFileIntact) {
  std::vector<fx::DumpModule> modules(26);
  fx::DumpLayout layout;
  layout.columns = {std::vector<uint8_t>(12, 0)};
  Bench b;
  fx::WriteFile(b.dir.file("mv1.txt"), fx::Bytes().text("earlier", 7));
  EXPECT_EQ(b.Make(fx::BuildDump({.end_addr = 12, .type = 'f'}, modules, layout).bytes),
            MakeResult::kStopped);
  EXPECT_NE(b.ui.status.find("26 modules"), std::string::npos) << b.ui.status;
  EXPECT_EQ(b.Output(), "earlier");
  EXPECT_FALSE(b.session.shell.Busy);
}

TEST(MultichannelConversion, DataSizeBeyondTheChannelTableStops) {
  fx::DumpLayout layout;
  layout.columns = {std::vector<uint8_t>(1200000, 0)};
  Bench b;
  EXPECT_EQ(b.Make(fx::BuildDump({.end_addr = 1200001, .type = 'f'}, {}, layout).bytes),
            MakeResult::kStopped);
  EXPECT_NE(b.ui.status.find("data size 1200001"), std::string::npos) << b.ui.status;
  EXPECT_FALSE(testing::Exists(b.dir.file("mv1.txt")));
  // The limit itself converts: 100000 erased records.
  EXPECT_EQ(b.Make(fx::BuildDump({.end_addr = 1200000, .type = 'f'}, {}, layout).bytes),
            MakeResult::kDone);
  const std::string text = b.Output();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 100002);
}

TEST(MultichannelConversion, AddressTableTooShortForTheDataStops) {
  fx::DumpLayout layout;
  layout.columns = {std::vector<uint8_t>(12, 0)};
  Bench b;
  // One page listed, 200000 bytes expected: every byte past the table moves to a next page.
  EXPECT_EQ(b.Make(fx::BuildDump({.end_addr = 200000, .type = 'f'}, {}, layout).bytes),
            MakeResult::kStopped);
  EXPECT_NE(b.ui.status.find("page number 100001"), std::string::npos) << b.ui.status;
}

TEST(MultichannelConversion, MakeWhileBusyDoesNothing) {
  Bench b;
  b.session.shell.Busy = true;
  fx::WriteFile(b.dir.file("d.pdb"), SiteA().bytes);
  b.form.File1.file_name = "d.pdb";
  EXPECT_EQ(b.form.BMake_Click(), MakeResult::kBusy);
  EXPECT_TRUE(b.session.shell.Busy);
  EXPECT_TRUE(b.ui.statuses.empty());
}

TEST(MultichannelConversion, NothingOfAnEarlierConversionReachesTheNext) {
  Bench b;
  // A long dump first, then one whose write position counts one record more than it holds.
  ASSERT_EQ(b.Make(SiteA().bytes), MakeResult::kDone);
  fx::DumpLayout layout;
  layout.columns = {CentralRecord(BcdStamp(18, 1, 1, 0, 0, 0), {0, 0, 0}, 0)};
  ASSERT_EQ(
      b.Make(fx::BuildDump({.name = "N", .sn = 9, .end_addr = 24, .type = 'f'}, {}, layout).bytes),
      MakeResult::kDone);
  EXPECT_EQ(b.Output(),
            Lines({"00000009\tVolts\tVolts\tVolts\t", "N\tPh 1\tPh 2\tPh 3\t",
                   "01/01/18 00:00:00\t0.0\t0.0\t0.0", "00/00/00 00:00:00\t0.0\t0.0\t0.0"}));
}

TEST(HeaderPreview, ShowsSerialNumberAndName) {
  Bench b;
  fx::WriteFile(b.dir.file("a.pdb"), SiteA().bytes);
  b.form.File1.file_name = "a.pdb";
  b.form.File1_Click();
  EXPECT_EQ(b.ui.status, "Concentrator SN: 00001A2B - Site A");
  EXPECT_EQ(b.form.Text2, b.dir.file("a.pdb"));
  EXPECT_EQ(b.form.Text1, "");
  EXPECT_FALSE(b.session.shell.Busy);
}

TEST(HeaderPreview, EmptyNameGivesTheDataFileForm) {
  Bench b;
  fx::DumpLayout layout;
  layout.columns = {std::vector<uint8_t>(12, 0)};
  fx::WriteFile(b.dir.file("a.pdb"), fx::BuildDump({.sn = 0xABC, .type = 'f'}, {}, layout).bytes);
  b.form.File1.file_name = "a.pdb";
  b.form.File1_Click();
  EXPECT_EQ(b.ui.status, "Concentrator SN: 00000ABC - data file, starting address: 0");
}

TEST(HeaderPreview, FileThatCannotBeOpenedFillsLastError) {
  Bench b;
  b.form.File1.file_name = "gone.pdb";
  b.form.File1_Click();
  EXPECT_NE(b.form.Text1.find("No such file"), std::string::npos) << b.form.Text1;
  EXPECT_TRUE(b.ui.statuses.empty());
  EXPECT_FALSE(b.session.shell.Busy);
}

}  // namespace
}  // namespace vid
