#include "bench/bench_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>
#include <stdexcept>

namespace renamer::bench {
namespace {

// 5 March 2024, 08:00:00 UTC: every generated time lies well inside one year.
constexpr std::int64_t kFirstTime = 1709625600;

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

int OpenDirectory(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Fail("cannot open", path);
  return fd;
}

void MakeFile(int dirFd, const std::string& name, std::int64_t seconds) {
  const int fd = ::openat(dirFd, name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot create", name);
  const auto time = static_cast<time_t>(seconds);
  const timespec times[2] = {{time, 0}, {time, 0}};
  const bool stamped = ::futimens(fd, times) == 0;
  ::close(fd);
  if (!stamped) Fail("cannot set the time of", name);
}

}  // namespace

std::vector<std::int64_t> MakeTimes(std::size_t count, std::uint64_t seed) {
  std::vector<std::int64_t> times(count);
  std::iota(times.begin(), times.end(), std::int64_t{0});
  std::mt19937_64 random(seed);
  std::shuffle(times.begin(), times.end(), random);
  for (std::size_t i = 0; i < count; ++i) {
    times[i] = kFirstTime + 37 * times[i];
    if (i > 0 && i % 17 == 0) times[i] = times[i - 1];
  }
  return times;
}

std::string FileNameAt(std::size_t index) {
  char name[32];
  std::snprintf(name, sizeof name, "img_%06zu.jpg", index);
  return name;
}

FileSet::FileSet(const std::string& parent, const std::vector<std::int64_t>& times)
    : parent_(parent), dir_(parent, "renamer-bench-set"), size_(times.size()) {
  const int fd = OpenDirectory(path());
  for (std::size_t i = 0; i < times.size(); ++i) MakeFile(fd, FileNameAt(i), times[i]);
  ::close(fd);
}

BenchDirectory::BenchDirectory(const FileSet& set) : dir_(set.parent(), "renamer-bench") {
  const int from = OpenDirectory(set.path());
  const int to = OpenDirectory(path());
  for (std::size_t i = 0; i < set.size(); ++i) {
    const std::string name = FileNameAt(i);
    if (::linkat(from, name.c_str(), to, name.c_str(), 0) != 0) Fail("cannot link", name);
  }
  ::syncfs(to);
  ::close(from);
  ::close(to);
}

std::size_t BenchDirectory::CountWithPrefix(const std::string& prefix) const {
  DIR* dir = ::opendir(path().c_str());
  if (dir == nullptr) return 0;
  std::size_t count = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_type == DT_REG &&
        std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0) {
      ++count;
    }
  }
  ::closedir(dir);
  return count;
}

void BenchDirectory::AddFile(const std::string& name) const {
  const int fd = ::open((path() + "/" + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot make " + name + ": " + std::strerror(errno));
  ::close(fd);
}

}  // namespace renamer::bench
