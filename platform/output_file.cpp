#include "platform/output_file.h"

#include "platform/error_text.h"
#include "platform/paths.h"

#include <fcntl.h>
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

bool g_named_only = false;

// ---- named temporary files that SIGINT and SIGTERM remove

// Conversions may run on several threads (a batch): the slots are taken and given back under a
// lock; the handler only reads them.
constexpr int kPendingSlots = 4;
char g_pending[kPendingSlots][PATH_MAX];
volatile std::sig_atomic_t g_pending_used[kPendingSlots];
constexpr int kSignals[] = {SIGINT, SIGTERM};
struct sigaction g_previous[2];
bool g_handlers_installed = false;

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
std::mutex g_pending_lock;

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
  const std::lock_guard<std::mutex> lock(g_pending_lock);
  if (slot >= 0) g_pending_used[slot] = 0;
}

// ---- unnamed files

std::string ProcFdPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

// An unnamed file in `folder`; -1 when the filesystem (or the system) has none, or when it
// could not be named later for want of /proc.
int OpenUnnamed(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
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
    ::unlink(temp.c_str());
    return true;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

// The unnamed file takes the name `path`: at once when the name is free, else under a fresh
// name beside it that then replaces the earlier file. Fills `err` on failure.
bool Name(int fd, const std::string& path, int* err) {
  if (LinkAs(fd, path)) return true;
  if (errno != EEXIST) {
    *err = errno;
    return false;
  }
  thread_local std::minstd_rand suffixes{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = path + ".part" + std::to_string(suffixes());
    if (!LinkAs(fd, temp)) {
      if (errno == EEXIST) continue;
      *err = errno;
      return false;
    }
    const int slot = Remember(temp);
    const bool renamed = Replace(temp, path);
    if (!renamed) {
      *err = errno;
      ::unlink(temp.c_str());
    }
    Forget(slot);
    return renamed;
  }
  *err = EEXIST;
  return false;
}

}  // namespace

void OutputFile::UseNamedTemporary(bool on) {
  g_named_only = on;
}

bool OutputFile::Open(const std::string& path, std::string* error) {
  Discard();
  std::string temp;
  int fd = g_named_only ? -1 : OpenUnnamed(FolderOf(path));
  if (fd < 0) {
    temp = path + ".partXXXXXX";
    fd = ::mkstemp(temp.data());
    if (fd < 0) {
      if (error) *error = ErrorText(errno);
      return false;
    }
    pending_slot_ = Remember(temp);
  }
  ::fchmod(fd, 0644);
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int err = errno;
    ::close(fd);
    if (!temp.empty()) ::unlink(temp.c_str());
    Forget(pending_slot_);
    pending_slot_ = -1;
    if (error) *error = ErrorText(err);
    return false;
  }
  // The text is collected in `buffer_` and written in large blocks: stdio's own small buffer
  // would only split them.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  path_ = path;
  temp_path_ = temp;
  buffer_.clear();
  buffer_.reserve(kFlushSize + 4096);
  open_ = true;
  failed_ = false;
  return true;
}

void OutputFile::OpenMemory() {
  Discard();
  buffer_.clear();
  open_ = true;
  failed_ = false;
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

bool OutputFile::Commit(std::string* error) {
  if (!open_) return false;
  if (!file_) {  // memory target
    open_ = false;
    return true;
  }
  Flush();
  if (!failed_ && std::fflush(file_) != 0) {
    failed_ = true;
    error_ = ErrorText(errno);
  }
  // An unnamed file is named while it is still open.
  int err = 0;
  if (!failed_ && temp_path_.empty() && !Name(::fileno(file_), path_, &err)) {
    failed_ = true;
    error_ = ErrorText(err);
  }
  if (std::fclose(file_) != 0 && !failed_) {
    failed_ = true;
    error_ = ErrorText(errno);
  }
  file_ = nullptr;
  if (!failed_ && !temp_path_.empty() && !Replace(temp_path_, path_)) {
    failed_ = true;
    error_ = ErrorText(errno);
  }
  if (failed_) {
    if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
    if (error) *error = error_;
  }
  Forget(pending_slot_);
  pending_slot_ = -1;
  temp_path_.clear();
  open_ = false;
  return !failed_;
}

void OutputFile::Discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
    if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  }
  Forget(pending_slot_);
  pending_slot_ = -1;
  temp_path_.clear();
  open_ = false;
}

}  // namespace vid
