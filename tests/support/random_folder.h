#pragma once

// The one source of random folders for the property tests: names, folders, rules and
// field texts drawn from a seed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/support/memory_window.h"

namespace renamer::testing {

/// Seeded random folders, names, rules and field texts. splitmix64: the same sequence
/// on every platform, so a seed names one case for good.
class RandomFolder {
 public:
  /// A letter beyond U+FFFF (U+10400) in upper and in lower case.
  static constexpr const char* kWideUpper = "\xf0\x90\x90\x80";
  static constexpr const char* kWideLower = "\xf0\x90\x90\xa8";
  /// The longest file name Linux takes, in bytes.
  static constexpr std::size_t kNameMax = 255;

  explicit RandomFolder(std::uint64_t seed) : state_(seed) {}

  /// Another stream, drawn from where this one stands without moving it: draws added to
  /// a scenario leave the cases its seed named as they were.
  RandomFolder Branch(std::uint64_t salt) const { return RandomFolder(state_ ^ salt); }

  std::uint64_t Next();
  /// A number below `n`; 0 when `n` is 0.
  std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }
  bool Chance(std::size_t percent) { return Below(100) < percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }

  /// A short name whose pieces often meet others by letter case alone: CJK, case pairs
  /// (beyond ASCII and U+FFFF too, and "ß", which has no upper case of its own), dots,
  /// spaces, bytes that are not UTF-8, a combining mark, an emoji; without ASCII letters
  /// if `asciiLetters` is false.
  std::string CaseName(bool asciiLetters);
  /// A name of hostile bytes up to kNameMax long: combining marks, emoji, bytes that are
  /// not UTF-8, newlines, spaces and dots at either end; hidden now and then. May be
  /// unusable (empty, "." or too long): see IsUsableName.
  std::string HostileName();
  /// Any bytes but "/" and NUL, 1 to `most` of them, never "." or "..".
  std::string AnyName(std::size_t most);
  /// A modification time, often shared with other files.
  std::int64_t Time();

  /// A field text: empty, separators, "..", very long, parts of `listed` (so that rules
  /// make names collide), numbers in and out of range, NUL, lone surrogates.
  std::u16string FieldText(const std::vector<std::u16string>& listed);
  /// A type text: "*.*", an extension of `listed`, padded or not, empty or any text.
  std::u16string TypeText(const std::vector<std::u16string>& listed);
  /// A rule code; sometimes none, or one that is no rule.
  std::u16string RuleCode();

  /// Files of CaseName(), some of them in a chain of renames, and entries in the way,
  /// made through `place`, which offers Exists(name), File(name, time) and
  /// Obstacle(name, kind).
  template <typename Place>
  void MakeCaseFolder(Place& place);
  /// A rule with fitting fields and a type text for the case folders; sometimes none.
  void PickCaseRule(RenameEngine& engine, MemoryWindow& window);
  /// Leaves some of the window's files unchecked, in most calls; else checks all.
  void PickChoice(MemoryWindow& window);
  /// Now and then a listed file is something else by the time the run starts: made
  /// through `place`'s Replace(name, kind).
  template <typename Place>
  void Disturb(Place& place, const std::vector<std::u16string>& listed);

 private:
  std::uint64_t state_;
};

/// True when `name` can be made as a file: not empty, ".", ".." or too long, and
/// without "/" or NUL.
bool IsUsableName(const std::string& name);

template <typename Place>
void RandomFolder::MakeCaseFolder(Place& place) {
  // Sometimes no listed name has an ASCII letter, which leaves only the entries in the
  // way to learn from whether the file system folds them.
  const bool asciiLetters = Below(4) != 0;
  // Often a chain: each name freed by one rename is taken by the next.
  if (asciiLetters && Below(3) == 0) {
    for (const char* name : {"ab.t", "abc.t", "abcd.t", "a.t", "x.a.t"}) {
      if (Below(4) != 0) place.File(name, 1700000000 + static_cast<std::int64_t>(Below(4)) * 60);
    }
  }
  const std::size_t files = Below(9);
  for (std::size_t i = 0; i < files; ++i) {
    const std::string name = CaseName(asciiLetters);
    if (name[0] == '.' || place.Exists(name)) continue;
    place.File(name, 1700000000 + static_cast<std::int64_t>(Below(4)) * 60);
  }
  // Obstacles the file list does not show, each a likely target.
  const std::size_t obstacles = Below(3);
  for (std::size_t i = 0; i < obstacles; ++i) {
    const std::string name = Pick(std::vector<std::string>{"a", "A", "新_a", "1a", "ab", "abc", ".",
                                                           "", "a ", "A照片", "É", "ä", "ẞ"}) +
                             Pick(std::vector<std::string>{"", ".t", ".jpg", "@", ".a.t", "照片"});
    if (name.empty() || name == "." || place.Exists(name)) continue;
    place.Obstacle(name, Below(3));  // a file is hidden when it starts with a dot
  }
}

template <typename Place>
void RandomFolder::Disturb(Place& place, const std::vector<std::u16string>& listed) {
  if (listed.empty() || Below(8) != 0) return;
  place.Replace(EncodeFileName(Pick(listed)), Below(2));
}

}  // namespace renamer::testing
