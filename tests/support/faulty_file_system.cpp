#include "tests/support/faulty_file_system.h"

#include <utility>

namespace renamer::testing {
namespace {

class FaultyDirectory final : public Directory {
 public:
  FaultyDirectory(FaultyFileSystem& owner, std::unique_ptr<Directory> inner)
      : owner_(owner), inner_(std::move(inner)) {}

  int ModificationTime(const std::string& name, std::int64_t& seconds) override {
    return Intercept("time " + name, owner_.onTime,
                     [&] { return inner_->ModificationTime(name, seconds); }, name);
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    return Intercept("rename " + from + " " + to, owner_.onRename,
                     [&] { return inner_->RenameNoReplace(from, to); }, from, to);
  }
  int Link(const std::string& from, const std::string& to) override {
    return Intercept("link " + from + " " + to, owner_.onLink,
                     [&] { return inner_->Link(from, to); }, from, to);
  }
  int Unlink(const std::string& name) override {
    return Intercept("unlink " + name, owner_.onUnlink, [&] { return inner_->Unlink(name); },
                     name);
  }
  int Identify(const std::string& name, FileIdentity& identity) override {
    return inner_->Identify(name, identity);
  }

 private:
  // Records the call, then asks the hook (if any) before passing the call on.
  template <typename Hook, typename Pass, typename... Args>
  int Intercept(std::string call, const Hook& hook, const Pass& pass, const Args&... args) {
    owner_.calls.push_back(std::move(call));
    if (hook) {
      const int result = hook(args...);
      if (result != FaultyFileSystem::kPass) return result;
    }
    return pass();
  }

  FaultyFileSystem& owner_;
  std::unique_ptr<Directory> inner_;
};

}  // namespace

int FaultyFileSystem::List(const std::string& path, EntryKind kind,
                           std::vector<std::string>& names) {
  return inner_.List(path, kind, names);
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
