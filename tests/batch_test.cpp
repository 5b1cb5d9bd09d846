// Whole lists of files converted at once with `convert --output-dir`.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "cli_runner.h"

namespace vid {
namespace {

using testing::Expected;
using testing::Lines;
using testing::ReadText;
using testing::RunCli;
using testing::SampleArg;

// A dump that stops the conversion: 26 modules, one more than the tables hold.
void WriteStoppingDump(const std::string& path) {
  fx::DumpLayout layout;
  layout.columns = {std::vector<uint8_t>(12, 0)};
  fx::WriteFile(
      path,
      fx::BuildDump({.end_addr = 12, .type = 'f'}, std::vector<fx::DumpModule>(26), layout).bytes);
}

std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.insert(e.path().filename().string());
  }
  return names;
}

TEST(BatchTest, EachInputIsConvertedAloneAndAStopDoesNotStopTheOthers) {
  for (const std::string options : {"", "--dates iso --encoding utf-8 --delimiter ';'"}) {
    SCOPED_TRACE(options);
    fx::TempDir dir;
    const std::string bad = dir.file("bad.pdb"), out = dir.file("out");
    WriteStoppingDump(bad);
    std::filesystem::create_directory(out);
    fx::WriteFile(out + "/bad.txt", fx::Bytes().text("earlier", 7));

    const testing::Outcome r =
        RunCli(dir, "convert -j 2 --output-dir '" + out + "' " + SampleArg("atelier_nord.pdb") +
                        " '" + bad + "' " + SampleArg("quendar_chambre.pdc") + " " + options);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("2 converted, 1 stopped\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("stopped: " + bad + ": Error in file : 26 modules"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos);  // no progress line outside a terminal
    // Nothing half-written, and the stopped input's earlier output stays as it was.
    EXPECT_EQ(FilesIn(out),
              (std::set<std::string>{"atelier_nord.txt", "bad.txt", "quendar_chambre.txt"}));
    EXPECT_EQ(ReadText(out + "/bad.txt"), "earlier");
    for (const std::string name : {"atelier_nord", "quendar_chambre"}) {
      const std::string input = SampleArg(name + (name[0] == 'a' ? ".pdb" : ".pdc"));
      const std::string alone = dir.file(name + ".txt");
      ASSERT_EQ(RunCli(dir, "convert " + input + " -o '" + alone + "' " + options).code, 0);
      EXPECT_EQ(ReadText(out + "/" + name + ".txt"), ReadText(alone)) << name;
    }
  }
}

TEST(BatchTest, LoggerFilesAreEachTheirOwnRecordingAfterTheHeader) {
  fx::TempDir dir;
  const testing::Outcome r =
      RunCli(dir, "convert -j 1 --header " + SampleArg("entrepot_header.pdc") + " --output-dir '" +
                      dir.file("out") + "' " + SampleArg("entrepot_01.pdc") + " " +
                      SampleArg("entrepot_02.pdc"));
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "2 converted, 0 stopped\n");
  // Both carry the header's two lines; each has the rows of its own file only.
  const std::vector<std::string> both = Lines(Expected("entrepot.txt"));
  const std::vector<std::string> first = Lines(ReadText(dir.file("out/entrepot_01.txt")));
  const std::vector<std::string> second = Lines(ReadText(dir.file("out/entrepot_02.txt")));
  ASSERT_TRUE(first.size() > 2 && second.size() > 2);
  EXPECT_EQ(first[1], both[1]);
  EXPECT_EQ(second[1], both[1]);
  EXPECT_EQ(first[2], both[2]);
  EXPECT_EQ(second[2].substr(0, 17), "06/03/18 14:20:00");
}

TEST(BatchTest, UsageErrors) {
  fx::TempDir dir;
  const std::string a = SampleArg("atelier_nord.pdb"), d = " --output-dir '" + dir.path() + "'";
  for (const std::string& args : {
           "convert -o x.txt" + d + " " + a,   // -o and a folder
           "convert --sn-name" + d + " " + a,  // a name from the file
           "convert -j 0" + d + " " + a,       // no thread
           "convert" + d + " " + a + " '" + dir.file("x/atelier_nord.pdc") + "'",  // one name twice
           "convert" + d,                                                          // no input
           "convert --bom -o x.txt " + a,  // a mark in single bytes
           "convert --format xlsx --delimiter ';' -o x.xlsx " + a,
           "convert --format csv -o x.txt " + a,
           "convert --sn-name -o - " + a,
       }) {
    EXPECT_EQ(RunCli(dir, args).code, 2) << args;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("atelier_nord.txt")));
}

}  // namespace
}  // namespace vid
