// Helpers shared by the benchmark programs: wall-clock timing, peak memory of a child process,
// and running the command-line converter on a file.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace vid::bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct ChildRun {
  int exit_code = -1;
  double wall_s = 0;
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

}  // namespace vid::bench
