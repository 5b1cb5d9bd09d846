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
    std::freopen("/dev/null", "w", stderr);
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

/// One case of the speed goal: the converter's run on its input (a child process, from start to
/// exit, the output file replacing the one of the run before) against copying that output file
/// to a new file, both ways, interleaved run by run. Prints medians, the ratio to the faster copy, the output
/// rate and the largest peak memory of the runs; returns false when a conversion failed.
inline bool MeasureCase(const char* label, const std::vector<std::string>& argv,
                        const std::string& output, double input_mb, int reps) {
  std::vector<double> convert, cpu, through, kernel;
  long peak_kb = 0;
  const std::string copy = output + ".copy";
  for (int i = 0; i < reps; ++i) {
    const ChildRun run = RunChild(argv);
    if (run.exit_code != 0) {
      std::printf("%s: conversion failed (exit %d)\n", label, run.exit_code);
      return false;
    }
    convert.push_back(run.wall_s);
    cpu.push_back(run.cpu_s);
    peak_kb = std::max(peak_kb, run.peak_kb);
    through.push_back(CopyThrough(output, copy));
    kernel.push_back(CopyInKernel(output, copy));
  }
  std::filesystem::remove(copy);
  const double out_mb = FileSize(output) / 1e6;
  const double t = Median(convert), c1 = Median(through), c2 = Median(kernel);
  std::printf(
      "%-26s in %5.1f MB  out %5.1f MB  convert %.4f s (cpu %.4f s)  copy %.4f s (read/write) "
      "%.4f s (copy_file)  ratio %4.1f  %5.0f MB/s  peak %2.0f MB\n",
      label, input_mb, out_mb, t, Median(cpu), c1, c2, t / std::min(c1, c2), out_mb / t,
      peak_kb / 1024.0);
  return true;
}

}  // namespace vid::bench
