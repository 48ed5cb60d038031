#include "engine/preview/simulated_directory.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace renamer {
namespace {

// Status reads a prediction spends on names that only the disk can compare: on a slow
// mount each is a round trip, and a rule that makes thousands of names meet others by
// letter case alone is rare. Beyond them, what is known of the letter classes decides.
constexpr int kQuestions = 1024;

// The longest file name most Linux file systems take, in bytes.
constexpr std::size_t kNameMax = 255;

constexpr unsigned Bit(LetterClass which) { return static_cast<unsigned>(which); }

}  // namespace

SimulatedDirectory::SimulatedDirectory(std::shared_ptr<const Start> start, Directory* disk,
                                       Mode mode)
    : start_(std::move(start)),
      ascii_(start_->ascii),
      other_(start_->other),
      forms_(start_->forms),
      mode_(mode),
      disk_(disk),
      questionsLeft_(disk != nullptr ? kQuestions : 0) {
  // A folder that takes forms for one and ignores the case of ASCII letters compares as
  // casefold folders do, which fold the case of every letter.
  if (forms_ == Folding::kFolds && ascii_ == Folding::kFolds && other_ != Folding::kExact) {
    other_ = Folding::kFolds;
  }
}

void SimulatedDirectory::Materialize() {
  if (materialized_) return;
  materialized_ = true;
  if (Exact()) {
    names_ = start_->names;
    return;
  }
  keys_.reserve(start_->names.size());
  for (const std::string& name : start_->names) Add(keys_[FoldKey(name)], {name, false});
}

int SimulatedDirectory::Status(const std::string& name, FileStatus& status) {
  // A regular file of the listing needs no question; anything else, and every time,
  // is read where it is.
  const std::unordered_set<std::string>& irregular = start_->irregular;
  const std::unordered_set<std::string>& links = start_->links;
  const bool known =
      !mode_.readsTimes &&
      (!start_->listed || (Holds(name) && (irregular.empty() || irregular.count(name) == 0) &&
                           (links.empty() || links.count(name) == 0)));
  if (known) {
    status = FileStatus{};
    status.regular = true;
    return 0;
  }
  return disk_ != nullptr ? disk_->Status(name, status) : ENOENT;
}

int SimulatedDirectory::RenameNoReplace(const std::string& from, const std::string& to) {
  if (const int error = Admits(from, to)) return error;
  Move(from, to);
  return 0;
}

int SimulatedDirectory::Link(const std::string& from, const std::string& to) {
  if (!Holds(from)) return ENOENT;
  if (const int error = Admits({}, to)) return error;
  Move({}, to);
  return 0;
}

int SimulatedDirectory::Unlink(const std::string& name) {
  if (!Holds(name)) return ENOENT;
  if (mode_.free) return 0;
  Materialize();
  if (Exact()) {
    names_.erase(name);
    return 0;
  }
  const auto key = keys_.find(FoldKey(name));
  if (!Remove(key->second, name).given) key->second.vacated = true;
  return 0;
}

int SimulatedDirectory::Identify(const std::string& name, FileIdentity& identity) {
  if (name != "." && !Holds(name)) return ENOENT;
  // A name that only a rename here gave is not on disk; its file's identity is not
  // needed to foresee a run.
  if (disk_ != nullptr && disk_->Identify(name, identity) == 0) return 0;
  identity = FileIdentity{};
  return 0;
}

bool SimulatedDirectory::Exact() const {
  // No file system folds the case of other letters while it keeps ASCII letters apart.
  // Where no entry has a letter with case, names meet by case only if renames gave both
  // of them letters, which counts as exact, as in SameByClass. Forms are another matter:
  // a folder may take every form of a text for one and still tell case apart.
  if (forms_ == Folding::kFolds) return false;
  if (ascii_ == Folding::kExact) return true;
  return ascii_ == Folding::kNoLetters && other_ == Folding::kNoLetters;
}

bool SimulatedDirectory::Holds(const std::string& name) const {
  if (!materialized_) return start_->names.count(name) != 0;
  if (Exact()) return names_.count(name) != 0;
  const auto key = keys_.find(FoldKey(name));
  if (key == keys_.end()) return false;
  const auto named = [&name](const Member& member) { return member.name == name; };
  return named(key->second.first) ||
         std::any_of(key->second.more.begin(), key->second.more.end(), named);
}

int SimulatedDirectory::Admits(const std::string& from, const std::string& to) {
  if (to.size() > kNameMax) return ENAMETOOLONG;
  if (mode_.free) return 0;
  Materialize();
  if (Exact()) return names_.count(to) != 0 ? EEXIST : 0;
  const std::string key = FoldKey(to);
  const auto target = keys_.find(key);
  if (target == keys_.end()) return 0;
  const bool sourceHere = !from.empty() && FoldKey(from) == key;
  return Blocked(target->second, from, sourceHere, to) ? EEXIST : 0;
}

void SimulatedDirectory::Move(const std::string& from, const std::string& to) {
  if (mode_.free) return;
  if (Exact()) {
    // The entry is reused for the new name: no allocation per file.
    auto node = names_.extract(from);
    if (node.empty()) {
      names_.insert(to);
      return;
    }
    node.value() = to;
    names_.insert(std::move(node));
    return;
  }
  if (!from.empty()) {
    const auto source = keys_.find(FoldKey(from));
    if (source != keys_.end()) {
      const Member left = Remove(source->second, from);
      if (!left.name.empty() && !left.given) source->second.vacated = true;
      if (source->second.first.name.empty() && !source->second.vacated) keys_.erase(source);
    }
  }
  Add(keys_[FoldKey(to)], {to, true});
}

bool SimulatedDirectory::Blocked(const Key& key, const std::string& from, bool sourceHere,
                                 const std::string& to) {
  const auto taken = [&to](const Member& member) { return member.name == to; };
  if (taken(key.first) || std::any_of(key.more.begin(), key.more.end(), taken)) return true;
  // The disk finds `to` as one entry at most. While no entry of the key has left its
  // name and the file itself is not of the key, that entry is one still in the way.
  OnDisk onDisk = OnDisk::kNotAsked;
  bool othersOnDisk = false;
  const auto blocks = [&](const Member& member) {
    if (member.name.empty() || member.name == from) return false;
    if (!member.given) {
      othersOnDisk = true;
      if (onDisk == OnDisk::kNotAsked) onDisk = Ask(to);
      if (onDisk == OnDisk::kAbsent) return false;
      if (onDisk == OnDisk::kPresent && !key.vacated && !sourceHere) return true;
    }
    return SameByClass(to, member.name);
  };
  if (blocks(key.first) || std::any_of(key.more.begin(), key.more.end(), blocks)) return true;
  // A change of case alone is refused where the file system takes both spellings for
  // one name, as the file is already there; the run then goes through a temporary name.
  if (!sourceHere) return false;
  if (onDisk == OnDisk::kNotAsked) onDisk = Ask(to);
  if (onDisk == OnDisk::kAbsent) return false;
  if (onDisk == OnDisk::kPresent && !key.vacated && !othersOnDisk) return true;
  return SameByClass(to, from);
}

SimulatedDirectory::OnDisk SimulatedDirectory::Ask(const std::string& to) {
  if (questionsLeft_ == 0) return OnDisk::kNoAnswer;
  --questionsLeft_;
  FileIdentity identity;
  const int error = disk_->Identify(to, identity);
  if (error == 0) return OnDisk::kPresent;
  return error == ENOENT ? OnDisk::kAbsent : OnDisk::kNoAnswer;
}

bool SimulatedDirectory::SameByClass(const std::string& a, const std::string& b) const {
  // A class that nothing told about counts as compared exactly, as on most Linux file
  // systems; only names that are not on disk yet are left to this guess.
  const unsigned differences = CaseDifferences(a, b);
  if ((differences & Bit(LetterClass::kAscii)) != 0 && ascii_ != Folding::kFolds) return false;
  if ((differences & Bit(LetterClass::kForms)) != 0 && forms_ != Folding::kFolds) return false;
  // Full case folding comes with the folding of forms where case counts for nothing, as
  // in casefold folders; a folder that takes forms for one but tells case apart keeps
  // "ß" and "ss" apart.
  if ((differences & Bit(LetterClass::kFullCase)) != 0 &&
      (ascii_ == Folding::kExact || other_ == Folding::kExact)) {
    return false;
  }
  return (differences & Bit(LetterClass::kOther)) == 0 || other_ == Folding::kFolds;
}

void SimulatedDirectory::Add(Key& key, Member member) {
  if (key.first.name.empty()) {
    key.first = std::move(member);
    return;
  }
  key.more.push_back(std::move(member));
}

SimulatedDirectory::Member SimulatedDirectory::Remove(Key& key, const std::string& name) {
  Member removed;
  if (key.first.name == name) {
    removed = std::move(key.first);
    key.first = {};
  } else {
    const auto it = std::find_if(key.more.begin(), key.more.end(),
                                 [&name](const Member& member) { return member.name == name; });
    if (it == key.more.end()) return removed;
    removed = std::move(*it);
    key.more.erase(it);
  }
  // The first place is kept filled while there is any name.
  if (key.first.name.empty() && !key.more.empty()) {
    key.first = std::move(key.more.back());
    key.more.pop_back();
  }
  return removed;
}

}  // namespace renamer
