#include <gtest/gtest.h>

#include "convert_helpers.h"
#include "samples.h"

namespace vid {
namespace {

// The committed sample files are what their description in samples.cpp makes; run
// `build/tests/make_samples samples` after changing it.
TEST(Samples, CommittedFilesMatchTheirDescription) {
  for (const fx::Sample& s : fx::Samples()) {
    const std::string committed = testing::ReadText(std::string(VIDURAVARE_SAMPLES) + "/" + s.name);
    EXPECT_EQ(committed, std::string(s.bytes.bytes.begin(), s.bytes.bytes.end())) << s.name;
  }
}

// Dumps stand alone; the logger files are converted as selections by their own tests.
TEST(Samples, EveryDumpConvertsWithoutAMessage) {
  for (const fx::Sample& s : fx::Samples()) {
    if (s.name.size() < 4 || s.name.substr(s.name.size() - 4) != ".pdb") continue;
    testing::Bench b;
    EXPECT_EQ(b.Make(s.bytes, s.name), MakeResult::kDone) << s.name << ": " << b.ui.status;
    EXPECT_EQ(b.ui.statuses.size(), 2u) << s.name;  // "...Processing..." and the end text
  }
}

}  // namespace
}  // namespace vid
