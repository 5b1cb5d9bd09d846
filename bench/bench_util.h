// Helpers shared by the benchmark programs: wall-clock timing, peak memory of a child process,
// running the command-line converter on a file, and the measure of a case against the copy of
// its own output file.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "convert/converter.h"
#include "platform/paths.h"

namespace vid::bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct ChildRun {
  int exit_code = -1;
  double wall_s = 0;
  double cpu_s = 0;  ///< user and system time of the child, all its threads
  long peak_kb = 0;  ///< the child's maximum resident set size
};

/// Runs `argv` as a child process with stderr silenced and reports its time and peak memory.
inline ChildRun RunChild(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (!std::freopen("/dev/null", "w", stderr)) ::_exit(126);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  ChildRun r;
  r.wall_s = Seconds(start);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.peak_kb = usage.ru_maxrss;
  r.cpu_s = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return r;
}

/// The command-line converter built beside the benchmark programs.
inline std::string CliPath(const char* argv0) {
  std::string self = argv0;
  const size_t slash = self.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : self.substr(0, slash);
  return dir + "/../viduravare";
}

inline long FileSize(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  std::fseek(f, 0, SEEK_END);
  const long n = std::ftell(f);
  std::fclose(f);
  return n;
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

/// Copies `from` to a new file `to` (a file of that name is removed first, outside the time)
/// through a buffer of 1 MiB: read and write.
inline double CopyThrough(const std::string& from, const std::string& to) {
  std::filesystem::remove(to);
  const auto start = std::chrono::steady_clock::now();
  const int in = ::open(from.c_str(), O_RDONLY);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::unique_ptr<char[]> buf(new char[1 << 20]);
  for (ssize_t n; in >= 0 && out >= 0 && (n = ::read(in, buf.get(), 1 << 20)) > 0;) {
    if (::write(out, buf.get(), static_cast<size_t>(n)) != n) break;
  }
  if (in >= 0) ::close(in);
  if (out >= 0) ::close(out);
  return Seconds(start);
}

/// Copies `from` to a new file `to` with std::filesystem::copy_file (the kernel copies).
inline double CopyInKernel(const std::string& from, const std::string& to) {
  std::filesystem::remove(to);
  const auto start = std::chrono::steady_clock::now();
  std::filesystem::copy_file(from, to);
  return Seconds(start);
}

/// One case of the speed goal: a conversion and the file it writes.
struct Case {
  const char* label;
  std::vector<std::string> inputs;  ///< a dump, or the data files of one recording (one folder)
  std::string header;               ///< a logger header file to load first, or empty
  std::string output;
  double input_mb = 0;
};

/// The command line of the converter for `c`.
inline std::vector<std::string> CaseArgs(const std::string& cli, const Case& c) {
  std::vector<std::string> argv = {cli, "convert"};
  if (!c.header.empty()) argv.insert(argv.end(), {"--header", c.header});
  argv.insert(argv.end(), c.inputs.begin(), c.inputs.end());
  argv.insert(argv.end(), {"-o", c.output, "--decimal-separator", "."});
  return argv;
}

/// The same conversion as the window runs it: Load Header when there is a header, then the
/// conversion, on a fresh converter (its tables cold) made before the clock starts. It runs in a
/// forked copy of this process, so that what it allocates never swells this one (whose size every
/// child started later counts in its peak memory). Negative when the conversion failed.
inline double MakeInProcess(const Case& c) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    Converter converter;
    Observer quiet;
    Request request;
    request.options.decimal_separator = '.';
    request.target = {TargetKind::kFile, c.output};
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    if (!c.header.empty()) ok = converter.LoadHeader(c.header, quiet).Completed();
    request.inputs = c.inputs;
    ok = ok && converter.Convert(request, quiet).Completed();
    const double seconds = ok ? Seconds(start) : -1;
    const bool sent = ::write(fds[1], &seconds, sizeof seconds) == sizeof seconds;
    ::_exit(sent ? 0 : 1);
  }
  ::close(fds[1]);
  double seconds = -1;
  if (::read(fds[0], &seconds, sizeof seconds) != sizeof seconds) seconds = -1;
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return seconds;
}

/// Measures `c` against copying its output file to a new file, both ways, interleaved run by
/// run: the converter as a child process from start to exit (the output replacing the one of
/// the run before), and the same conversion inside this process (`MakeInProcess`). Prints
/// medians, the ratios to the faster copy, the output rate and the largest peak memory of the
/// child runs; false when a conversion failed.
inline bool MeasureCase(const std::string& cli, const Case& c, int reps) {
  std::vector<double> convert, cpu, make, through, kernel;
  long peak_kb = 0;
  const std::string copy = c.output + ".copy";
  for (int i = 0; i < reps; ++i) {
    const ChildRun run = RunChild(CaseArgs(cli, c));
    const double in_process = MakeInProcess(c);
    if (run.exit_code != 0 || in_process < 0) {
      std::printf("%s: conversion failed (exit %d)\n", c.label, run.exit_code);
      return false;
    }
    convert.push_back(run.wall_s);
    cpu.push_back(run.cpu_s);
    make.push_back(in_process);
    peak_kb = std::max(peak_kb, run.peak_kb);
    through.push_back(CopyThrough(c.output, copy));
    kernel.push_back(CopyInKernel(c.output, copy));
  }
  std::filesystem::remove(copy);
  const double out_mb = FileSize(c.output) / 1e6;
  const double t = Median(convert), m = Median(make);
  const double copy_s = std::min(Median(through), Median(kernel));
  std::printf(
      "%-26s in %5.1f MB  out %5.1f MB | process %.4f s (cpu %.4f s)  in-process %.4f s | copy "
      "%.4f s (read/write) %.4f s (copy_file) | ratio %4.1f process, %4.1f in-process | %5.0f "
      "MB/s | peak %2.0f MB\n",
      c.label, c.input_mb, out_mb, t, Median(cpu), m, Median(through), Median(kernel), t / copy_s,
      m / copy_s, out_mb / t, peak_kb / 1024.0);
  return true;
}

}  // namespace vid::bench
