// The output text file. Lines are collected in a buffer and written in large blocks to a file
// that has no name yet: an unnamed file in the target's folder (O_TMPFILE) that `Commit` links
// in under the target's name only when the conversion has completed. A conversion that stops,
// and a program that is killed, even with SIGKILL, leave nothing behind, and an earlier file of
// that name stays intact until the new one replaces it whole. Where the filesystem has no
// unnamed files, a temporary file beside the target takes their place; it is removed when the
// conversion stops and on SIGINT and SIGTERM (only SIGKILL can leave it). A memory target keeps
// the whole text instead (tests, fuzzing). Lines end in CR LF.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vid {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() { Discard(); }

  /// Starts a file that will replace `path` on `Commit`. Fills `error` on failure.
  bool Open(const std::string& path, std::string* error);
  /// Starts a text kept in memory; `Text()` gives it.
  void OpenMemory();
  bool IsOpen() const { return open_; }
  const std::string& Path() const { return path_; }

  /// Appends `line` and CR LF.
  void WriteLine(std::string_view line) {
    buffer_.append(line);
    buffer_.append("\r\n", 2);
    if (file_ && buffer_.size() >= kFlushSize) Flush();
  }
  /// Appends `text`, whole lines with their CR LF. A large block goes to the disk as it is,
  /// without a copy through the buffer.
  void WriteBlock(std::string_view text);
  /// True once a write to the disk has failed; the conversion should stop.
  bool Failed() const { return failed_; }

  /// Finishes the file: flushes, closes and renames it over the target. False (with `error`)
  /// when anything failed, in which case nothing is left behind.
  bool Commit(std::string* error);
  /// Drops the output: the temporary file is removed, the target is untouched.
  void Discard();

  /// The text written so far to a memory target.
  const std::string& Text() const { return buffer_; }

  /// Makes every later `Open` use a named temporary file, as on a filesystem without unnamed
  /// files (tests of that way).
  static void UseNamedTemporary(bool on);

 private:
  static constexpr size_t kFlushSize = 1 << 20;
  static constexpr size_t kDirectSize = 1 << 16;
  void Flush();
  void Put(const char* bytes, size_t n);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string temp_path_;  ///< the named temporary file; empty for an unnamed one
  std::string buffer_;
  std::string error_;
  int pending_slot_ = -1;  ///< where a signal handler finds the named temporary file
  bool open_ = false;
  bool failed_ = false;
};

}  // namespace vid
