#include "tests/support/memory_file_system.h"

#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <functional>

#include "engine/disk/file_names.h"
#include "engine/disk/unicode_forms.h"

namespace renamer::testing {

namespace {

// Every code point in lower case, beyond U+FFFF too; bytes that are not UTF-8 (lone
// surrogates once decoded) stay as they are.
std::string LowerCodePoints(const std::string& name) {
  static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  const std::u16string text = DecodeFileName(name);
  std::u16string lower;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (cp < 0xD800 || cp > 0xDFFF) {
      cp = static_cast<char32_t>(::towlower_l(static_cast<wint_t>(cp), locale));
    }
    if (cp < 0x10000) {
      lower.push_back(static_cast<char16_t>(cp));
      continue;
    }
    lower.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
    lower.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  }
  return EncodeFileName(lower);
}

// The whole name decomposed and fully case-folded; a name that is not valid UTF-8 is
// compared as it is, as ext4 does outside its strict mode.
std::string FoldForms(const std::string& name) {
  std::u32string text;
  for (std::size_t pos = 0; pos < name.size();) {
    char32_t cp = 0;
    const std::size_t length = Utf8SequenceLength(name, pos, cp);
    if (length == 0) return name;
    text.push_back(cp);
    pos += length;
  }
  std::string key;
  for (const char32_t cp : FullyFolded(text)) AppendUtf8(key, cp);
  return key;
}

}  // namespace

class MemoryDirectory final : public Directory {
 public:
  explicit MemoryDirectory(MemoryFileSystem& fs) : fs_(fs) {}

  int Status(const std::string& name, FileStatus& status) override {
    const MemoryEntry* entry = fs_.Find(name);
    if (entry == nullptr) return ENOENT;
    const auto time = fs_.times.find(entry->inode);
    status = {};
    status.modifiedSeconds = time == fs_.times.end() ? 0 : time->second;
    status.regular = entry->kind == EntryKind::kFiles;
    return Identify(name, status.identity);
  }
  int RenameNoReplace(const std::string& from, const std::string& to) override {
    if (!fs_.noReplace) return EINVAL;
    if (const int error = Check(from, to)) return error;
    const MemoryEntry moved = *fs_.Find(from);
    fs_.Erase(from);
    fs_.Add(to, moved.inode, moved.kind);
    return 0;
  }
  int Link(const std::string& from, const std::string& to) override {
    if (const int error = Check(from, to)) return error;
    fs_.Add(to, fs_.Find(from)->inode);
    return 0;
  }
  int Unlink(const std::string& name) override { return fs_.Erase(name) ? 0 : ENOENT; }
  int Identify(const std::string& name, FileIdentity& identity) override {
    const MemoryEntry* entry = fs_.Find(name);
    if (entry == nullptr && name == ".") {
      identity = {1, MemoryFileSystem::kDirectoryInode, 2};
      identity.modifiedNanoseconds = fs_.modifiedNanoseconds_;
      identity.changeNanoseconds = fs_.modifiedNanoseconds_;
      identity.locked = fs_.locked.count(name) != 0;
      return 0;
    }
    if (entry == nullptr) return ENOENT;
    std::uint64_t links = 0;
    for (const auto& [key, other] : fs_.entries_) links += other.inode == entry->inode ? 1 : 0;
    identity = {1, static_cast<std::uint64_t>(entry->inode), links};
    if (fs_.inodePerSpelling) identity.inode = std::hash<std::string>{}(name);
    identity.locked = fs_.locked.count(name) != 0;
    return 0;
  }
  bool Remote() const override { return fs_.remote; }

 private:
  // What the kernel answers before it moves anything.
  int Check(const std::string& from, const std::string& to) const {
    if (to.empty()) return ENOENT;
    if (to.size() > MemoryFileSystem::kNameMax) return ENAMETOOLONG;
    if (to.find('/') != std::string::npos || to.find('\0') != std::string::npos) return EINVAL;
    if (!fs_.Exists(from)) return ENOENT;
    if (fs_.Exists(to)) return EEXIST;
    return 0;
  }

  MemoryFileSystem& fs_;
};

std::string MemoryFileSystem::Key(const std::string& name) const {
  if (foldForms) return FoldForms(name);
  if (ignoreUnicodeCase) return LowerCodePoints(name);
  if (!ignoreCase) return name;
  std::string key = name;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

void MemoryFileSystem::Add(const std::string& name, int inode, EntryKind kind) {
  entries_[Key(name)] = {name, inode, kind};
  ++modifiedNanoseconds_;
}

bool MemoryFileSystem::Erase(const std::string& name) {
  if (entries_.erase(Key(name)) == 0) return false;
  ++modifiedNanoseconds_;
  return true;
}

const MemoryEntry* MemoryFileSystem::Find(const std::string& name) const {
  const auto found = entries_.find(Key(name));
  return found == entries_.end() ? nullptr : &found->second;
}

std::vector<MemoryEntry> MemoryFileSystem::Entries() const {
  std::vector<MemoryEntry> entries;
  for (const auto& [key, entry] : entries_) entries.push_back(entry);
  return entries;
}

std::set<std::string> MemoryFileSystem::Names() const {
  std::set<std::string> names;
  for (const auto& [key, entry] : entries_) names.insert(entry.name);
  return names;
}

int MemoryFileSystem::List(const std::string&, EntryKind kind, std::vector<std::string>& names) {
  names.clear();
  for (const auto& [key, entry] : entries_) {
    if (entry.kind == kind && entry.name[0] != '.') names.push_back(entry.name);
  }
  return 0;
}

int MemoryFileSystem::ListAll(const std::string&, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  for (const auto& [key, entry] : entries_) {
    entries.push_back({entry.name, entry.kind == EntryKind::kFiles});
  }
  return 0;
}

std::unique_ptr<Directory> MemoryFileSystem::Open(const std::string&, int& error) {
  error = 0;
  return std::make_unique<MemoryDirectory>(*this);
}

}  // namespace renamer::testing
