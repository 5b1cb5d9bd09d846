// The output options of `convert`: standard output, UTF-8, ISO dates, delimiters and the .xlsx
// workbook, which is read back by scripts/check_xlsx.py when openpyxl is installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "cli_runner.h"

namespace vid {
namespace {

using testing::Expected;
using testing::Lines;
using testing::ReadText;
using testing::RunCli;
using testing::SampleArg;

// Each option on a sample, into a file and onto standard output: the same bytes, as many lines
// as the program's text, and the changed part of a line as the option says.
TEST(OutputOptionsTest, EachTextOptionChangesOnlyItsBytes) {
  struct Case {
    const char* sample;
    const char* options;
    size_t line;
    std::string start;  // how that line starts
  };
  const Case cases[] = {
      {"quendar_chambre.pdc", "--encoding utf-8 --bom", 0,
       "\xEF\xBB\xBF"
       "00051A2B\tTemperature"},
      {"quendar_chambre.pdc", "--encoding utf-8", 1,
       "date\t\xC2\xB0"
       "C\tRH"},
      {"quendar_chambre.pdc", "--encoding utf-8", 2, "05/03/18 00:00:00\t17.7\t49.9"},
      {"atelier_nord.pdb", "--dates iso", 1, "Atelier Nord\tPh 1"},
      {"atelier_nord.pdb", "--dates iso", 2, "2018-03-05 00:00:00\t229.0\t231.5"},
      {"mini_site.pdb", "--delimiter , --decimal-separator ,", 2,
       "05/03/18 00:00:00,\"230,0\",\"232,2\",\"227,8\",600,678,888,\"2,607\""},
      {"compteur_blocs.pdc", "--delimiter ';'", 0, "20C0A1B2;Diff1;Diff2;Iinst;index1;"},
  };
  fx::TempDir dir;
  for (const Case& c : cases) {
    const std::string name = c.sample, input = SampleArg(name), out = dir.file("out.txt");
    ASSERT_EQ(RunCli(dir, "convert " + input + " -o '" + out + "' " + c.options).code, 0);
    const std::string text = ReadText(out);
    EXPECT_EQ(RunCli(dir, "convert " + input + " -o - " + c.options).out, text) << c.options;
    const std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(lines.size(), Lines(Expected(name.substr(0, name.size() - 4) + ".txt")).size())
        << c.options;
    ASSERT_GT(lines.size(), c.line);
    EXPECT_EQ(lines[c.line].substr(0, c.start.size()), c.start) << c.options;
  }
  // A stopped conversion writes nothing to standard output.
  const testing::Outcome r = RunCli(dir, "convert '" + dir.file("none.pdb") + "' -o -");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
}

// A python with openpyxl: the one on the path, else Debian's.
std::string PythonWithOpenpyxl() {
  for (const std::string python : {"python3", "/usr/bin/python3"}) {
    if (std::system((python + " -c 'import openpyxl' 2>/dev/null").c_str()) == 0) return python;
  }
  return "";
}

TEST(OutputOptionsTest, WorkbookReadBackMatchesTheText) {
  const std::string python = PythonWithOpenpyxl();
  if (python.empty()) GTEST_SKIP() << "openpyxl is not installed (python3-openpyxl)";
  struct Case {
    std::string inputs, options;
    std::string check_args;  // the decimal separator, and "iso" for ISO dates
    std::string sheet;
  };
  const Case cases[] = {
      {SampleArg("atelier_nord.pdb"), "", ".", "Atelier Nord"},
      {SampleArg("mini_site.pdb"), "--decimal-separator ,", ",", "Serre Est"},
      {SampleArg("quendar_chambre.pdc"), "--dates iso", ". iso", "00051A2B"},
      {SampleArg("compteur_blocs.pdc"), "", ".", "Compteur TGBT"},
      {"--header " + SampleArg("entrepot_header.pdc") + " " + SampleArg("entrepot_01.pdc") + " " +
           SampleArg("entrepot_02.pdc"),
       "", ".", "20E1A7C5"},
  };
  fx::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.inputs);
    const std::string book = dir.file("book.xlsx"), text = dir.file("text.txt");
    ASSERT_EQ(RunCli(dir, "convert " + c.inputs + " -o '" + text + "' " + c.options).code, 0);
    ASSERT_EQ(
        RunCli(dir, "convert " + c.inputs + " -o '" + book + "' --format xlsx " + c.options).code,
        0);
    const std::string cmd = python + " '" VIDURAVARE_SOURCE "/scripts/check_xlsx.py' '" + book +
                            "' '" + text + "' " + c.check_args + " >'" + dir.file("check") +
                            "' 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << ReadText(dir.file("check"));
    EXPECT_NE(ReadText(dir.file("check")).find("sheet '" + c.sheet + "'"), std::string::npos)
        << ReadText(dir.file("check"));
  }
  // Named after the serial number in the folder given.
  ASSERT_EQ(RunCli(dir, "convert " + SampleArg("atelier_nord.pdb") + " --sn-name -o '" +
                            dir.path() + "' --format xlsx")
                .code,
            0);
  EXPECT_TRUE(std::filesystem::exists(dir.file("00A1B2C3.xlsx")));
}

}  // namespace
}  // namespace vid
