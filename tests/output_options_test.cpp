// The output options of `convert`: standard output, UTF-8, ISO dates, delimiters and the .xlsx
// workbook, which is read back by scripts/check_xlsx.py when openpyxl is installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "cli_runner.h"

namespace vid::testing {
namespace {

// Each option on a sample, into a file and onto standard output: the same bytes, as many lines
// as the program's text, and the changed part of a line as the option says.
TEST(OutputOptionsTest, EachTextOptionChangesOnlyItsBytes) {
  const std::tuple<std::string, std::string, size_t, std::string> cases[] = {
      {"quendar_chambre.pdc", "--encoding utf-8 --bom", 0, "\uFEFF00051A2B\tTemperature"},
      {"quendar_chambre.pdc", "--encoding utf-8", 1, "date\t\u00B0C\tRH"},
      {"atelier_nord.pdb", "--dates iso", 2, "2018-03-05 00:00:00\t229.0\t231.5"},
      {"mini_site.pdb", "--delimiter ';' --decimal-separator ,", 2,
       "05/03/18 00:00:00;230,0;232,2;227,8;600;678;888;2,607"},
      {"compteur_blocs.pdc", "--delimiter ';'", 0, "20C0A1B2;Diff1;Diff2;Iinst;index1;"},
  };
  fx::TempDir dir;
  for (const auto& [name, options, line, start] : cases) {
    const std::string args = "convert " + SampleArg(name) + " " + options;
    ASSERT_EQ(RunCli(dir, args + " -o out.txt").code, 0) << options;
    const std::vector<std::string> lines = Lines(ReadText(dir.file("out.txt")));
    EXPECT_EQ(RunCli(dir, args + " -o -").out, ReadText(dir.file("out.txt"))) << options;
    EXPECT_EQ(lines.size(), Lines(Expected(name.substr(0, name.size() - 4) + ".txt")).size())
        << options;
    ASSERT_GT(lines.size(), line);
    EXPECT_EQ(lines[line].substr(0, start.size()), start) << options;
  }
  // A stopped conversion writes nothing to standard output.
  EXPECT_EQ(RunCli(dir, "convert none.pdb -o -").out, "");
}

TEST(OutputOptionsTest, WorkbookReadBackMatchesTheText) {
  // A python with openpyxl: the one on the path, else Debian's.
  const std::string python =
      std::system("python3 -c 'import openpyxl' 2>/dev/null") == 0 ? "python3" : "/usr/bin/python3";
  if (std::system((python + " -c 'import openpyxl' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "openpyxl is not installed (python3-openpyxl)";
  }
  // The inputs and options; check_xlsx.py's decimal separator and date style; the sheet's name.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {SampleArg("atelier_nord.pdb"), ".", "Atelier Nord"},
      {SampleArg("mini_site.pdb") + " --decimal-separator ,", ",", "Serre Est"},
      {SampleArg("quendar_chambre.pdc"), ".", "00051A2B"},
      {SampleArg("compteur_blocs.pdc"), ".", "Compteur TGBT"},
      {"--header " + SampleArg("entrepot_header.pdc") + " " + SampleArg("entrepot_01.pdc") + " " +
           SampleArg("entrepot_02.pdc"),
       ".", "20E1A7C5"},
  };
  fx::TempDir dir;
  for (const auto& [inputs, check, sheet] : cases) {
    ASSERT_EQ(RunCli(dir, "convert " + inputs + " -o text.txt").code, 0) << inputs;
    ASSERT_EQ(RunCli(dir, "convert " + inputs + " -o book.xlsx --format xlsx").code, 0) << inputs;
    const std::string cmd = "cd '" + dir.path() + "' && " + python +
                            " '" VIDURAVARE_SOURCE "/scripts/check_xlsx.py' book.xlsx text.txt " +
                            check + " >check 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << ReadText(dir.file("check"));
    EXPECT_NE(ReadText(dir.file("check")).find("sheet '" + sheet + "'"), std::string::npos)
        << ReadText(dir.file("check"));
  }
  // Named after the serial number in the folder given.
  ASSERT_EQ(
      RunCli(dir, "convert " + SampleArg("atelier_nord.pdb") + " --sn-name -o . --format xlsx")
          .code,
      0);
  EXPECT_TRUE(std::filesystem::exists(dir.file("00A1B2C3.xlsx")));
}

}  // namespace
}  // namespace vid::testing
