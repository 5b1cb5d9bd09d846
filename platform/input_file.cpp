#include "platform/input_file.h"

#include "platform/error_text.h"

#include <sys/stat.h>
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
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (error) *error = ErrorText(errno);
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[1 << 16];
  bytes.reserve(S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) : 0);
  for (;;) {
    const size_t n = std::fread(chunk, 1, sizeof chunk, f);
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (n < sizeof chunk) break;
  }
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  if (failed) {
    if (error) *error = ErrorText(err ? err : EIO);
    return false;
  }
  OpenBytes(std::move(bytes));
  return true;
}

void InputFile::OpenBytes(std::vector<uint8_t> bytes) {
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
