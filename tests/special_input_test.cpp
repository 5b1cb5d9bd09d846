// Inputs that are not there, not regular files or too large are refused at once with their
// reason; the command line's output goes to the current folder when the program's folder cannot
// be written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "cli_runner.h"
#include "dump/layout.h"
#include "platform/paths.h"

namespace vid::testing {
namespace {

// A name that is gone and an empty selection are met by the window's own test.
TEST(SpecialInput, InputThatCannotBeOpenedIsReportedWithItsReason) {
  Bench run;
  ASSERT_EQ(::mkdir(run.dir.file("dir.pdb").c_str(), 0755), 0);
  EXPECT_EQ(run.Make({"dir.pdb"}), MakeResult::kNoInput);
  EXPECT_EQ(run.ui.status, "Cannot open " + run.dir.file("dir.pdb") + " : 21: Is a directory");
  run.LoadHeader("");
  EXPECT_EQ(run.ui.status, "No file selected");
  run.Preview("");
  EXPECT_EQ(run.shell.last_error, "No file selected");
}

TEST(SpecialInput, PipesDevicesAndOversizedFilesAreRefusedAtOnce) {
  fx::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("fifo.pdc").c_str(), 0644), 0);
  fx::WriteFile(dir.file("big.pdb"), fx::Bytes());
  ASSERT_EQ(::truncate(dir.file("big.pdb").c_str(), kMaxDumpBytes + 1), 0);  // sparse
  for (const auto& [path, why] :
       {std::pair<std::string, std::string>{dir.file("fifo.pdc"), "not a regular file (a pipe)"},
        {"/dev/zero", "not a regular file (a device)"},
        {dir.file("big.pdb"),
         "31732206 bytes, larger than any file of its kind (at most "
         "31732205)"}}) {
    // Refused before it is read: a run that waits on the pipe or reads the device or the whole
    // file takes longer (and one that hangs ends at the runner's 10 s). The bound leaves room for
    // a sanitizer build on a busy machine.
    const auto start = std::chrono::steady_clock::now();
    const Outcome r = RunCli(dir, "convert '" + path + "' -o o.txt");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << path;
    EXPECT_EQ(r.code, 1) << path;
    EXPECT_NE(r.err.find("Cannot open " + path + " : " + why + "\n"), std::string::npos) << r.err;
  }
}

TEST(TwoNameForm, UnwritableProgramFolderFallsBackToTheCurrentFolder) {
  Bench b;
  std::filesystem::copy_file(VIDURAVARE_SAMPLES "/atelier_nord.pdb", b.dir.file("site.pdb"));
  const std::string before = CurrentFolder();
  ASSERT_EQ(::chdir(b.dir.path().c_str()), 0);
  b.shell.output_folder = "/nonexistent/bin";
  const std::optional<MakeResult> r = b.shell.Load("site.pdb out.txt");
  ASSERT_EQ(::chdir(before.c_str()), 0);
  EXPECT_EQ(r, MakeResult::kDone) << b.ui.status;
  EXPECT_EQ(b.shell.FallbackNotice(),
            "The program's folder /nonexistent/bin cannot be written: "
            "the output is " +
                b.dir.file("out.txt"));
  EXPECT_EQ(ReadText(b.dir.file("out.txt")).substr(0, 9), "00A1B2C3\t");
}

}  // namespace
}  // namespace vid::testing
