#include "export/line_reader.h"

#include <cerrno>

#include "platform/error_text.h"

namespace vid {

LineReader::~LineReader() {
  if (file_) std::fclose(file_);
}

bool LineReader::Open(const std::string& path, std::string* error) {
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) {
    if (error) *error = ErrorText(errno);
    return false;
  }
  return true;
}

bool LineReader::Next(std::string_view* line) {
  for (size_t from = pos_;;) {
    const size_t end = buffer_.find("\r\n", from);
    if (end != std::string::npos) {
      *line = std::string_view(buffer_).substr(pos_, end - pos_);
      pos_ = end + 2;
      return true;
    }
    if (eof_ || failed_) {
      if (pos_ == buffer_.size()) return false;
      *line = std::string_view(buffer_).substr(pos_);
      pos_ = buffer_.size();
      return true;
    }
    // Keep the unread part (a CR at its end may be the first half of a line end) and add a block.
    buffer_.erase(0, pos_);
    pos_ = 0;
    from = buffer_.empty() ? 0 : buffer_.size() - 1;
    const size_t had = buffer_.size();
    buffer_.resize(had + kBlock);
    const size_t got = file_ ? std::fread(buffer_.data() + had, 1, kBlock, file_) : 0;
    buffer_.resize(had + got);
    if (got < kBlock) {
      eof_ = true;
      failed_ = !file_ || std::ferror(file_);
    }
  }
}

}  // namespace vid
