#include "platform/input_file.h"

#include "platform/error_text.h"
#include "platform/huge_pages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vid {
bool InputFile::Open(const std::string& path, std::string* error) {
  Close();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (error) *error = ErrorText(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    if (error) *error = ErrorText(EISDIR);
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = ErrorText(errno);
    return false;
  }
  // One read into memory of the file's size; the rest of a file that is not regular, or that
  // grows while it is read, comes in steps behind it.
  Bytes bytes;
  if (S_ISREG(st.st_mode)) {
    const auto size = static_cast<size_t>(st.st_size);
    bytes.reserve(size);
    AskHugePages(bytes.data(), size);
    bytes.resize(size);
  }
  size_t have = 0;
  int err = 0;
  for (;;) {
    uint8_t more[1 << 16];
    const bool full = have == bytes.size();
    const ssize_t n = full ? ::read(fd, more, sizeof more)
                           : ::read(fd, bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n <= 0) break;
    if (full) bytes.insert(bytes.end(), more, more + n);
    have += static_cast<size_t>(n);
  }
  ::close(fd);
  if (err) {
    if (error) *error = ErrorText(err);
    return false;
  }
  bytes.resize(have);
  Take(std::move(bytes));
  return true;
}

void InputFile::OpenBytes(std::vector<uint8_t> bytes) {
  Take(Bytes(bytes.begin(), bytes.end()));
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
