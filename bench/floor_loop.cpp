#include "bench/floor_loop.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/measure.h"

namespace renamer::bench {
namespace {

// The names are read into one flat buffer first: renaming while readdir walks the
// directory could return a renamed file a second time.
struct NameBuffer {
  char* bytes = nullptr;
  std::size_t used = 0;
  std::size_t capacity = 0;
  std::size_t count = 0;

  NameBuffer() = default;
  NameBuffer(const NameBuffer&) = delete;
  NameBuffer& operator=(const NameBuffer&) = delete;
  ~NameBuffer() { std::free(bytes); }

  bool Append(const char* name) {
    const std::size_t length = std::strlen(name) + 1;
    if (used + length > capacity) {
      const std::size_t grown = capacity == 0 ? 1 << 16 : capacity * 2;
      char* moved = static_cast<char*>(std::realloc(bytes, grown));
      if (moved == nullptr) return false;
      bytes = moved;
      capacity = grown;
    }
    std::memcpy(bytes + used, name, length);
    used += length;
    ++count;
    return true;
  }
};

// The directory's visible regular files, as the floor loop lists them.
void ReadVisibleRegularFiles(DIR* dir, NameBuffer& names) {
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.' || entry->d_type != DT_REG) continue;
    if (!names.Append(entry->d_name)) break;
  }
}

// Counts one rename, done without replacing anything.
void Rename(int fd, const char* name, const char* newName, FloorResult& result) {
  if (::renameat2(fd, name, fd, newName, RENAME_NOREPLACE) == 0) {
    ++result.renamed;
  } else {
    ++result.failed;
  }
}

// Times a floor loop from opening the directory to closing it: `renameAll` gets the
// directory's descriptor and its visible regular files and renames them.
template <typename RenameAll>
FloorResult TimeFloor(const std::string& directory, const RenameAll& renameAll) {
  FloorResult result;
  const double cpuStart = ThreadCpuMilliseconds();
  const Clock::time_point start = Clock::now();
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return result;
  const int fd = ::dirfd(dir);
  NameBuffer names;
  ReadVisibleRegularFiles(dir, names);
  renameAll(fd, names, result);
  ::closedir(dir);
  result.ms = MillisecondsSince(start);
  result.cpuMs = ThreadCpuMilliseconds() - cpuStart;
  return result;
}

}  // namespace

FloorResult RunFloor(const std::string& directory, bool numbered, const std::string& prefix) {
  return TimeFloor(directory, [&](int fd, const NameBuffer& names, FloorResult& result) {
    char newName[512];
    const char* name = names.bytes;
    for (std::size_t k = 0; k < names.count; ++k, name += std::strlen(name) + 1) {
      struct stat status {};
      if (::fstatat(fd, name, &status, 0) != 0) {
        ++result.failed;
        continue;
      }
      if (numbered) {
        std::snprintf(newName, sizeof newName, "%06zu%s", k + 1, name);
      } else {
        std::snprintf(newName, sizeof newName, "%s%s", prefix.c_str(), name);
      }
      Rename(fd, name, newName, result);
    }
  });
}

FloorResult RunFloorInOrder(const std::string& directory, FloorOrder order) {
  return TimeFloor(directory, [order](int fd, const NameBuffer& names, FloorResult& result) {
    struct Entry {
      const char* name;
      long long time;
    };
    std::vector<Entry> entries(names.count);
    const char* name = names.bytes;
    for (std::size_t k = 0; k < names.count; ++k, name += std::strlen(name) + 1) {
      struct stat status {};
      entries[k] = {name, ::fstatat(fd, name, &status, 0) == 0 ? status.st_mtim.tv_sec : 0};
    }
    if (order == FloorOrder::kName) {
      std::sort(entries.begin(), entries.end(),
                [](const Entry& a, const Entry& b) { return std::strcmp(a.name, b.name) < 0; });
    } else {
      std::stable_sort(entries.begin(), entries.end(),
                       [](const Entry& a, const Entry& b) { return a.time < b.time; });
    }

    char newName[512];
    for (std::size_t k = 0; k < entries.size(); ++k) {
      std::snprintf(newName, sizeof newName, "%06zu%s", k + 1, entries[k].name);
      Rename(fd, entries[k].name, newName, result);
    }
  });
}

}  // namespace renamer::bench
