#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/disk/file_system.h"
#include "engine/disk/name_folding.h"

namespace renamer {

/// A directory in memory that starts as a real one and answers a run's calls as its file
/// system would, comparing names as that one compares them. Renames change only the
/// memory; the real directory is only ever read.
class SimulatedDirectory : public Directory {
 public:
  /// What the simulation starts from.
  struct Start {
    /// Every entry of the directory now.
    std::unordered_set<std::string> names;
    /// Those of them that are not regular files.
    std::unordered_set<std::string> irregular;
    /// Those of them that are symbolic links, whose status is always read on the disk:
    /// what one leads to may change without the directory.
    std::unordered_set<std::string> links;
    /// The names come from a listing; without one, every name asked about is taken to be
    /// a regular file there.
    bool listed = true;
    /// What is known of the file system's folding of each letter class.
    Folding ascii = Folding::kExact;
    Folding other = Folding::kExact;
    Folding forms = Folding::kExact;
  };

  /// How one simulation answers.
  struct Mode {
    /// Status() reads the disk for every name, for its modification time.
    bool readsTimes = false;
    /// The caller found that every new name to come is free (see NewNamesFree): renames
    /// check only its length and change nothing, so that the start is never copied.
    /// Only renames may follow.
    bool free = false;
  };

  /// `start` is shared, and copied only when a rename changes the names. `disk`: the
  /// directory itself, read where only it can tell; may be null.
  SimulatedDirectory(std::shared_ptr<const Start> start, Directory* disk, Mode mode);

  int Status(const std::string& name, FileStatus& status) override;
  int RenameNoReplace(const std::string& from, const std::string& to) override;
  int Link(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& name) override;
  int Identify(const std::string& name, FileIdentity& identity) override;
  /// Read on the disk: a fill reads it before any simulated rename.
  CaptureTime ReadCaptureTime(const std::string& name) override {
    return disk_ != nullptr ? disk_->ReadCaptureTime(name) : CaptureTime{};
  }

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
  /// Copies the start's names into the tables that renames change, once.
  void Materialize();
  /// True when `name` is an entry now, spelled exactly so.
  bool Holds(const std::string& name) const;
  /// 0 when `to` may be added while `from` (empty for none) makes way, else the error.
  int Admits(const std::string& from, const std::string& to);
  /// Adds `to`, taking `from` away unless it is empty.
  void Move(const std::string& from, const std::string& to);
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

  std::shared_ptr<const Start> start_;
  Folding ascii_;
  Folding other_;
  Folding forms_;
  Mode mode_;
  Directory* disk_;
  int questionsLeft_;
  /// The names are in the tables below; before, they are the start's.
  bool materialized_ = false;
  /// Where names compare as bytes: every name now.
  std::unordered_set<std::string> names_;
  /// Otherwise: every name now, by FoldKey.
  std::unordered_map<std::string, Key> keys_;
};

}  // namespace renamer
