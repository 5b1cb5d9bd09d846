// The one way an output file comes into being. The text is collected in a buffer and written in
// large blocks to a file that has no name yet, an unnamed file (O_TMPFILE) in the target's
// folder, which `Commit` gives the target's mode and then the target's name, only once the
// conversion has completed. A conversion that stops, and a program that is killed, even with
// SIGKILL, leave nothing behind, and an earlier file of that name stays intact until the new one
// replaces it whole. Where there are no unnamed files (or no /proc to name them through), a
// short hidden file beside the target takes their place; it is removed when the conversion stops
// and on SIGINT and SIGTERM (only SIGKILL can leave it). A target that is an input, a folder, a
// device, a FIFO or a socket is refused, before anything is written. Standard output gets the
// same whole-or-nothing treatment: the text waits in an unnamed file in the temporary folder and
// is copied out on `Commit`. A memory target keeps the whole text instead (tests, fuzzing). Lines
// end in CR LF. Errors are returned as false with a one-line text.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vid {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() { Discard(); }

  /// False, with the reason in `error`, when `path` must not be written: it is one of `inputs`
  /// (the same file, under any of its names), an existing folder, or a device, FIFO or socket.
  /// A path that does not exist yet passes. Meant to be called before any input is read.
  static bool CheckTarget(const std::string& path, const std::vector<std::string>& inputs,
                          std::string* error);

  /// Starts a file that will take the place of `path` on `Commit`, after the checks of
  /// `CheckTarget` (against `inputs` in the second form). Fills `error` on failure.
  bool Open(const std::string& path, std::string* error) { return Open(path, {}, error); }
  bool Open(const std::string& path, const std::vector<std::string>& inputs, std::string* error);
  /// Starts a text that `Commit` copies to standard output (descriptor 1), whole.
  bool OpenForStandardOutput(std::string* error);
  /// Starts a text kept in memory; `Text()` gives it.
  void OpenMemory();
  bool IsOpen() const { return open_; }
  /// The target given to the last `Open`; empty after `OpenForStandardOutput`.
  const std::string& Path() const { return path_; }

  /// A name under which another writer (a library that takes a file name) can write the whole
  /// file itself: "/proc/self/fd/N" of the unnamed file, or the hidden file's own name. That
  /// writer closes its file before `Commit`, which then names what it wrote; whoever uses this
  /// must not also call `WriteLine` or `WriteBlock`. Empty for a memory target.
  std::string WritablePath() const;

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
  /// The reason of the failure ("28: No space left on device"); empty before one.
  const std::string& Error() const { return error_; }

  /// Finishes the output: flushes it, gives it the mode of the file it replaces (a new file keeps
  /// 0666 less the umask), puts it in place of the target, or copies it to standard output, and
  /// closes it. False (with `error`) when anything failed, in which case nothing is left beside
  /// the target and an earlier file is intact.
  bool Commit(std::string* error);
  /// Drops the output: the temporary file goes, the target is untouched.
  void Discard();

  /// The text written so far to a memory target.
  const std::string& Text() const { return buffer_; }
  /// Hands over the text of a memory target, without a copy; the target is empty afterwards.
  std::string TakeText() { return std::exchange(buffer_, std::string()); }

  /// Makes every later `Open` and `OpenForStandardOutput` use a hidden named file, as on a
  /// filesystem without unnamed files (tests of that way).
  static void UseNamedTemporary(bool on);

 private:
  static constexpr size_t kFlushSize = 1 << 20;
  static constexpr size_t kDirectSize = 1 << 16;
  bool Start(const std::string& folder, int access, std::string* error);
  void Flush();
  void Put(const char* bytes, size_t n);
  bool Finish();
  void Close();

  std::FILE* file_ = nullptr;
  std::string path_;
  std::vector<std::string> inputs_;
  std::string temp_path_;  ///< the hidden named file; empty for an unnamed one
  std::string buffer_;
  std::string error_;
  int pending_slot_ = -1;  ///< where a signal handler finds the hidden named file
  bool open_ = false;
  bool to_stdout_ = false;
  bool failed_ = false;
};

}  // namespace vid
