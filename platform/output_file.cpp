#include "platform/output_file.h"

#include "platform/error_text.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vid {
bool OutputFile::Open(const std::string& path, std::string* error) {
  Discard();
  std::string temp = path + ".partXXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    if (error) *error = ErrorText(errno);
    return false;
  }
  ::fchmod(fd, 0644);
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
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
  if (std::fclose(file_) != 0 && !failed_) {
    failed_ = true;
    error_ = ErrorText(errno);
  }
  file_ = nullptr;
  // The earlier file goes first: renaming over an existing file makes ext4 write the whole new
  // text back to the disk before the rename returns (its auto_da_alloc rule), 30 ms and more
  // for a large conversion. The text is complete by now, so only this step is left to do.
  if (!failed_) ::unlink(path_.c_str());
  if (!failed_ && std::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    failed_ = true;
    error_ = ErrorText(errno);
  }
  if (failed_) {
    ::unlink(temp_path_.c_str());
    if (error) *error = error_;
  }
  temp_path_.clear();
  open_ = false;
  return !failed_;
}

void OutputFile::Discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
    ::unlink(temp_path_.c_str());
  }
  temp_path_.clear();
  open_ = false;
}

}  // namespace vid
