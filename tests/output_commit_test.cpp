// An output replaces only what it may replace, and whole or not at all: an input, a folder, a
// device or a FIFO is refused and left as it was, a replaced file keeps its mode, a write that
// fails, a signal or a kill keeps the earlier file, and nothing is ever left beside the target.
// Standard output gets the text only on Commit. OutputFile is tested in both its ways (the unnamed
// file and the hidden named one), the command line on the way it takes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "cli_runner.h"
#include "platform/error_text.h"
#include "platform/output_file.h"

namespace vid::testing {
namespace {

void Put(const std::string& path, const std::string& text, mode_t mode) {
  std::ofstream(path, std::ios::binary) << text;
  ::chmod(path.c_str(), mode);
}

// Every entry of `folder` with its type, mode and bytes; a folder with its own entries.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> entries;
  for (const std::string& name : FilesIn(folder)) {
    const std::string path = folder + "/" + name;
    struct stat st {};
    ::lstat(path.c_str(), &st);
    char mode[16];
    std::snprintf(mode, sizeof mode, "%o", st.st_mode);
    std::string& entry = entries[name] = mode;
    if (S_ISREG(st.st_mode)) entry += " " + ReadText(path);
    if (S_ISDIR(st.st_mode)) {
      for (const auto& [inner, what] : Snapshot(path)) entry += " [" + inner + " " + what + "]";
    }
  }
  return entries;
}

// Takes the hidden files out of a snapshot; their number.
size_t DropHidden(std::map<std::string, std::string>& entries) {
  return std::erase_if(entries,
                       [](const auto& entry) { return entry.first.rfind(".vid", 0) == 0; });
}

// The way later outputs take, back to the unnamed one at the end of the scope.
struct Way {
  explicit Way(bool named) { OutputFile::UseNamedTemporary(named); }
  ~Way() { OutputFile::UseNamedTemporary(false); }
};

struct Umask {
  explicit Umask(mode_t mask) : previous(::umask(mask)) {}
  ~Umask() { ::umask(previous); }
  mode_t previous;
};

// A file size limit, with SIGXFSZ ignored so that a write beyond it fails with EFBIG.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t size) {
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = size;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previous_handler);
  }
  rlimit previous{};
  void (*previous_handler)(int) = nullptr;
};

void FolderWithFile(const std::string& path) {
  ::mkdir(path.c_str(), 0755);
  Put(path + "/keep.txt", "kept", 0644);
}

std::function<void(const std::string&)> Earlier(mode_t mode, const std::string& name = "out.txt") {
  return [mode, name](const std::string& dir) { Put(dir + "/" + name, "earlier", mode); };
}

// OutputFile in both its ways, on a target in a folder of its own. Before Commit the folder holds
// what it held (and the named way's one hidden file); a commit replaces the target whole, with the
// earlier file's mode or, for a new file, 0666 less the umask; one that fails leaves the folder as
// it was. The refusals of an input, a folder, a device and a FIFO are met through the command
// line below.
TEST(OutputCommit, ReplacesTheTargetWholeOrLeavesItAsItWas) {
  struct Row {
    const char* what;
    mode_t earlier = 0644;           ///< the mode of an earlier target; 0 for none
    std::string target = "out.txt";  ///< in the row's folder
    std::string says = {};           ///< part of the error text of a commit that fails
    mode_t mode = 0;                 ///< of the committed file
    bool through_path = false;       ///< written by another writer through WritablePath
    mode_t umask = 022;
    rlim_t size_limit = 0;
    std::function<void(const std::string& target)> meanwhile = {};  ///< between Open and Commit
  };
  const Row rows[] = {
      {.what = "written line by line", .earlier = 0640, .mode = 0640},
      {.what = "written through WritablePath", .earlier = 0640, .mode = 0640, .through_path = true},
      {.what = "a new file under umask 027", .earlier = 0, .mode = 0640, .umask = 027},
      {.what = "a 255-byte name", .target = std::string(255, 'n'), .mode = 0644},
      {.what = "a folder in the target's place",
       .earlier = 0,
       .says = "is a folder",
       .meanwhile = FolderWithFile},
      {.what = "a write beyond the file size limit",
       .says = ErrorText(EFBIG),
       .size_limit = 64 << 10},
  };
  std::string text = "first\r\n";
  while (text.size() < (300 << 10)) text += "0123456789\t" + std::to_string(text.size()) + "\r\n";
  text += "last\r\n";

  for (const bool named : {false, true}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.what) + (named ? ", hidden named file" : ", unnamed file"));
      const Way way(named);
      fx::TempDir dir;
      const std::string target = dir.file(row.target);
      if (row.earlier) Put(target, "earlier", row.earlier);
      auto before = Snapshot(dir.path());
      const Umask umask(row.umask);
      std::optional<FileSizeLimit> limit;
      if (row.size_limit) limit.emplace(row.size_limit);
      std::string error;
      OutputFile out;
      ASSERT_TRUE(OutputFile::CheckTarget(target, {}, &error)) << error;
      ASSERT_TRUE(out.Open(target, &error)) << error;
      if (row.through_path) {
        std::FILE* f = std::fopen(out.WritablePath().c_str(), "wb");
        ASSERT_NE(f, nullptr) << out.WritablePath();
        EXPECT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
        EXPECT_EQ(std::fclose(f), 0);
      } else {
        out.WriteLine("first");
        out.WriteBlock(text.substr(7, text.size() - 13));
        out.WriteLine("last");
      }
      auto now = Snapshot(dir.path());
      EXPECT_EQ(DropHidden(now), named ? 1u : 0u) << "the way taken";
      EXPECT_EQ(now, before);
      if (row.meanwhile) row.meanwhile(target), before = Snapshot(dir.path()), DropHidden(before);
      const bool committed = out.Commit(&error);
      limit.reset();
      auto after = Snapshot(dir.path());
      if (!row.says.empty()) {
        EXPECT_FALSE(committed);
        EXPECT_NE(error.find(row.says), std::string::npos) << error;
      } else {
        ASSERT_TRUE(committed) << error;
        struct stat is {};
        ::lstat(target.c_str(), &is);
        EXPECT_EQ(is.st_mode, S_IFREG | row.mode) << std::oct << is.st_mode;
        EXPECT_TRUE(SameText(ReadText(target), text));
        before.erase(row.target);
        ASSERT_EQ(after.erase(row.target), 1u);
      }
      EXPECT_EQ(after, before);
    }
  }
}

TEST(OutputCommit, SignalBeforeCommitLeavesTheEarlierFile) {
  for (const bool named : {false, true}) {
    for (const int sig : {SIGINT, SIGTERM, SIGKILL}) {
      SCOPED_TRACE(std::string(named ? "hidden named file, " : "unnamed file, ") + strsignal(sig));
      const Way way(named);
      fx::TempDir dir;
      const std::string target = dir.file("out.txt");
      Put(target, "earlier", 0644);
      const pid_t pid = ::fork();
      if (pid == 0) {
        OutputFile out;
        if (!out.Open(target, nullptr)) ::_exit(1);
        out.WriteBlock(std::string(10 << 20, 'x'));
        if (out.Failed() || FilesIn(dir.path()).size() != (named ? 2 : 1)) ::_exit(2);
        ::raise(sig);
        ::_exit(3);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
      EXPECT_EQ(ReadText(target), "earlier");
      // SIGKILL may leave the hidden file of the named way: that way's one accepted leftover.
      if (!named || sig != SIGKILL) {
        EXPECT_EQ(FilesIn(dir.path()), std::set<std::string>{"out.txt"});
      }
    }
  }
}

// True once the process `pid` holds a file of `folder` open.
bool WritesInto(pid_t pid, const std::string& folder) {
  std::error_code ec;
  for (const auto& e :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    if (std::filesystem::read_symlink(e.path(), ec).string().rfind(folder + "/", 0) == 0) {
      return true;
    }
  }
  return false;
}

// `viduravare args` in `folder`, in the C locale, with TMPDIR `tmp` and standard error into the
// file `err` (closed when empty). With `sig`, the signal is sent once the program holds a file of
// `folder` open. The exit code, 128 + the signal that ended it, or -1 when it has not ended in
// 10 s or ended before the signal.
int RunInFolder(const std::string& folder, std::vector<std::string> args, const std::string& tmp,
                const std::string& err, int sig) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("LC_ALL", "C", 1);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ::dup2(::open("/dev/null", O_WRONLY | O_CLOEXEC), STDOUT_FILENO);
    err.empty() ? ::close(STDERR_FILENO)
                : ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644), STDERR_FILENO);
    std::vector<char*> argv = {const_cast<char*>("viduravare")};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::chdir(folder.c_str()) == 0) ::execv(VIDURAVARE_CLI, argv.data());
    ::_exit(127);
  }
  int status = 0;
  bool sent = false;
  for (int ms = 0; ms < 10000; ++ms) {
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      if (sig && !sent) return -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (sig && !sent && WritesInto(pid, folder)) sent = ::kill(pid, sig) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return -1;
}

// Each row runs `viduravare convert` on an output laid out in a folder of its own. A refused run
// (exit 1, the reason on standard error) or a killed one leaves the folder as it was, the target
// included (its type, mode and bytes); a completed one (exit 0) has replaced the target whole with
// the expected text, keeping the earlier file's mode. Nothing else appears in the folder or in the
// temporary folder.
TEST(OutputCommit, CommandLineReplacesTheTargetWholeOrLeavesItAsItWas) {
  fx::TempDir inputs;
  fx::DumpLayout layout;  // 25 modules of 90000 records: over half a second of conversion
  layout.columns.assign(26, std::vector<uint8_t>(1080000, 0));
  const std::string big = inputs.file("big.pdb"), sample = VIDURAVARE_SAMPLES "/atelier_nord.pdb";
  fx::WriteFile(
      big, fx::BuildDump({.end_addr = 1080000}, std::vector<fx::DumpModule>(25), layout).bytes);
  const std::string kInput = "is the input file itself",
                    kDevice = "is a device, a FIFO or a socket";
  const auto input_as = [&](const std::string& link) {  // in.pdb, and `link` a second name of it
    return [&sample, link](const std::string& f) {
      std::filesystem::copy_file(sample, f + "/in.pdb");
      if (!link.empty()) std::filesystem::create_hard_link(f + "/in.pdb", f + "/" + link);
    };
  };
  struct CliRow {
    const char* what;
    std::function<void(const std::string& folder)> lay_out = Earlier(0644);
    std::string target = "out.txt";  ///< in the row's folder, unless absolute
    std::string input = {};          ///< the sample when empty
    std::string says = {};           ///< part of standard error: refused
    mode_t mode = 0;                 ///< completed: the mode the target has
    int sig = 0;                     ///< sent during the conversion
    std::vector<std::string> more = {};
    bool stderr_closed = false;
  };
  const CliRow rows[] = {
      {.what = "-o the input",
       .lay_out = input_as(""),
       .target = "in.pdb",
       .input = "in.pdb",
       .says = kInput},
      {.what = "-o a second name of the input",
       .lay_out = input_as("out.txt"),
       .input = "in.pdb",
       .says = kInput},
      {.what = "-o a folder with a file in it",
       .lay_out = [](const std::string& f) { FolderWithFile(f + "/out.txt"); },
       .says = "is a folder"},
      {.what = "-o /dev/null", .target = "/dev/null", .says = kDevice},
      // Checked before anything opens it, which would wait for a reader.
      {.what = "-o a FIFO",
       .lay_out = [](const std::string& f) { ::mkfifo((f + "/out.txt").c_str(), 0644); },
       .says = kDevice},
      {.what = "an earlier file of mode 0600", .lay_out = Earlier(0600), .mode = 0600},
      {.what = "a 255-byte name",
       .lay_out = Earlier(0644, std::string(255, 'n')),
       .target = std::string(255, 'n'),
       .mode = 0644},
      {.what = "standard error closed", .mode = 0644, .stderr_closed = true},
      {.what = "SIGTERM during a text conversion", .input = big, .sig = SIGTERM},
      {.what = "SIGKILL during a text conversion", .input = big, .sig = SIGKILL},
      {.what = "SIGKILL during a workbook",
       .lay_out = Earlier(0644, "out.xlsx"),
       .target = "out.xlsx",
       .input = big,
       .sig = SIGKILL,
       .more = {"--format", "xlsx"}},
  };
  for (const CliRow& row : rows) {
    SCOPED_TRACE(row.what);
    fx::TempDir folder, tmp, err;
    row.lay_out(folder.path());
    std::vector<std::string> args = {
        "convert", row.input.empty() ? sample : row.input, "-o", row.target, "--decimal-separator",
        "."};
    args.insert(args.end(), row.more.begin(), row.more.end());
    auto want = Snapshot(folder.path());
    const int code = RunInFolder(folder.path(), args, tmp.path(),
                                 row.stderr_closed ? "" : err.file("err"), row.sig);
    const std::string said = ReadText(err.file("err"));
    EXPECT_EQ(code, row.sig ? 128 + row.sig : row.mode ? 0 : 1) << said;
    EXPECT_NE(said.find(row.says), std::string::npos) << said;
    auto now = Snapshot(folder.path());
    if (row.mode) {  // completed: the target, and the rest as it was
      struct stat st {};
      ::lstat(folder.file(row.target).c_str(), &st);
      EXPECT_EQ(st.st_mode, S_IFREG | row.mode) << std::oct << st.st_mode;
      EXPECT_TRUE(SameText(ReadText(folder.file(row.target)), Expected("atelier_nord.txt")));
      now.erase(row.target), want.erase(row.target);
    }
    EXPECT_EQ(now, want);
    EXPECT_EQ(FilesIn(tmp.path()), std::set<std::string>{});
  }
  struct stat st {};
  EXPECT_TRUE(::stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));
}

}  // namespace
}  // namespace vid::testing
