// Reads a text file of the program line by line: each line ends in CR LF, which is not part of
// the line; a CR or LF alone stays inside the line. The file is read in large blocks.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vid {

class LineReader {
 public:
  LineReader() = default;
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  ~LineReader();

  /// Fills `error` on failure.
  bool Open(const std::string& path, std::string* error);
  /// The next line, valid until the next call; false at the end of the file (a last line
  /// without its CR LF is still given) or after a read error (`Failed`).
  bool Next(std::string_view* line);
  bool Failed() const { return failed_; }

 private:
  static constexpr size_t kBlock = 1 << 20;

  std::FILE* file_ = nullptr;
  std::string buffer_;
  size_t pos_ = 0;
  bool eof_ = false;
  bool failed_ = false;
};

}  // namespace vid
