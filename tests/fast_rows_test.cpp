// The fast row writers: the integer cell formats must give exactly the text of the general
// number formatting they replace, and rows formatted on several threads must come out in order,
// complete, and stop at once when asked to.
#include <gtest/gtest.h>

#include <filesystem>

#include <charconv>
#include <stdexcept>

#include "common/sensor_formulas.h"
#include "common/stamp_text.h"
#include "core/ordered_chunks.h"
#include "fixture_writer.h"
#include "harness.h"
#include "number_text.h"
#include "platform/number_format.h"

namespace vid {
namespace {

using testing::Bench;

std::string Cell(const RatioCell& cell, int32_t n) {
  char text[32];
  return std::string(text, cell.Put(text, n, ','));
}

TEST(FastRows, RatioCellsGiveTheTextOfAppendRatio) {
  const int32_t numerators[] = {0,     1,      -1,       2,         5,           -5,
                                49,    50,     51,       99,        100,         101,
                                12345, -12345, 16711425, -16711425, 255 * 32768, -255 * 32768};
  for (uint32_t div : {1u, 2u, 3u, 7u, 10u, 49u, 64u, 100u, 103u, 200u, 255u, 32767u}) {
    for (int decimals = 0; decimals <= 2; ++decimals) {
      const RatioCell cell(div, decimals);
      for (int32_t n : numerators) {
        std::string expected;
        AppendRatio(expected, n, div, decimals, ',');
        ASSERT_EQ(Cell(cell, n), expected) << n << " / " << div << ", " << decimals;
      }
    }
  }
  // The widest numerators a column can give still divide exactly.
  EXPECT_EQ(Cell(RatioCell(1, 2), 21474836), "21474836,00");
  EXPECT_EQ(Cell(RatioCell(3, 0), -1073741824), "-357913941");
  EXPECT_EQ(Cell(RatioCell(200, 2), -1), "-0,01");  // half away from zero
  EXPECT_EQ(Cell(RatioCell(300, 2), -1), "0,00");   // no sign on a text of zeros
}

TEST(FastRows, IntegerTextsMatchToChars) {
  std::vector<int64_t> values = {0, 4294967295, -4294967296, INT64_MIN, INT64_MAX};
  for (int64_t p = 1; p <= 1000000000; p *= 10) values.insert(values.end(), {p - 1, p, -p});
  for (int64_t v = 0; v < 2000000; v += 7) values.push_back(v);
  for (int64_t v : values) {
    char got[32], want[32];
    const std::string text(got, PutInt(got, v));
    ASSERT_EQ(text, std::string(want, std::to_chars(want, want + 32, v).ptr)) << v;
  }
}

TEST(FastRows, ConstDivisorIsExactWhileNumeratorTimesDivisorStaysBelow2To64) {
  for (uint32_t d : {2u, 3u, 7u, 10u, 641u, 65535u, 2097151u, 4294967295u}) {
    const ConstDivisor div(d);
    const uint64_t limit = ~uint64_t{0} / d;
    for (uint64_t n : {uint64_t{0}, uint64_t{1}, uint64_t{d} - 1, uint64_t{d}, uint64_t{d} + 1,
                       uint64_t{4294967295}, limit / 3, limit - 1, limit}) {
      ASSERT_EQ(div.Divide(n), n / d) << n << " / " << d;
    }
  }
}

TEST(FastRows, StampTextsPutDayMonthYearThenTheTime) {
  // Stored year, month, day, hour, minute, second; a packed-BCD nibble above 9 shows as a letter,
  // a binary part of 100 and more takes three digits.
  const struct {
    std::array<uint8_t, 6> parts;
    const char* bcd;
    const char* dec;
  } cases[] = {
      {{0x18, 0x03, 0x05, 0x14, 0x30, 0x00}, "05/03/18 14:30:00", "05/03/24 20:48:00"},
      {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, "00/00/00 00:00:00", "00/00/00 00:00:00"},
      {{0x1A, 0xFF, 0x9C, 0x23, 0x59, 0x5A}, "9C/FF/1A 23:59:5A", "156/255/26 35:89:90"},
      {{99, 12, 31, 100, 255, 7}, "1F/0C/63 64:FF:07", "31/12/99 100:255:07"},
  };
  for (const auto& c : cases) {
    char text[32];
    EXPECT_EQ(std::string(text, PutBcdStamp(text, c.parts)), c.bcd);
    EXPECT_EQ(std::string(text, PutDecStamp(text, c.parts)), c.dec);
  }
}

// Chunk texts of different lengths, so that a chunk written out of place shows.
void FormatNumbers(int64_t chunk, TextBlock& text) {
  for (int64_t k = 0; k <= chunk % 7; ++k) text.Append(std::to_string(chunk) + ";");
}

TEST(FastRows, ChunksComeOutInOrderOnAnyNumberOfThreads) {
  std::string expected;
  TextBlock all;
  for (int64_t c = 0; c < 500; ++c) FormatNumbers(c, all);
  for (int threads : {1, 2, 3, 8}) {
    std::string got;
    int64_t next = 0;
    const bool ok = FormatInOrder(500, threads, FormatNumbers, [&](int64_t c, const TextBlock& t) {
      EXPECT_EQ(c, next++);
      got.append(t.View());
      return true;
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(got, all.View()) << threads << " threads";
  }
}

TEST(FastRows, AFailedWriteStopsTheChunksAndAFormatErrorReachesTheCaller) {
  int writes = 0;
  EXPECT_FALSE(FormatInOrder(1000, 3, FormatNumbers, [&](int64_t c, const TextBlock&) {
    ++writes;
    return c < 9;
  }));
  EXPECT_EQ(writes, 10);

  auto throwing = [](int64_t c, TextBlock& t) {
    if (c == 40) throw std::runtime_error("format");
    FormatNumbers(c, t);
  };
  int64_t written = 0;
  EXPECT_THROW(
      FormatInOrder(1000, 2, throwing, [&](int64_t, const TextBlock&) { return ++written, true; }),
      std::runtime_error);
  EXPECT_LE(written, 40);
}

// Mini-channel cells against the double formulas they stand for, all over the 16-bit words, for
// scales where the integer path is exact and for scales where the currents fall back to the double.
TEST(FastRows, MiniChannelCellsMatchTheirDoubleFormulasForEveryWord) {
  struct Scale {
    int16_t mult, div;
  };
  for (const Scale sc : {Scale{10, 4}, Scale{1, 1}, Scale{-7, 3}, Scale{3, -5}, Scale{32767, 1},
                         Scale{-32768, -32768}, Scale{255, 7}, Scale{32767, 31111}}) {
    std::vector<uint8_t> memory;
    std::vector<std::array<int16_t, 3>> words;
    for (int w = -32768; w <= 32767; w += 5) {
      const auto p = [&](int k) { return static_cast<int16_t>(w + k); };
      if (p(0) == 0x7F07 || p(0) == 0x7FFF) continue;  // those would read as time stamps
      words.push_back({p(0), p(1), p(2)});
      for (auto part : {fx::MiniStamp(0x07, 18, 3, 5, 17, 30, 10), fx::MiniData(p(0), p(1), p(2)),
                        fx::MiniData(p(0), p(1), p(2)), fx::MiniData(p(0), p(1), p(2))}) {
        memory.insert(memory.end(), part.begin(), part.end());
      }
    }
    fx::MiniCentral central{.page = static_cast<int16_t>(memory.size() / 264),
                            .offset = static_cast<int16_t>(memory.size() % 264),
                            .mult = sc.mult,
                            .div = sc.div};
    Bench b;
    ASSERT_EQ(b.Make(fx::BuildMiniDump(central, memory).bytes), MakeResult::kDone);
    std::string expected = "Date\t\tVolt\t\t\tWatt\t\t\tAmp\t\t\r\n" +
                           std::string("\tP1\tP2\tP3\tP1\tP2\tP3\tP1\tP2\tP3\r\n");
    for (const auto& ws : words) {
      expected += "05/03/18 17:30:10";
      for (int16_t r : ws) (expected += '\t'), AppendFixed(expected, r / 64.0, 1, '.');
      for (int16_t r : ws) {
        expected += '\t';
        AppendFixed(expected, static_cast<double>(r * int64_t{sc.mult}) / sc.div, 0, '.');
      }
      for (int16_t r : ws)
        (expected += '\t'), AppendFixed(expected, r / 256.0 * sc.mult / sc.div, 3, '.');
      expected += "\r\n";
    }
    ASSERT_EQ(b.Read("mini1.txt"), expected) << sc.mult << " / " << sc.div;
  }
}

// An 'f' unit with one module: `records` records with words that change, divisors that drop a
// product of 2 (103) and that keep it (102).
fx::Dump LongDump(int records) {
  fx::DumpCentral c{.name = "Long", .sn = 0x10, .end_addr = uint32_t(12 * records), .type = 'f'};
  fx::DumpModule m{.sn = 0x100, .scale = {1, 103, 1, 102, 2, 103, 1, 103, 1, 1, 1, 1}, .type = 6};
  fx::DumpLayout layout;
  layout.columns.resize(2);
  for (int i = 0; i < records; ++i) {
    const auto stamp = fx::BcdStamp(18, 1 + i / 40000, 1 + i / 1440 % 28, i / 60 % 24, i % 60, 0);
    const auto central = fx::CentralRecord(stamp, {37500, 37800, 37200}, 32);
    const auto words = fx::ModuleRecord({2, 2, 1, -2, 1, static_cast<int16_t>(i)});
    layout.columns[0].insert(layout.columns[0].end(), central.begin(), central.end());
    layout.columns[1].insert(layout.columns[1].end(), words.begin(), words.end());
  }
  return fx::BuildDump(c, {m}, layout);
}

TEST(FastRows, ManyChunksGiveEveryRowOnceTheClipboardTheFileTextAndEveryPercentage) {
  Bench b;
  b.shell.options.copy_to_clipboard = true;
  ASSERT_EQ(b.Make(LongDump(9000).bytes), MakeResult::kDone);
  const std::string text = b.Read();
  EXPECT_EQ(b.ui.clipboard, text);
  ASSERT_EQ(b.ui.progress.size(), 100u);
  EXPECT_EQ(b.ui.progress.back(), "100%");
  size_t lines = 0, at = 0;
  for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2, ++lines) {
    if (lines < 2) continue;
    const int i = static_cast<int>(lines) - 2;
    std::string row = text.substr(at, end - at);
    std::string tail = "\t0.00\t0.02\t0.00\t0.00\t0\t";  // 2/103 drops, 2/102 stays
    tail += std::to_string(i < 2 ? 0 : i);
    ASSERT_EQ(row.substr(row.size() - tail.size()), tail) << "row " << i;
  }
  EXPECT_EQ(lines, 9002u);
}

// Quits after a few progress steps.
class QuitAfter : public testing::TestUi {
 public:
  explicit QuitAfter(int steps) : steps_(steps) {}
  void ProcessEvents() override {
    if (++events > steps_) quit = true;
  }

 private:
  int steps_;
};

TEST(FastRows, QuitStopsAChunkedConversionAtOnceAndLeavesNoFile) {
  fx::TempDir dir;
  QuitAfter ui(5);
  Shell shell(ui);
  shell.output_folder = dir.path();
  fx::WriteFile(dir.file("d.pdb"), LongDump(9000).bytes);
  shell.file_list = {dir.path(), "d.pdb", {"d.pdb"}};
  EXPECT_EQ(shell.Make(), MakeResult::kStopped);
  EXPECT_EQ(ui.status, kStoppedEnding);
  EXPECT_EQ(ui.progress.size(), 5u);  // the step that saw the quit was the last
  EXPECT_FALSE(std::filesystem::exists(dir.file("mv1.txt")));
}

}  // namespace
}  // namespace vid
