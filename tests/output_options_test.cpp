// The output options of `convert`: standard output, UTF-8, ISO dates, delimiters and the .xlsx
// workbook, which is read back by scripts/check_xlsx.py when openpyxl is installed.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <tuple>

#include "cli_runner.h"

namespace vid::testing {
namespace {

// What each text option does to the program's text, line by line (the index counts from 0),
// written here from the options' description rather than from the program's code.

// Windows-1252 decoded: the code points of 0x80..0x9F (the five bytes the code page leaves
// free stand for the control character of their own number); every other byte is its own.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021, 0x2C6,  0x2030, 0x160,
    0x2039, 0x152,  0x8D,   0x17D,  0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};

std::string Utf8(const std::string& line) {
  std::string out;
  for (const unsigned char c : line) {
    const unsigned u = c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c;
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += {static_cast<char>(0xC0 | u >> 6), static_cast<char>(0x80 | (u & 0x3F))};
    } else {
      out += {static_cast<char>(0xE0 | u >> 12), static_cast<char>(0x80 | (u >> 6 & 0x3F)),
              static_cast<char>(0x80 | (u & 0x3F))};
    }
  }
  return out;
}

// A row (line 2 on) whose first cell is dd/mm/yy hh:mm:ss starts yyyy-mm-dd hh:mm:ss instead;
// every two-digit year is 20xx.
std::string IsoDates(const std::string& line, size_t index) {
  const std::string cell = line.substr(0, line.find('\t'));
  bool stamp = index >= 2 && cell.size() == 17 && cell[8] == ' ';
  for (size_t at = 0; at < 17; at += 3)
    stamp = stamp && std::isdigit(cell[at]) && std::isdigit(cell[at + 1]);
  if (!stamp) return line;
  const std::string yy = cell.substr(6, 2);
  return "20" + yy + "-" + cell.substr(3, 2) + "-" + cell.substr(0, 2) + " " + cell.substr(9, 2) +
         ":" + cell.substr(12, 2) + ":" + cell.substr(15, 2) + line.substr(17);
}

// The cells joined by `delimiter`; a cell holding it, a quote or a line end is quoted, its quotes
// doubled.
std::string Delimited(const std::string& line, char delimiter) {
  std::string out;
  for (size_t start = 0;;) {
    const size_t end = line.find('\t', start);
    std::string cell = line.substr(start, end == std::string::npos ? end : end - start);
    if (cell.find_first_of({delimiter, '"', '\r', '\n'}) != std::string::npos) {
      for (size_t q = 0; (q = cell.find('"', q)) != std::string::npos; q += 2)
        cell.insert(q, 1, '"');
      cell = '"' + cell + '"';
    }
    out += cell;
    if (end == std::string::npos) return out;
    out += delimiter;
    start = end + 1;
  }
}

// Each option on every sample, into a file and onto standard output: the sample's expected text
// with exactly the option's change, whole.
TEST(OutputOptionsTest, EachTextOptionChangesOnlyItsBytes) {
  using Change = std::function<std::string(const std::string& line, size_t index)>;
  const std::pair<const char*, Change> options[] = {
      {"--encoding utf-8", [](const std::string& l, size_t) { return Utf8(l); }},
      {"--encoding utf-8 --bom",
       [](const std::string& l, size_t i) { return (i == 0 ? "\xEF\xBB\xBF" : "") + Utf8(l); }},
      {"--dates iso", IsoDates},
      {"--delimiter ';'", [](const std::string& l, size_t) { return Delimited(l, ';'); }},
      {"--delimiter ,", [](const std::string& l, size_t) { return Delimited(l, ','); }},
      {"--dates iso --encoding utf-8 --delimiter ';'",
       [](const std::string& l, size_t i) { return Utf8(Delimited(IsoDates(l, i), ';')); }},
  };
  fx::TempDir dir;
  for (const SampleCase& sample : kSampleCases) {
    const std::vector<std::string> lines = SplitLines(Expected(sample.expected));
    for (const auto& [option, change] : options) {
      SCOPED_TRACE(std::string(sample.expected) + " " + option);
      // A decimal comma and the comma delimiter contradict each other (a usage error).
      if (std::string(sample.args).find("--decimal-separator ,") != std::string::npos &&
          std::string(option) == "--delimiter ,") {
        continue;
      }
      std::vector<std::string> want;
      for (size_t i = 0; i < lines.size(); ++i) want.push_back(change(lines[i], i));
      ASSERT_EQ(ConvertSample(dir, sample, option + (" -o " + dir.file("out.txt"))).code, 0);
      EXPECT_TRUE(SameText(ReadText(dir.file("out.txt")), JoinLines(want)));
      EXPECT_TRUE(
          SameText(ConvertSample(dir, sample, option + std::string(" -o -")).out, JoinLines(want)));
    }
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
