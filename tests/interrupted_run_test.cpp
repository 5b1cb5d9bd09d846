// Runs that end before their output is complete (a stopped conversion, SIGINT, SIGTERM,
// SIGKILL) leave nothing beside the target, and an earlier target stays as it was.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "cli_runner.h"
#include "platform/output_file.h"

namespace vid::testing {
namespace {

TEST(InterruptedRun, NamedTemporaryReplacesTheTargetOrGoesOnSigintAndSigterm) {
  fx::TempDir dir;
  const std::string target = dir.file("out.txt");
  OutputFile::UseNamedTemporary(true);
  for (const int sig : {0, SIGINT, SIGTERM}) {
    fx::WriteFile(target, fx::Bytes().text("earlier", 7));
    const pid_t pid = sig ? ::fork() : 0;
    if (pid == 0) {
      OutputFile out;
      const bool opened = out.Open(target, nullptr);
      out.WriteLine("new");
      const bool named =
          FilesIn(dir.path()).size() == 2;  // the target and the named temporary file
      if (sig) {
        ::raise(sig);
        ::_exit(3);
      }
      EXPECT_TRUE(opened && named && out.Commit(nullptr));
    } else {
      int status = 0;
      EXPECT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    }
    EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"out.txt"});
    EXPECT_EQ(ReadText(target), sig ? "earlier" : "new\r\n");
  }
  OutputFile::UseNamedTemporary(false);
}

// True once the process `pid` holds a file of `folder` open.
bool WritesInto(pid_t pid, const std::string& folder) {
  std::error_code ec;
  for (const auto& e :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    if (std::filesystem::read_symlink(e.path(), ec).string().rfind(folder + "/", 0) == 0)
      return true;
  }
  return false;
}

TEST(InterruptedRun, KilledConversionLeavesNothingBesideTheEarlierTarget) {
  fx::TempDir dir;
  fx::DumpLayout layout;  // 25 modules of 90000 records: over half a second of conversion
  layout.columns.assign(26, std::vector<uint8_t>(1080000, 0));
  const std::string in = dir.file("big.pdb"), out = dir.file("out.txt");
  fx::WriteFile(
      in, fx::BuildDump({.end_addr = 1080000}, std::vector<fx::DumpModule>(25), layout).bytes);
  for (const int sig : {SIGTERM, SIGKILL}) {
    fx::WriteFile(out, fx::Bytes().text("earlier", 7));
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(::open("/dev/null", O_WRONLY), STDERR_FILENO);
      ::execl(VIDURAVARE_CLI, "viduravare", "convert", in.c_str(), "-o", out.c_str(), nullptr);
      ::_exit(127);
    }
    // The input is read whole and closed first: a file open in the folder is the output.
    for (int ms = 0; ms < 10000 && !WritesInto(pid, dir.path()); ++ms) ::usleep(1000);
    ::kill(pid, sig);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "ended before the kill";
    EXPECT_EQ(FilesIn(dir.path()), (std::set<std::string>{"big.pdb", "out.txt"}));
    EXPECT_EQ(ReadText(out), "earlier");
  }
}

}  // namespace
}  // namespace vid::testing
