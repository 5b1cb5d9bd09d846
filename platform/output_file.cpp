#include "platform/output_file.h"

#include "platform/error_text.h"
#include "platform/paths.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>

namespace vid {
namespace {

std::atomic<bool> g_named_only{false};

// ---- hidden named files that SIGINT and SIGTERM remove

// Conversions may run on several threads (a batch): the slots are taken and given back under a
// lock; the handler only reads them.
constexpr int kPendingSlots = 16;
char g_pending[kPendingSlots][PATH_MAX];
volatile std::sig_atomic_t g_pending_used[kPendingSlots];
constexpr int kSignals[] = {SIGINT, SIGTERM};
struct sigaction g_previous[2];
bool g_handlers_installed = false;
std::mutex g_pending_lock;

void RemovePendingOnSignal(int sig) {
  for (int i = 0; i < kPendingSlots; ++i) {
    if (g_pending_used[i]) ::unlink(g_pending[i]);
  }
  // Then the signal does what it did before (usually: end the program).
  for (int k = 0; k < 2; ++k) {
    if (kSignals[k] == sig) ::sigaction(sig, &g_previous[k], nullptr);
  }
  ::raise(sig);
}

void InstallHandlers() {
  if (g_handlers_installed) return;
  g_handlers_installed = true;
  for (int k = 0; k < 2; ++k) {
    ::sigaction(kSignals[k], nullptr, &g_previous[k]);
    if (g_previous[k].sa_handler == SIG_IGN) continue;  // an ignored signal stays ignored
    struct sigaction sa {};
    sa.sa_handler = RemovePendingOnSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(kSignals[k], &sa, nullptr);
  }
}

// The slot that holds `path` until `Forget`; -1 when none is free or the path is too long.
int Remember(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  const std::lock_guard<std::mutex> lock(g_pending_lock);
  InstallHandlers();
  for (int i = 0; i < kPendingSlots; ++i) {
    if (g_pending_used[i]) continue;
    std::memcpy(g_pending[i], path.c_str(), path.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_pending_used[i] = 1;
    return i;
  }
  return -1;
}

void Forget(int slot) {
  if (slot < 0) return;
  const int err = errno;
  const std::lock_guard<std::mutex> lock(g_pending_lock);
  g_pending_used[slot] = 0;
  errno = err;
}

// A short hidden name: it fits beside a target whose own name is as long as a name can be.
std::string HiddenName() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::minstd_rand random{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kLetters) - 2);
  std::string name = ".vid";
  for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
  return name;
}

// Calls `create` on fresh hidden names in `folder` until one is free, and leaves that name in
// `name`, remembered in `slot` for the signal handler. The name is remembered before the file
// exists, so that there is no moment at which a signal would leave it behind. False with errno
// when `create` fails other than for a name that is taken.
template <class Create>
bool MakeHidden(const std::string& folder, Create create, std::string* name, int* slot) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = JoinPath(folder, HiddenName());
    *slot = Remember(*name);
    if (create(*name)) return true;
    Forget(*slot);
    *slot = -1;
    if (errno != EEXIST) return false;
  }
  errno = EEXIST;
  return false;
}

// ---- the target

// What `path` is now: whether it exists, its mode, and why it must not be written, if it must
// not. A path that cannot be looked at counts as a new file: creating it reports the reason.
struct Target {
  bool exists = false;
  mode_t mode = 0;
  std::string refusal;
};

Target Inspect(const std::string& path, const std::vector<std::string>& inputs) {
  Target target;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return target;
  target.exists = true;
  target.mode = st.st_mode & 07777;
  for (const std::string& input : inputs) {
    struct stat in;
    if (::stat(input.c_str(), &in) == 0 && in.st_dev == st.st_dev && in.st_ino == st.st_ino) {
      target.refusal = path + " is the input file itself";
      return target;
    }
  }
  if (S_ISDIR(st.st_mode)) {
    target.refusal = path + " is a folder";
  } else if (!S_ISREG(st.st_mode)) {
    target.refusal =
        path + " is a device, a FIFO or a socket; standard output is written with -o -";
  }
  return target;
}

// ---- unnamed files

std::string ProcFdPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// An unnamed file in `folder`, created as any new file is (0666 less the umask); -1 when the
// filesystem (or the system) has none, or when it could not be named later for want of /proc.
int OpenUnnamed(const std::string& folder, int access) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | access | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  if (::access(ProcFdPath(fd).c_str(), F_OK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Gives the unnamed file `fd` the name `name`. AT_EMPTY_PATH needs a privilege on many systems;
// the link through /proc does not.
bool LinkAs(int fd, const std::string& name) {
  if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno == EEXIST) return false;
  return ::linkat(AT_FDCWD, ProcFdPath(fd).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Puts the complete file `temp` in the place of `path`. The two names are exchanged and the
// earlier file, now under `temp`, is removed: a file stands under `path` at every moment, as
// with a rename over it, but without the cost of that rename on ext4, which first writes the
// whole new file back to the disk when a rename replaces a file (30 ms for 40 MB). Where the
// exchange is not possible (no earlier file, another filesystem) the rename does it.
bool Replace(const std::string& temp, const std::string& path) {
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
    if (::unlink(temp.c_str()) == 0 || errno != EISDIR) return true;
    // A folder took the target's name after it was checked: it gets its name back.
    ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE);
    errno = EISDIR;
    return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

// Gives the file `fd` the mode `mode`, unless it has it already (a filesystem whose modes are
// fixed at mount time refuses any change, even to the mode every file there has).
bool KeepMode(int fd, mode_t mode) {
  struct stat st;
  if (::fstat(fd, &st) == 0 && (st.st_mode & 07777) == mode) return true;
  return ::fchmod(fd, mode) == 0;
}

// Copies the whole file `fd` to standard output through `block`.
bool CopyToStandardOutput(int fd, std::string& block, int* err) {
  for (off_t at = 0;;) {
    const ssize_t got = ::pread(fd, block.data(), block.size(), at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      *err = got < 0 ? errno : 0;
      return got == 0;
    }
    at += got;
    for (const char *p = block.data(), *end = p + got; p < end;) {
      const ssize_t put = ::write(STDOUT_FILENO, p, static_cast<size_t>(end - p));
      if (put > 0) {
        p += put;
      } else if (put < 0 && errno == EINTR) {
        continue;
      } else if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        pollfd ready{STDOUT_FILENO, POLLOUT, 0};  // standard output was left non-blocking
        ::poll(&ready, 1, -1);
      } else {
        *err = put < 0 ? errno : EIO;
        return false;
      }
    }
  }
}

}  // namespace

void OutputFile::UseNamedTemporary(bool on) {
  g_named_only = on;
}

bool OutputFile::CheckTarget(const std::string& path, const std::vector<std::string>& inputs,
                             std::string* error) {
  const Target target = Inspect(path, inputs);
  if (target.refusal.empty()) return true;
  if (error) *error = target.refusal;
  return false;
}

bool OutputFile::Open(const std::string& path, const std::vector<std::string>& inputs,
                      std::string* error) {
  Discard();
  if (!CheckTarget(path, inputs, error)) return false;
  if (!Start(FolderOf(path), O_WRONLY, error)) return false;
  path_ = path;
  inputs_ = inputs;
  return true;
}

bool OutputFile::OpenForStandardOutput(std::string* error) {
  Discard();
  const char* tmp = std::getenv("TMPDIR");
  // Read back on `Commit`, hence read and write.
  if (!Start(tmp && *tmp ? tmp : "/tmp", O_RDWR, error)) return false;
  path_.clear();
  inputs_.clear();
  to_stdout_ = true;
  return true;
}

bool OutputFile::Start(const std::string& folder, int access, std::string* error) {
  std::string temp;
  int slot = -1;
  int fd = g_named_only ? -1 : OpenUnnamed(folder, access);
  const auto create = [&fd, access](const std::string& name) {
    fd = ::open(name.c_str(), O_CREAT | O_EXCL | access | O_CLOEXEC, 0666);
    return fd >= 0;
  };
  if (fd < 0 && !MakeHidden(folder, create, &temp, &slot)) {
    if (error) *error = ErrorText(errno);
    return false;
  }
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int err = errno;
    ::close(fd);
    if (!temp.empty()) ::unlink(temp.c_str());
    Forget(slot);
    if (error) *error = ErrorText(err);
    return false;
  }
  // The text is collected in `buffer_` and written in large blocks: stdio's own small buffer
  // would only split them.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  temp_path_ = temp;
  pending_slot_ = slot;
  buffer_.clear();
  buffer_.reserve(kFlushSize + 4096);
  error_.clear();
  open_ = true;
  to_stdout_ = false;
  failed_ = false;
  return true;
}

void OutputFile::OpenMemory() {
  Discard();
  buffer_.clear();
  error_.clear();
  open_ = true;
  to_stdout_ = false;
  failed_ = false;
}

std::string OutputFile::WritablePath() const {
  if (!file_) return {};
  return temp_path_.empty() ? ProcFdPath(::fileno(file_)) : temp_path_;
}

void OutputFile::Put(const char* bytes, size_t n) {
  if (!failed_ && std::fwrite(bytes, 1, n, file_) != n) {
    failed_ = true;
    error_ = ErrorText(errno ? errno : EIO);
  }
}

void OutputFile::Flush() {
  if (!file_ || buffer_.empty()) return;
  Put(buffer_.data(), buffer_.size());
  buffer_.clear();
}

void OutputFile::WriteBlock(std::string_view text) {
  if (file_ && text.size() >= kDirectSize) {
    Flush();
    Put(text.data(), text.size());
    return;
  }
  buffer_.append(text);
  if (file_ && buffer_.size() >= kFlushSize) Flush();
}

// Checks the target again, gives the file the mode of the one it replaces, and names it or
// copies it out. False, with `error_`, when any step fails.
bool OutputFile::Finish() {
  const auto fail = [this](int err) {
    error_ = ErrorText(err);
    return false;
  };
  const int fd = ::fileno(file_);
  if (to_stdout_) {
    int err = 0;
    buffer_.resize(kFlushSize);  // the buffer is empty now: the copy goes through it
    const bool copied = CopyToStandardOutput(fd, buffer_, &err);
    buffer_.clear();
    return copied || fail(err);
  }
  const Target target = Inspect(path_, inputs_);
  if (!target.refusal.empty()) {
    error_ = target.refusal;
    return false;
  }
  if (target.exists && !KeepMode(fd, target.mode)) return fail(errno);
  if (!temp_path_.empty()) {
    if (!Replace(temp_path_, path_)) return fail(errno);
    temp_path_.clear();  // the name now belongs to the target (or to nothing)
    return true;
  }
  if (!target.exists) {
    if (LinkAs(fd, path_)) return true;
    if (errno != EEXIST) return fail(errno);
  }
  std::string temp;
  int slot = -1;
  const auto link = [fd](const std::string& name) { return LinkAs(fd, name); };
  if (!MakeHidden(FolderOf(path_), link, &temp, &slot)) return fail(errno);
  const bool replaced = Replace(temp, path_);
  const int err = errno;
  if (!replaced) ::unlink(temp.c_str());
  Forget(slot);
  return replaced || fail(err);
}

bool OutputFile::Commit(std::string* error) {
  if (!open_) {
    if (error) *error = "no output is open";
    return false;
  }
  if (!file_) {  // memory target
    open_ = false;
    return true;
  }
  Flush();
  if (!failed_ && std::fflush(file_) != 0) {
    failed_ = true;
    error_ = ErrorText(errno);
  }
  if (!failed_ && !Finish()) failed_ = true;
  if (std::fclose(file_) != 0 && !failed_) {
    failed_ = true;
    error_ = ErrorText(errno);
  }
  file_ = nullptr;
  Close();
  if (failed_ && error) *error = error_;
  return !failed_;
}

void OutputFile::Discard() {
  Close();
}

void OutputFile::Close() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  Forget(pending_slot_);
  pending_slot_ = -1;
  temp_path_.clear();
  open_ = false;
  to_stdout_ = false;
}

}  // namespace vid
