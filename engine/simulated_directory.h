#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/file_system.h"
#include "engine/name_folding.h"

namespace renamer {

/// The names of a directory as a run's renames would change them, compared as its file
/// system compares them. Nothing on disk changes.
class SimulatedDirectory {
 public:
  /// `names`: every entry of the directory now. `ascii`, `other`: what is known of the
  /// file system's folding of each letter class. `disk`: the directory itself, asked
  /// (status reads only) whether a name stands for an entry there when only the file
  /// system can tell; may be null.
  SimulatedDirectory(std::unordered_set<std::string> names, Folding ascii, Folding other,
                     Directory* disk);

  /// The error the run's rename from `from` to `to` would meet, or 0; on 0 the
  /// directory holds `to` instead of `from`.
  int Rename(const std::string& from, const std::string& to);

 private:
  struct Member {
    std::string name;  ///< empty for none
    /// A rename gave the name. Otherwise it is still the entry of the start, under its
    /// name of then, and the disk can be asked about it.
    bool given = false;
  };
  /// The names of one FoldKey; nearly always one, kept without an allocation of its own.
  struct Key {
    Member first;
    std::vector<Member> more;
    /// An entry of the start has left a name of this key. On disk it still has it, so
    /// an answer about the key no longer tells which entry is meant.
    bool vacated = false;
  };
  enum class OnDisk { kNotAsked, kAbsent, kPresent, kNoAnswer };

  /// True when names compare as bytes, and need no FoldKey.
  bool Exact() const;
  /// Rename() where names compare as bytes.
  int RenameExactly(const std::string& from, const std::string& to);
  /// Whether a name of `key`, the FoldKey of `to`, keeps `from` from being renamed to
  /// `to`; `sourceHere`: `from` is of that key too.
  bool Blocked(const Key& key, const std::string& from, bool sourceHere, const std::string& to);
  /// Whether the directory on disk has an entry that `to` names, while questions last.
  OnDisk Ask(const std::string& to);
  /// Whether two names of one FoldKey are one name, by what is known of each class.
  bool SameByClass(const std::string& a, const std::string& b) const;
  /// Puts `member` into `key`.
  static void Add(Key& key, Member member);
  /// Takes `name` out of `key`; returns it, or a member with an empty name.
  static Member Remove(Key& key, const std::string& name);

  Folding ascii_;
  Folding other_;
  Directory* disk_;
  int questionsLeft_;
  /// Where names compare as bytes: every name now.
  std::unordered_set<std::string> names_;
  /// Otherwise: every name now, by FoldKey.
  std::unordered_map<std::string, Key> keys_;
};

}  // namespace renamer
