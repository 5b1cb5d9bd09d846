// The length word of a block record: plain (the energy format, or blocks without time stamps) or
// flagged, counting the payload whole (12 + the blocks) or one byte short (11 + the blocks), with
// or without a partial last block. Each record is followed by another that must read in step.
#include <gtest/gtest.h>

#include "convert/converter.h"
#include "harness.h"
#include "logger_records.h"

namespace vid::testing {
namespace {

// A block record of one module of one word per block, each block's time stamp zero; a partial
// last block of filler bytes. With a plain word, a partial block must be shorter than a block
// less one: that many bytes read as a whole block counted one byte short.
Record BlockRecord(uint16_t format, bool stamps, bool flagged, int counted,
                   std::initializer_list<uint16_t> words, size_t partial = 0) {
  fx::Bytes b;
  for (uint16_t w : words) (stamps ? b.fill(6, 0) : b).le16(w);
  b.fill(partial, fx::kFiller);
  const auto length = static_cast<uint16_t>((flagged ? 0x8000 : 0) | (counted + b.size()));
  return fx::PdcRecord(fx::kPdcBlockSection, fx::kPdcPage,
                       fx::PdcBlockPayload(1, stamps ? 1 : 255, format, b.bytes), length);
}

TEST(BlockLength, EveryLengthWordReadsTheWholeBlocksAndTheNextRecordInStep) {
  // What, the format, time stamps, flagged, the fields counted, the partial block's bytes.
  const std::tuple<const char*, uint16_t, bool, bool, int, size_t> cases[] = {
      {"plain, whole", 3, true, false, 12, 0},
      {"plain, one short", 3, true, false, 11, 0},
      {"no stamps, whole", 3, false, false, 12, 0},
      {"no stamps, one short", 3, false, false, 11, 0},
      {"plain, partial", 3, true, false, 12, 5},
      {"flagged, whole", 0, true, true, 12, 0},
      {"flagged, partial", 0, true, true, 12, 7}};
  fx::TempDir dir;
  for (const auto& [what, format, stamps, flagged, counted, partial] : cases) {
    fx::WriteFile(dir.file("B.pdc"),
                  Cat({BlockRecord(format, stamps, flagged, counted, {11, 22}, partial),
                       BlockRecord(format, stamps, flagged, 12, {33})}));
    Request request;
    request.inputs = {dir.file("B.pdc")};
    const Result r = Convert(request);
    ASSERT_EQ(r.outcome, Outcome::kCompleted) << what << r.Status();
    // The energy format writes the word, the sensor format the humidity it stands for.
    std::string rows;
    for (const char* cell :
         format == 3 ? std::vector{"11.0", "22.0", "33.0"} : std::vector{"-1.6", "-1.2", "-0.8"})
      rows += std::string("00/00/00 00:00:00\t") + cell + "\r\n";
    EXPECT_EQ(r.text.substr(r.text.find("\r\n", r.text.find("\r\n") + 2) + 2), rows) << what;
  }
}

}  // namespace
}  // namespace vid::testing
