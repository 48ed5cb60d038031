// Any bytes as a photo or a movie: ReadCaptureTimeAt must answer, under each name that
// it reads, without crashing, hanging or eating memory, whatever exiv2 meets in the
// file; a time it finds must lie in the years it accepts, and a refused date be cut to
// its length. The same of ParseExifDate on any texts.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "engine/photo/capture_time.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace renamer;

// The first byte picks the name, so that one input reaches each of exiv2's readers.
constexpr const char* kNames[] = {"f.jpg",  "f.png", "f.tif", "f.webp",
                                  "f.heic", "f.cr3", "f.mp4", "f.mov"};

// 1900-01-01 and the end of 2100, widened by the largest offset from UTC.
constexpr std::int64_t kFirst = -2208988800 - 14 * 3600;
constexpr std::int64_t kLast = 4133980799 + 14 * 3600;

std::string directory;
int directoryFd = -1;

void RemoveDirectory() {
  for (const char* name : kNames) ::unlinkat(directoryFd, name, 0);
  ::close(directoryFd);
  ::rmdir(directory.c_str());
}

void CheckTime(const CaptureTime& time) {
  if (time.Found()) {
    fuzzing::Require(time.seconds >= kFirst && time.seconds <= kLast, "time out of its years");
    fuzzing::Require(time.milliseconds >= 0 && time.milliseconds < 1000, "milliseconds");
  }
  fuzzing::Require(time.refused.size() <= 40, "refused date too long");
  fuzzing::Require(time.miss == CaptureMiss::kAbsurd || time.refused.empty(),
                   "refused date without a refusal");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/capture-time-fuzz-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  directory = pattern;
  directoryFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directoryFd < 0) std::abort();
  std::atexit(RemoveDirectory);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const char* name = kNames[bytes[0] % std::size(kNames)];
  const std::string_view content(reinterpret_cast<const char*>(bytes) + 1, size - 1);

  const int fd = ::openat(directoryFd, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  fuzzing::Require(fd >= 0, "cannot write the file");
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t wrote = ::write(fd, content.data() + done, content.size() - done);
    fuzzing::Require(wrote > 0, "cannot write the file");
    done += static_cast<std::size_t>(wrote);
  }
  // A modification time of its own for each input, so that the answer kept for the
  // input before, of the same size on the same inode, is never served for this one.
  static std::int64_t inputs = 0;
  ++inputs;
  const timespec times[2] = {{0, UTIME_OMIT}, {inputs / 1000000000, inputs % 1000000000}};
  fuzzing::Require(::futimens(fd, times) == 0, "cannot set the modification time");
  ::close(fd);

  CheckTime(ReadCaptureTimeAt(directoryFd, name));

  // The same bytes as the three texts of an Exif date.
  const std::string_view date = content.substr(0, 40);
  const std::string_view rest = content.substr(date.size());
  CheckTime(
      ParseExifDate(date, rest.substr(0, 8), rest.substr(std::min<std::size_t>(8, rest.size()))));
  return 0;
}
