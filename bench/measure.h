#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace renamer::bench {

using Clock = std::chrono::steady_clock;

/// Milliseconds elapsed since `start`.
double MillisecondsSince(Clock::time_point start);

/// CPU time of the calling thread, user and kernel, in milliseconds. On a shared
/// machine it leaves out the time other processes held the CPU.
double ThreadCpuMilliseconds();

/// CPU time of the whole process, every thread, user and kernel, in milliseconds.
double ProcessCpuMilliseconds();

/// Median, smallest and largest of a set of samples.
struct Summary {
  double median = 0;
  double min = 0;
  double max = 0;
};

/// Summary of `samples`; all zero when there are none.
Summary Summarize(std::vector<double> samples);

/// Resident set size of this process now, in bytes (0 when unknown).
std::uint64_t ResidentBytes();

/// Lowers the kernel's peak-resident mark to the current size, so that PeakResidentBytes
/// then reports the peak of what runs afterwards. False when the kernel refuses.
bool ResetPeakResident();

/// The peak resident size since the process started or since ResetPeakResident.
std::uint64_t PeakResidentBytes();

}  // namespace renamer::bench
