#include "engine/disk/volumes.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/disk/file_names.h"

namespace renamer {
namespace {

constexpr std::array<std::string_view, 26> kPseudoTypes = {
    "proc",     "sysfs",    "cgroup",    "cgroup2",    "devtmpfs",        "devpts",
    "mqueue",   "debugfs",  "tracefs",   "securityfs", "pstore",          "bpf",
    "configfs", "fusectl",  "hugetlbfs", "autofs",     "binfmt_misc",     "rpc_pipefs",
    "nsfs",     "efivarfs", "selinuxfs", "ramfs",      "fuse.gvfsd-fuse", "fuse.portal",
    "squashfs", "nfsd"};

// Only the kernel mounts things under these; nothing there holds the user's files.
constexpr std::array<std::string_view, 3> kKernelTrees = {"/dev", "/sys", "/proc"};

// Removable media are mounted under /run/media, beside the memory file systems that
// hold runtime state, so only the latter are left out there.
constexpr std::string_view kRuntimeTree = "/run";
constexpr std::array<std::string_view, 2> kMemoryTypes = {"tmpfs", "ramfs"};

bool IsUnder(std::string_view path, std::string_view tree) {
  return path.size() >= tree.size() && path.substr(0, tree.size()) == tree &&
         (path.size() == tree.size() || path[tree.size()] == '/');
}

// The kernel writes space, tab, newline and backslash in mount points as \ooo.
std::string Unescape(std::string_view field) {
  const auto isOctal = [&](std::size_t k) { return field[k] >= '0' && field[k] <= '7'; };
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && isOctal(i + 1) && isOctal(i + 2) &&
        isOctal(i + 3)) {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0')));
      i += 3;
      continue;
    }
    out.push_back(field[i]);
  }
  return out;
}

bool IsWanted(std::string_view type, std::string_view mountPoint) {
  if (std::find(kPseudoTypes.begin(), kPseudoTypes.end(), type) != kPseudoTypes.end()) {
    return false;
  }
  for (std::string_view tree : kKernelTrees) {
    if (IsUnder(mountPoint, tree)) return false;
  }
  const bool memory =
      std::find(kMemoryTypes.begin(), kMemoryTypes.end(), type) != kMemoryTypes.end();
  return !(memory && IsUnder(mountPoint, kRuntimeTree));
}

}  // namespace

std::vector<Volume> ParseMountInfo(std::string_view text) {
  std::vector<Volume> volumes;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::vector<std::string> words{std::istream_iterator<std::string>(fields),
                                   std::istream_iterator<std::string>()};
    const auto separator = std::find(words.begin(), words.end(), "-");
    if (words.size() < 5 || separator == words.end() || words.end() - separator < 3) continue;
    const std::string mountPoint = Unescape(words[4]);
    const std::string& type = *(separator + 1);
    if (!IsWanted(type, mountPoint)) continue;
    Volume volume{DecodeFileName(mountPoint), DecodeFileName(Unescape(*(separator + 2))),
                  DecodeFileName(type)};
    volumes.erase(
        std::remove_if(volumes.begin(), volumes.end(),
                       [&](const Volume& v) { return v.mountPoint == volume.mountPoint; }),
        volumes.end());
    volumes.push_back(std::move(volume));
  }
  return volumes;
}

std::vector<Volume> MountedVolumes() {
  std::ifstream in("/proc/self/mountinfo");
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<Volume> volumes = ParseMountInfo(text);
  // Containers bind single files such as /etc/hosts into place; they hold no files.
  volumes.erase(std::remove_if(volumes.begin(), volumes.end(),
                               [](const Volume& volume) {
                                 struct stat info {};
                                 const std::string point = EncodeFileName(volume.mountPoint);
                                 return ::stat(point.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
                               }),
                volumes.end());
  if (volumes.empty()) volumes.push_back({u"/", u"/", u""});
  return volumes;
}

int VolumeIndexFor(const std::vector<Volume>& volumes, std::u16string_view path) {
  int best = -1;
  std::size_t bestLength = 0;
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    const std::u16string& point = volumes[i].mountPoint;
    const bool holds = point == u"/"
                           ? !path.empty() && path.front() == u'/'
                           : path.substr(0, point.size()) == point &&
                                 (path.size() == point.size() || path[point.size()] == u'/');
    if (holds && (best < 0 || point.size() > bestLength)) {
      best = static_cast<int>(i);
      bestLength = point.size();
    }
  }
  return best;
}

}  // namespace renamer
