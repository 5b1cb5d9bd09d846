#include "platform/input_file.h"

#include "platform/error_text.h"
#include "platform/huge_pages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vid {
namespace {

// What a path names when it is not a regular file, in the error text.
const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a file";
}

}  // namespace

bool InputFile::Open(const std::string& path, std::string* error, uint64_t max_size) {
  Close();
  auto fail = [error](std::string text) {
    if (error) *error = std::move(text);
    return false;
  };
  // Without O_NONBLOCK the open of a pipe would wait for a writer; the kind is checked on the
  // open descriptor, so nothing can be swapped in between.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    struct stat st {};
    // A socket cannot be opened at all (ENXIO); say what it is.
    if (err == ENXIO && ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
      return fail(std::string("not a regular file (") + KindOf(st.st_mode) + ")");
    }
    return fail(ErrorText(err));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return fail(ErrorText(err));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    if (S_ISDIR(st.st_mode)) return fail(ErrorText(EISDIR));
    return fail(std::string("not a regular file (") + KindOf(st.st_mode) + ")");
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size > max_size) {
    ::close(fd);
    return fail(std::to_string(size) + " bytes, larger than any file of its kind (at most " +
                std::to_string(max_size) + ")");
  }

  Bytes bytes;
  bytes.reserve(static_cast<size_t>(size));
  AskHugePages(bytes.data(), static_cast<size_t>(size));
  bytes.resize(static_cast<size_t>(size));
  size_t have = 0;
  int err = 0;
  // A file that grows while it is read is taken as it was when it was opened.
  while (have < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n <= 0) break;
    have += static_cast<size_t>(n);
  }
  ::close(fd);
  if (err) return fail(ErrorText(err));
  bytes.resize(have);
  Take(std::move(bytes));
  return true;
}

void InputFile::Take(Bytes bytes) {
  data_ = std::move(bytes);
  pos_ = 0;
  open_ = true;
  past_end_ = false;
}

void InputFile::Close() {
  data_.clear();
  data_.shrink_to_fit();
  pos_ = 0;
  open_ = false;
  past_end_ = false;
}

void InputFile::Read(uint8_t* dst, size_t n) {
  const size_t have = pos_ < data_.size() ? data_.size() - pos_ : 0;
  const size_t take = n < have ? n : have;
  if (take) std::memcpy(dst, data_.data() + pos_, take);
  pos_ += take;
  if (take < n) {
    std::memset(dst + take, 0, n - take);
    past_end_ = true;
  }
}

}  // namespace vid
