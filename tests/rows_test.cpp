// The record decoders and row writers on tables filled directly.
#include <gtest/gtest.h>

#include <cmath>

#include "app/session.h"
#include "fixture_writer.h"
#include "multichannel/Lit_viduravare.h"
#include "test_ui.h"

namespace vid {
namespace {

class RowsTest : public ::testing::Test {
 protected:
  RowsTest() : s(ui) { s.shell.OutFile.OpenMemory(); }

  void SetRecord(const std::vector<uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), s.multi.RecBytes);
  }
  // The cells of the last row behind its time stamp.
  std::string Cells() const { return s.shell.OutLine.substr(17); }

  testing::TestUi ui;
  Session s;
};

TEST_F(RowsTest, PhaseVoltageFromSumAndSampleCount) {
  auto volts = [&](uint16_t sum, uint8_t count) {
    SetRecord(fx::CentralRecord({}, {sum, sum, sum}, count));
    return PhaseVrms(s.multi, 2);
  };
  EXPECT_EQ(volts(0x8000, 32), 214.0);
  EXPECT_EQ(s.multi.SampleCount, 32);
  EXPECT_EQ(volts(0x4000, 63), 107.9);
  EXPECT_EQ(volts(100, 63), 0);  // 8.4 V is reported as 0
  EXPECT_EQ(volts(0x8000, 0), 0);
  EXPECT_EQ(s.multi.SampleCount, 0);
}

TEST_F(RowsTest, QualityRecordVoltages) {
  s.multi.SampleCount = 32;
  SetRecord(fx::QualityRecord({0x4000, 0x4000, 0x4000}, {0x8000, 0xFFFF, 0}, {0x9000, 0, 0}, 5));
  DecodeQualityRecord(s.multi, s.rec, 1);
  EXPECT_EQ(s.rec.QualVrms(1, 1), 303.3);
  EXPECT_DOUBLE_EQ(s.rec.QualUmin(1, 1), 1.182 * std::sqrt(256.0 * 0x80));
  EXPECT_EQ(s.rec.QualUmin(1, 2), 0);  // the empty pattern
  EXPECT_EQ(s.rec.QualUmax(1, 1), 1.182 * 192);
  EXPECT_EQ(s.rec.QualDowntime(1), 5);

  s.multi.SampleCount = 0;
  SetRecord(fx::QualityRecord({0x4000, 0x4000, 0x0FC0}, {}, {}, 5));
  DecodeQualityRecord(s.multi, s.rec, 2);
  EXPECT_EQ(s.rec.QualVrms(2, 1), 0);
  EXPECT_EQ(s.rec.QualVrms(2, 3), 4032);
  EXPECT_EQ(s.rec.QualDowntime(2), 63);
}

TEST_F(RowsTest, KindCodedCellsAreEmptyUnsignedOrSigned) {
  s.cfg.ModuleCount = 1;
  s.cfg.ModuleType[1] = 254;
  s.cfg.ModuleSN[1] = 1;
  s.cfg.ChannelKind[1] = {0, 0x80, 6, 0x92, 0, 0, 0};
  for (int i = 1; i <= 12; ++i) s.cfg.ChannelScale[1][i] = 1;
  s.rec.RawSample(1) = {};
  auto& raw = s.rec.RawSample(1);
  raw[0] = -1;
  raw[1] = -1;
  raw[2] = 0x7FFF;
  raw[3] = static_cast<int16_t>(0x8000);
  raw[4] = 0x7FFE;
  raw[5] = 1;
  ASSERT_TRUE(MultiWriteRow(s, 1));
  EXPECT_EQ(Cells(), "\t0.0\t0.0\t0.0\t65535\t-1\t\t\t\t1");
}

TEST_F(RowsTest, DowntimeChainsToThePreviousRowAndTheNextCount) {
  s.cfg.CentralTypeG = true;
  s.rec.StampPart(1) = fx::BcdStamp(18, 2, 1, 10, 5, 0);
  s.rec.QualDowntime(1) = 63;
  s.rec.QualDowntime(2) = 10;
  s.multi.PrevStamp = "01/02/18 10:00:00";
  s.multi.OutageTicks = 4000;
  ASSERT_TRUE(MultiWriteRow(s, 1));
  EXPECT_EQ(s.shell.OutLine.substr(s.shell.OutLine.rfind('\t')), "\t300.10");
  EXPECT_EQ(s.multi.PrevStamp, "01/02/18 10:05:00");

  // A correction larger than the span falls back to the span alone.
  s.multi.PrevStamp = "01/02/18 10:04:50";
  s.multi.OutageTicks = 100000;
  ASSERT_TRUE(MultiWriteRow(s, 1));
  EXPECT_EQ(s.shell.OutLine.substr(s.shell.OutLine.rfind('\t')), "\t10.00");

  // No valid previous date: 0.
  for (const char* prev : {"", "00/02/18 10:00:00", "31/02/18 10:00:00", "01/13/18 10:00:00"}) {
    s.multi.PrevStamp = prev;
    ASSERT_TRUE(MultiWriteRow(s, 1));
    EXPECT_EQ(s.shell.OutLine.substr(s.shell.OutLine.rfind('\t')), "\t0.00") << prev;
  }
}

TEST_F(RowsTest, DowntimeBeyondTheLastTableRowStops) {
  s.cfg.CentralTypeG = true;
  s.rec.StampPart(100000) = fx::BcdStamp(18, 2, 1, 10, 5, 0);
  s.rec.QualDowntime(100000) = 63;
  s.multi.PrevStamp = "01/02/18 10:00:00";
  EXPECT_FALSE(MultiWriteRow(s, 100000));
  EXPECT_TRUE(s.stopped);
  EXPECT_FALSE(MultiWriteRow(s, 100001));
  EXPECT_FALSE(BlockWriteRow(s, 0));
}

TEST(StampText, TwoDigitYearsAndCalendarValidity) {
  double a = 0, b = 0;
  ASSERT_TRUE(StampTextToDays("29/02/00 00:00:00", a));  // 2000 was a leap year
  ASSERT_TRUE(StampTextToDays("01/03/00 00:00:00", b));
  EXPECT_EQ(b - a, 1);
  ASSERT_TRUE(StampTextToDays("01/01/30 00:00:00", a));  // 1930
  ASSERT_TRUE(StampTextToDays("01/01/29 12:00:00", b));  // 2029
  EXPECT_GT(b, a);
  EXPECT_FALSE(StampTextToDays("29/02/30 00:00:00", a));
  EXPECT_FALSE(StampTextToDays("1A/02/18 00:00:00", a));
  EXPECT_FALSE(StampTextToDays("01/02/18 24:00:00", a));
  EXPECT_FALSE(StampTextToDays("01/02/18", a));
}

// Block records: the channel table is filled as the logger reader would.
class BlockTest : public RowsTest {
 protected:
  void Setup(uint8_t modules, uint8_t words, int16_t format, int records) {
    s.log.BlockMode = true;
    s.log.BlockModules = modules;
    s.log.BlockWords = words;
    s.log.BlockFormat = format;
    s.shell.PdcMode = true;
    s.cfg.DataLimit = records * 2 * words;
    s.cfg.CentralSN = 0x42;
    s.cfg.CentralName = "Logger";
    s.opts.copyclip = false;
  }
  void Stamp(int record, std::array<uint8_t, 6> st) {
    s.PageBuf.Store(1 + (record - 1) * 2 * s.log.BlockWords, 0, st.data(), 6);
  }
  void Word(int record, int module, int word, int16_t v) {
    const int64_t n = 1 + (record - 1) * 2 * s.log.BlockWords + 2 * word;
    s.PageBuf.Set(n, module, static_cast<uint8_t>(v & 0xFF));
    s.PageBuf.Set(n + 1, module, static_cast<uint8_t>((v >> 8) & 0xFF));
  }
};

TEST_F(BlockTest, FormatOneScalesByColumn) {
  Setup(2, 16, 1, 1);
  Stamp(1, fx::BcdStamp(18, 4, 9, 8, 0, 0));
  for (int m = 1; m <= 2; ++m) {
    for (int w = 0; w < 16; ++w) Word(1, m, w, 250);
  }
  Word(1, 1, 3, 0x7FFE);
  Word(1, 2, 15, 0x7FFF);
  ASSERT_TRUE(ConvertRecords(s));
  std::string want = "00000042\t\r\nLogger\t\r\n09/04/18 08:00:00";
  const char* cells[32] = {"25.0",  "25.0",  "25.0", "",     "25.0",  "25.0",  "250.0", "250.0",
                           "250.0", "250.0", "25.0", "25.0", "1.0",   "1.0",   "1.0",   "1.0",
                           "1.0",   "1.0",   "1.0",  "1.0",  "1.0",   "1.0",   "1.0",   "1.0",
                           "1.0",   "1.0",   "1.0",  "1.0",  "250.0", "250.0", "250.0", "128.0"};
  for (const char* c : cells) want += std::string("\t") + c;
  want += "\r\n";
  EXPECT_EQ(s.shell.OutFile.Text(), want);
  EXPECT_EQ(ui.status, "Done...");
}

TEST_F(BlockTest, FormatZeroAppliesTheSensorFormulasAndRawBeyondNine) {
  Setup(1, 10, 0, 1);
  Stamp(1, fx::BcdStamp(18, 4, 9, 8, 0, 0));
  const int16_t words[10] = {1000, 6000, 2000, 0, 0, -1, 0, 500, 1000, 77};
  for (int w = 0; w < 10; ++w) Word(1, 1, w, words[w]);
  ASSERT_TRUE(ConvertRecords(s));
  EXPECT_EQ(s.shell.OutFile.Text(),
            "00000042\t\r\nLogger\t\r\n09/04/18 08:00:00\t33.1\t20.4\t65.0\t-39.6\t-2.0\t-39.6"
            "\t96.9\t25.9\t-27.6\t77.0\r\n");
}

TEST_F(BlockTest, EnergyFormatHeadersAndChannelNamesInTheLastUnitCell) {
  Setup(1, 9, 3, 1);
  s.cfg.ModuleCount = 1;
  s.cfg.ChannelName[1] = {"", "a", "b", "c", "d", "e", "f"};
  Stamp(1, fx::BcdStamp(18, 4, 9, 8, 0, 0));
  for (int w = 0; w < 9; ++w) Word(1, 1, w, static_cast<int16_t>(w - 4));
  ASSERT_TRUE(ConvertRecords(s));
  EXPECT_EQ(s.shell.OutFile.Text(),
            "00000042\tDiff1\tDiff2\tIinst\tindex1\tindex1\tindex1\tindex2\tindex2\tindex2\r\n"
            "Logger\tWh\tWh\tA\tMWh\tkWh\tWh\tMWh\tkWh\tWha\tb\tc\td\te\tf\t\r\n"
            "09/04/18 08:00:00\t-4.0\t-3.0\t-2.0\t-1.0\t0.0\t1.0\t2.0\t3.0\t4.0\r\n");
}

TEST_F(BlockTest, BlocksWithoutTimeStampAreDecodedWhateverTheirBytes) {
  Setup(1, 3, 2, 2);
  s.log.NoBlockStamp = true;
  for (int r = 1; r <= 2; ++r) {
    for (int w = 0; w < 3; ++w) Word(r, 1, w, static_cast<int16_t>(10 * r + w));
    Word(r, 0, 0, static_cast<int16_t>(0xFFFF));  // not a valid stamp byte
  }
  ASSERT_TRUE(ConvertRecords(s));
  EXPECT_EQ(s.shell.OutFile.Text(),
            "00000042\t\r\nLogger\t\r\n"
            "00/FF/FF 00:00:00\t10.0\t11.0\t12.0\r\n"
            "00/FF/FF 00:00:00\t20.0\t21.0\t22.0\r\n");
}

TEST_F(BlockTest, BlocksOfNoWordsStopInsteadOfLooping) {
  Setup(2, 0, 2, 1);
  s.cfg.DataLimit = 12;
  EXPECT_FALSE(ConvertRecords(s));
  EXPECT_NE(ui.status.find("without words"), std::string::npos) << ui.status;
}

TEST_F(RowsTest, ModuleSlotThatNoReaderFilledDoesNotDivideByZero) {
  s.cfg.ModuleCount = 1;
  s.cfg.ModuleType[1] = 6;
  s.cfg.ModuleSN[1] = 24 * 256;
  s.cfg.ChannelScale[1] = {0, 1, 0, 0, 0};  // channel 1 multiplier 1, divisor 0
  s.rec.RawSample(1)[0] = 1234;
  ASSERT_TRUE(MultiWriteRow(s, 1));
  EXPECT_EQ(Cells(), "\t0.0\t0.0\t0.0\t1234\t0\t0\t0\t0\t0");
}

TEST_F(BlockTest, MoreWordsThanTheSampleTableStops) {
  Setup(10, 16, 2, 1);
  EXPECT_FALSE(ConvertRecords(s));
  EXPECT_TRUE(s.stopped);
  EXPECT_EQ(s.shell.OutFile.Text(), "");
}

}  // namespace
}  // namespace vid
