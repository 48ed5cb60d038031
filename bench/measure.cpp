#include "bench/measure.h"

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace renamer::bench {
namespace {

// A "Vm...:   1234 kB" field of /proc/self/status, in bytes.
std::uint64_t StatusField(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, field.size(), field) != 0 || line.size() <= field.size()) continue;
    if (line[field.size()] != ':') continue;
    return std::stoull(line.substr(field.size() + 1)) * 1024;
  }
  return 0;
}

}  // namespace

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double ThreadCpuMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double ProcessCpuMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

Summary Summarize(std::vector<double> samples) {
  if (samples.empty()) return {};
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  const double median = n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
  return {median, samples.front(), samples.back()};
}

std::uint64_t ResidentBytes() { return StatusField("VmRSS"); }

bool ResetPeakResident() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

std::uint64_t PeakResidentBytes() {
  const std::uint64_t peak = StatusField("VmHWM");
  if (peak != 0) return peak;
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

}  // namespace renamer::bench
