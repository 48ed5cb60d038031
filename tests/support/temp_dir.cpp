#include "tests/support/temp_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "engine/disk/file_system.h"

namespace renamer::testing {

namespace {

std::string DefaultTempParent() {
  const char* base = std::getenv("TMPDIR");
  return base != nullptr && *base != '\0' ? base : "/tmp";
}

}  // namespace

TempDir::TempDir() : TempDir(DefaultTempParent()) {}

StateHome::StateHome() {
  if (const char* previous = std::getenv("XDG_STATE_HOME")) {
    previous_ = previous;
    hadPrevious_ = true;
  }
  ::setenv("XDG_STATE_HOME", dir_.path().c_str(), 1);
}

StateHome::~StateHome() {
  if (hadPrevious_) {
    ::setenv("XDG_STATE_HOME", previous_.c_str(), 1);
  } else {
    ::unsetenv("XDG_STATE_HOME");
  }
}

TempDir::TempDir(const std::string& parent, const std::string& stem) {
  std::string pattern = parent + "/" + stem + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a directory in " + parent + ": " +
                             std::strerror(errno));
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void TempDir::MakeFile(const std::string& name, const std::string& content,
                       std::int64_t mtime) const {
  const std::string full = path_ + "/" + name;
  const int fd = ::open(full.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + full);
  if (!content.empty() &&
      ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
    ::close(fd);
    throw std::runtime_error("cannot write " + full);
  }
  ::close(fd);
  if (mtime >= 0) {
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ::utimensat(AT_FDCWD, full.c_str(), times, 0);
  }
}

std::vector<std::string> TempDir::Entries() const {
  std::vector<std::string> names;
  DIR* dir = ::opendir(path_.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::u16string> TempDir::Entries16() const {
  std::vector<std::u16string> names;
  for (const std::string& name : Entries()) names.push_back(DecodeFileName(name));
  return names;
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream in(path_ + "/" + name, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ShowDirectory(MemoryWindow& window, const TempDir& dir) {
  window.path = dir.path16();
  window.files = ListNames(RealFileSystem(), window.path, EntryKind::kFiles);
}

}  // namespace renamer::testing
