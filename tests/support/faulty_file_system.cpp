#include "tests/support/faulty_file_system.h"

#include <optional>
#include <utility>

namespace renamer::testing {
namespace {

class FaultyDirectory final : public Directory {
 public:
  FaultyDirectory(FaultyFileSystem& owner, std::unique_ptr<Directory> inner)
      : owner_(owner), inner_(std::move(inner)) {}

  int Status(const std::string& name, FileStatus& status) override {
    const auto hooked = Intercept("time " + name, owner_.onTime, name);
    return hooked ? *hooked : inner_->Status(name, status);
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    const auto hooked = Intercept("rename " + from + " " + to, owner_.onRename, from, to);
    return hooked ? *hooked : inner_->RenameNoReplace(from, to);
  }
  int Link(const std::string& from, const std::string& to) override {
    const auto hooked = Intercept("link " + from + " " + to, owner_.onLink, from, to);
    return hooked ? *hooked : inner_->Link(from, to);
  }
  int Unlink(const std::string& name) override {
    const auto hooked = Intercept("unlink " + name, owner_.onUnlink, name);
    return hooked ? *hooked : inner_->Unlink(name);
  }
  int Identify(const std::string& name, FileIdentity& identity) override {
    const int result = inner_->Identify(name, identity);
    if (result == 0 && owner_.locked.count(name) != 0) identity.locked = true;
    return result;
  }
  bool Remote() const override { return inner_->Remote(); }

 private:
  // Records the call and asks the hook, if there is one; returns its result unless it
  // lets the call through.
  template <typename Hook, typename... Args>
  std::optional<int> Intercept(std::string call, const Hook& hook, const Args&... args) {
    owner_.calls.push_back(std::move(call));
    if (!hook) return std::nullopt;
    const int result = hook(args...);
    if (result == FaultyFileSystem::kPass) return std::nullopt;
    return result;
  }

  FaultyFileSystem& owner_;
  std::unique_ptr<Directory> inner_;
};

}  // namespace

int FaultyFileSystem::List(const std::string& path, EntryKind kind,
                           std::vector<std::string>& names) {
  return inner_.List(path, kind, names);
}

int FaultyFileSystem::ListAll(const std::string& path, std::vector<DirectoryEntry>& entries) {
  return inner_.ListAll(path, entries);
}

std::unique_ptr<Directory> FaultyFileSystem::Open(const std::string& path, int& error) {
  if (onOpen) {
    const int result = onOpen(path);
    if (result != kPass) {
      error = result;
      return nullptr;
    }
  }
  std::unique_ptr<Directory> inner = inner_.Open(path, error);
  if (!inner) return nullptr;
  return std::make_unique<FaultyDirectory>(*this, std::move(inner));
}

}  // namespace renamer::testing
