// The length word of a block record: plain (the energy format, or blocks without time stamps) or
// flagged, counting the payload whole (12 + the blocks) or one byte short (11 + the blocks), with
// or without a partial last block. Each record is followed by another that must read in step.
#include <gtest/gtest.h>

#include "convert/converter.h"
#include "harness.h"
#include "logger_records.h"

namespace vid::testing {
namespace {

struct LengthCase {
  const char* what;
  uint16_t format;
  bool stamps;
  bool flagged;
  int counted;     // the fields the length word counts: 12, or 11 for one byte short
  size_t partial;  // bytes of a partial last block (with a plain word, fewer than a block less
                   // one: that many reads as a whole block counted one byte short)
};

// One module of one word per block; with time stamps, each block's stamp is zero.
Record Blocks(bool stamps, std::initializer_list<uint16_t> words, size_t partial) {
  fx::Bytes b;
  for (uint16_t w : words) {
    if (stamps) b.fill(6, 0);
    b.le16(w);
  }
  return b.fill(partial, fx::kFiller).bytes;
}

Record BlockRecord(const LengthCase& c, const Record& blocks) {
  const auto length = static_cast<uint16_t>((c.flagged ? 0x8000 : 0) | (c.counted + blocks.size()));
  return fx::PdcRecord(fx::kPdcBlockSection, fx::kPdcPage,
                       fx::PdcBlockPayload(1, c.stamps ? 1 : 255, c.format, blocks), length);
}

TEST(BlockLength, EveryLengthWordReadsTheWholeBlocksAndTheNextRecordInStep) {
  const LengthCase cases[] = {
      {"plain, whole", 3, true, false, 12, 0},
      {"plain, one short", 3, true, false, 11, 0},
      {"no stamps, whole", 3, false, false, 12, 0},
      {"no stamps, one short", 3, false, false, 11, 0},
      {"plain, partial block", 3, true, false, 12, 5},
      {"flagged, whole", 0, true, true, 12, 0},
      {"flagged, partial block", 0, true, true, 12, 7},
  };
  fx::TempDir dir;
  for (const LengthCase& c : cases) {
    SCOPED_TRACE(c.what);
    const LengthCase next{"", c.format, c.stamps, c.flagged, 12, 0};
    ASSERT_TRUE(
        fx::WriteFile(dir.file("B.pdc"), Cat({BlockRecord(c, Blocks(c.stamps, {11, 22}, c.partial)),
                                              BlockRecord(next, Blocks(c.stamps, {33}, 0))})));
    Request request;
    request.inputs = {dir.file("B.pdc")};
    const Result r = Convert(request);
    ASSERT_EQ(r.outcome, Outcome::kCompleted) << r.Status();
    // The energy format writes the word, the sensor format the humidity it stands for.
    const char* cells[2][3] = {{"11.0", "22.0", "33.0"}, {"-1.6", "-1.2", "-0.8"}};
    std::string rows;
    for (const char* cell : cells[c.format == 3 ? 0 : 1]) {
      rows += std::string("00/00/00 00:00:00\t") + cell + "\r\n";
    }
    const size_t second_line = r.text.find("\r\n", r.text.find("\r\n") + 2);
    ASSERT_NE(second_line, std::string::npos);
    EXPECT_EQ(r.text.substr(second_line + 2), rows);
  }
}

}  // namespace
}  // namespace vid::testing
