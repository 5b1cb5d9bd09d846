// Whole lists of files converted at once with `convert --output-dir`.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_runner.h"

namespace vid::testing {
namespace {

TEST(BatchTest, EachInputIsConvertedAloneAndAStopDoesNotStopTheOthers) {
  for (const std::string options : {"", "--dates iso --encoding utf-8 --delimiter ';'"}) {
    SCOPED_TRACE(options);
    fx::TempDir dir;
    fx::WriteFile(dir.file("bad.pdb"), StoppingDump());
    std::filesystem::create_directory(dir.file("out"));
    for (const char* earlier : {"out/bad.txt", "out/atelier_nord.txt"})
      fx::WriteFile(dir.file(earlier), fx::Bytes().text("earlier", 7));

    const Outcome r =
        RunCli(dir, "convert -j 2 --output-dir out " + SampleArg("atelier_nord.pdb") + " bad.pdb " +
                        SampleArg("quendar_chambre.pdc") + " " + options);
    EXPECT_EQ(r.code, 1);
    // The stop as it comes, the summary, and no progress line outside a terminal.
    const std::string stop =
        "bad.pdb: Error in file : 26 modules, no more than 25 can be read; conversion stopped\n";
    EXPECT_EQ(r.err, stop + "2 converted, 0 with reports, 1 stopped\nstopped: " + stop);
    // Nothing half-written, an earlier output replaced whole and the stopped input's one kept.
    EXPECT_EQ(FilesIn(dir.file("out")),
              (std::set<std::string>{"atelier_nord.txt", "bad.txt", "quendar_chambre.txt"}));
    EXPECT_EQ(ReadText(dir.file("out/bad.txt")), "earlier");
    for (const std::string name : {"atelier_nord.pdb", "quendar_chambre.pdc"}) {
      const std::string stem = name.substr(0, name.size() - 4);
      ASSERT_EQ(RunCli(dir, "convert " + SampleArg(name) + " -o alone.txt " + options).code, 0);
      EXPECT_EQ(ReadText(dir.file("out/" + stem + ".txt")), ReadText(dir.file("alone.txt")));
    }
  }
}

TEST(BatchTest, LoggerFilesAreEachTheirOwnRecordingAfterTheHeader) {
  fx::TempDir dir;
  const Outcome r =
      RunCli(dir, "convert -j 1 --header " + SampleArg("entrepot_header.pdc") + " --output-dir . " +
                      SampleArg("entrepot_01.pdc") + " " + SampleArg("entrepot_02.pdc"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, VIDURAVARE_SAMPLES
            "/entrepot_header.pdc"
            ": Central SN: 20E1A7C5 - Header found 2 Modules\n"
            "2 converted, 0 with reports, 0 stopped\n");
  // Both carry the header's two lines; each has the rows of its own file only.
  const std::string both = Expected("entrepot.txt"), first = ReadText(dir.file("entrepot_01.txt")),
                    second = ReadText(dir.file("entrepot_02.txt"));
  const size_t rows = both.find("\r\n", both.find("\r\n") + 2) + 2, row = both.find("\r\n", rows);
  EXPECT_EQ(first.substr(0, row), both.substr(0, row));
  EXPECT_EQ(second.substr(0, rows) + second.substr(rows, 17),
            both.substr(0, rows) + "06/03/18 14:20:00");
}

}  // namespace
}  // namespace vid::testing
