#include "tests/engine/test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace renamer::testing {

namespace {

std::string DefaultTempParent() {
  const char* base = std::getenv("TMPDIR");
  return base != nullptr && *base != '\0' ? base : "/tmp";
}

}  // namespace

TempDir::TempDir() : TempDir(DefaultTempParent()) {}

TempDir::TempDir(const std::string& parent) {
  std::string pattern = parent + "/renamer-test-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
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

void ShowDirectory(FakeWindow& window, const TempDir& dir) {
  window.path = dir.path16();
  window.files = ListNames(RealFileSystem(), window.path, EntryKind::kFiles);
}

namespace {

class FaultyDirectory final : public Directory {
 public:
  FaultyDirectory(FaultyFileSystem& owner, std::unique_ptr<Directory> real)
      : owner_(owner), real_(std::move(real)) {}

  int Status(const std::string& name, FileStatus& status) override {
    owner_.calls.push_back("time " + name);
    if (owner_.onTime) {
      const int result = owner_.onTime(name);
      if (result != FaultyFileSystem::kPass) return result;
    }
    return real_->Status(name, status);
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    owner_.calls.push_back("rename " + from + " " + to);
    if (owner_.onRename) {
      const int result = owner_.onRename(from, to);
      if (result != FaultyFileSystem::kPass) return result;
    }
    return real_->RenameNoReplace(from, to);
  }
  int Link(const std::string& from, const std::string& to) override {
    owner_.calls.push_back("link " + from + " " + to);
    if (owner_.onLink) {
      const int result = owner_.onLink(from, to);
      if (result != FaultyFileSystem::kPass) return result;
    }
    return real_->Link(from, to);
  }
  int Unlink(const std::string& name) override {
    owner_.calls.push_back("unlink " + name);
    if (owner_.onUnlink) {
      const int result = owner_.onUnlink(name);
      if (result != FaultyFileSystem::kPass) return result;
    }
    return real_->Unlink(name);
  }
  int Identify(const std::string& name, FileIdentity& identity) override {
    const int result = real_->Identify(name, identity);
    if (result == 0 && owner_.locked.count(name) != 0) identity.locked = true;
    return result;
  }

 private:
  FaultyFileSystem& owner_;
  std::unique_ptr<Directory> real_;
};

}  // namespace

int FaultyFileSystem::List(const std::string& path, EntryKind kind,
                           std::vector<std::string>& names) {
  return RealFileSystem().List(path, kind, names);
}

int FaultyFileSystem::ListAll(const std::string& path, std::vector<DirectoryEntry>& entries) {
  return RealFileSystem().ListAll(path, entries);
}

std::unique_ptr<Directory> FaultyFileSystem::Open(const std::string& path, int& error) {
  if (onOpen) {
    const int result = onOpen(path);
    if (result != kPass) {
      error = result;
      return nullptr;
    }
  }
  std::unique_ptr<Directory> real = RealFileSystem().Open(path, error);
  if (!real) return nullptr;
  return std::make_unique<FaultyDirectory>(*this, std::move(real));
}

}  // namespace renamer::testing
