// Every bundled sample converted by the command-line program, compared byte for byte with the
// expected text committed in tests/expected/. A changed byte here is a deliberate change: the
// expected file is regenerated and the reason goes into the commit message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "harness.h"

namespace vid {
namespace {

// The expected file under tests/expected, and the inputs and options of `convert` (names
// relative to samples/).
constexpr std::pair<const char*, const char*> kCases[] = {
    {"atelier_nord.txt", "atelier_nord.pdb --decimal-separator ."},
    {"atelier_nord_comma.txt", "atelier_nord.pdb --decimal-separator ,"},
    {"mini_site.txt", "mini_site.pdb --decimal-separator ."},
    {"entrepot.txt",
     "--header entrepot_header.pdc entrepot_01.pdc entrepot_02.pdc --decimal-separator ."},
    {"compteur_blocs.txt", "compteur_blocs.pdc --decimal-separator ."},
    {"quendar_chambre.txt", "quendar_chambre.pdc --decimal-separator ."}};

TEST(SampleOutputs, MatchTheExpectedTextByteForByte) {
  fx::TempDir dir;
  for (const auto& [expected, args] : kCases) {
    const std::string out = dir.file(expected);
    const std::string cmd = std::string("cd '") + VIDURAVARE_SAMPLES + "' && '" + VIDURAVARE_CLI +
                            "' convert " + args + " -o '" + out + "' 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << expected;
    EXPECT_TRUE(testing::ReadText(out) ==
                testing::ReadText(std::string(VIDURAVARE_SOURCE) + "/tests/expected/" + expected))
        << expected << " differs";
  }
}

}  // namespace
}  // namespace vid
