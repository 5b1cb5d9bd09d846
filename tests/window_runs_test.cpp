// The window's runs beyond one Make: Convert each, a cancel, and the two-name command line of an
// installed program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "cli_runner.h"

namespace vid::testing {
namespace {

std::string Sample(const std::string& name) {
  return VIDURAVARE_SAMPLES "/" + name;
}

void CopySample(Bench& run, const std::string& name) {
  std::filesystem::copy_file(Sample(name), run.dir.file(name));
}

TEST(ConvertEach, EachEntryAloneAfterTheLoadedHeaderAndTwoWritersOfOneNameRefused) {
  Bench run;
  for (const char* name : {"entrepot_header.pdc", "entrepot_01.pdc", "entrepot_02.pdc"})
    CopySample(run, name);
  run.Write("entrepot_01.pdb", StoppingDump());
  run.shell.output_folder = run.dir.file("out");
  std::filesystem::create_directory(run.shell.output_folder);
  run.shell.style.text.dates = DateStyle::kIso;
  run.LoadHeader("entrepot_header.pdc");
  run.shell.file_list.selected = {"entrepot_01.pdc", "entrepot_01.pdb", "entrepot_02.pdc"};
  run.shell.ConvertEach();

  const std::vector<EachResult>& each = run.shell.each_results;
  ASSERT_EQ(each.size(), 3u);
  EXPECT_EQ(each[1].result.Status(),
            "Not converted: another selected file writes " + run.dir.file("out/entrepot_01.txt"));
  EXPECT_EQ(run.ui.status, "2 converted, 1 stopped");
  EXPECT_EQ(run.ui.batch.back(), (std::pair<size_t, size_t>{2, 2}));
  // Converted after the loaded header, in the style asked for.
  for (const char* name : {"out/entrepot_01.txt", "out/entrepot_02.txt"})
    EXPECT_NE(ReadText(run.dir.file(name)).find("\r\n2018-03-06 "), std::string::npos) << name;
  EXPECT_EQ(FilesIn(run.shell.output_folder),
            (std::set<std::string>{"entrepot_01.txt", "entrepot_02.txt"}));
}

// A cancelled Make is the window test's.
TEST(Cancel, StopsConvertEachLeavingEarlierFilesAndNothingElseButAQuitIsNoCancel) {
  Bench run;
  CopySample(run, "atelier_nord.pdb");
  CopySample(run, "mini_site.pdb");
  run.Write("mini_site.txt", fx::Bytes().text("earlier", 7));
  run.ui.cancel = true;
  run.shell.file_list.selected = {"atelier_nord.pdb", "mini_site.pdb"};
  run.shell.ConvertEach();
  for (const EachResult& each : run.shell.each_results) {
    EXPECT_EQ(each.result.Status(), kCancelledText) << each.input;
  }
  EXPECT_EQ(run.ui.status, "0 converted, 2 stopped");
  EXPECT_EQ(FilesIn(run.dir.path()),
            (std::set<std::string>{"atelier_nord.pdb", "mini_site.pdb", "mini_site.txt"}));
  EXPECT_EQ(run.Read("mini_site.txt"), "earlier");
  run.ui.cancel = false;
  run.ui.quit = true;
  run.Make({"atelier_nord.pdb"});
  EXPECT_EQ(run.ui.status, kStoppedEnding);
}

// The process's current folder for the life of a test.
struct InFolder {
  explicit InFolder(const std::string& folder) : before(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~InFolder() { std::filesystem::current_path(before); }
  std::filesystem::path before;
};

TEST(CommandLine, InstalledProgramWritesIntoTheCurrentFolderWhoeverRunsItAndAbsoluteNamesStay) {
  Bench run;
  const InFolder here(run.dir.path());
  const std::string name = "vid-" + std::to_string(::getpid()) + ".txt";
  run.shell.output_folder = "/usr/bin";  // writable when the tests run as root
  ASSERT_EQ(run.shell.Load(Sample("atelier_nord.pdb") + " " + name), MakeResult::kDone);
  const bool beside_the_program = std::filesystem::remove("/usr/bin/" + name);
  EXPECT_FALSE(beside_the_program);
  EXPECT_EQ(run.shell.output_path, run.dir.file(name));
  EXPECT_EQ(run.shell.FallbackNotice(),
            "The program's folder /usr/bin is an installed program's folder: the output is " +
                run.dir.file(name));

  std::filesystem::create_directory(run.dir.file("sub"));
  run.shell.output_folder = run.dir.file("prog");  // no such folder
  ASSERT_EQ(run.shell.Load(Sample("atelier_nord.pdb") + " " + run.dir.file("sub/abs.txt")),
            MakeResult::kDone);
  EXPECT_EQ(run.shell.output_path, run.dir.file("sub/abs.txt"));
  EXPECT_EQ(run.shell.FallbackNotice(), "");
}

}  // namespace
}  // namespace vid::testing
