// The command-line program, run as a separate process: exit codes (2 for a usage error, 1 when
// nothing was converted and an earlier output stays) and the one-line commands.
#include <gtest/gtest.h>

#include "cli_runner.h"

namespace vid::testing {
namespace {

TEST(Cli, ExitCodesAndOneLineCommands) {
  fx::TempDir dir;
  const std::string s = std::string(VIDURAVARE_SAMPLES) + "/";
  fx::WriteFile(dir.file("out.txt"), std::vector<uint8_t>{'o', 'l', 'd'});
  fx::WriteFile(dir.file("big.pdb"), StoppingDump());
  const std::tuple<std::string, int, std::string> cases[] = {
      {"", 2, ""},
      {"convert " + s + "atelier_nord.pdb", 2, ""},  // no -o
      {"convert --bogus a.pdb -o x.txt", 2, ""},
      {"a.PDB b.txt", 2, ""},                                       // endings are exact
      {"'a.pdb  b.txt'", 2, ""},                                    // two blanks: an empty item
      {"convert " + s + "atelier_nord.pdb --sn-name -o .", 0, ""},  // named 00A1B2C3.txt
      {"convert missing.pdb -o out.txt", 1, ""},
      {"convert big.pdb -o out.txt", 1, ""},
      {"preview " + s + "atelier_nord.pdb", 0, "Concentrator SN: 00A1B2C3 - Atelier Nord\n"},
      {"header " + s + "entrepot_header.pdc", 0, "Central SN: 20E1A7C5 - Header found 2 Modules\n"},
      {"header " + s + "entrepot_01.pdc", 1, "Error in header file\n"},
      {"header " + s + "atelier_nord.pdb", 1, "Only applies to .pdc files\n"}};
  for (const auto& [args, code, out] : cases) {
    const Outcome r = RunCli(dir, args);
    EXPECT_EQ(r.code, code) << args;
    EXPECT_EQ(r.out, out) << args;
  }
  EXPECT_EQ(ReadText(dir.file("out.txt")), "old");
  EXPECT_EQ(ReadText(dir.file("00A1B2C3.txt")).substr(0, 9), "00A1B2C3\t");
}

}  // namespace
}  // namespace vid::testing
