// Every bundled sample converted by the command-line program (kSampleCases, cli_runner.h),
// compared byte for byte with the expected text committed in tests/expected/. A failure gives the
// sizes and the first line that differs.
//
// A changed byte here is a fault until shown otherwise. Only when the output is meant to change,
// regenerate the expected files with scripts/regenerate-expected.sh, which runs this test with
// VIDURAVARE_REGENERATE_EXPECTED=1: then each conversion is written over its expected file
// instead of being compared. Read the difference before committing it, and give the reason for
// the change in the commit message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "cli_runner.h"

namespace vid::testing {
namespace {

TEST(SampleOutputs, MatchTheExpectedTextByteForByte) {
  const std::string folder = std::string(VIDURAVARE_SOURCE) + "/tests/expected";
  const bool regenerate = std::getenv("VIDURAVARE_REGENERATE_EXPECTED") != nullptr;
  fx::TempDir dir;
  std::set<std::string> names;
  for (const SampleCase& c : kSampleCases) {
    names.insert(c.expected);
    const std::string out = regenerate ? folder + "/" + c.expected : dir.file("out.txt");
    const Outcome r = ConvertSample(dir, c, "-o '" + out + "'");
    ASSERT_EQ(r.code, 0) << c.expected << ": " << r.err;
    if (!regenerate) {
      EXPECT_TRUE(SameText(ReadText(out), Expected(c.expected))) << c.expected;
    }
  }
  EXPECT_EQ(FilesIn(folder), names) << "every expected file has its case and every case its file";
}

}  // namespace
}  // namespace vid::testing
