#pragma once

#include <string>
#include <unordered_set>

#include "engine/disk/file_system.h"

namespace renamer {

/// What a file system may ignore when it compares names, each class on its own: some
/// mounts fold the case of ASCII letters only, others of every cased letter, and some
/// (ext4 and f2fs casefold folders) also take every Unicode form of a text for one.
/// Values are bits.
enum class LetterClass : unsigned {
  kAscii = 1,  ///< the case of A-Z and a-z
  kOther = 2,  ///< the case of every other letter that has a second case
  kForms = 4,  ///< "é" and "e" with U+0301: canonically equivalent forms
  /// "ß" and "ss", final "ς" and "σ": full case folding. Not learned on its own: a folder
  /// that takes forms for one and is not seen to tell case apart is taken to do it.
  kFullCase = 8,
};

/// What is known of how a file system compares the letters of one class.
enum class Folding {
  kNoLetters,  ///< no entry has a letter of the class that has case, or another form
  kUnknown,    ///< there are such letters, but nothing told
  kExact,      ///< different case, different name
  kFolds,      ///< different case, same name
};

/// The lower case of one character, as the C.UTF-8 locale has it.
char32_t LowerCase(char32_t cp);

/// `name` folded as fully as any file system is taken to fold it, so that two names
/// that one takes for one always get the same key: decomposed, fully case-folded and
/// decomposed again, as ext4 casefold folders compare, and also merged where folding
/// code point by code point says otherwise ("İ", "ı" and "i"). Bytes that are not
/// UTF-8 are kept as they are. Names of ASCII only are just made lower case.
std::string FoldKey(const std::string& name);

/// The LetterClass bits that a file system has to fold to take two names of the same
/// FoldKey for one: the classes of the letters whose case differs where the names
/// differ only in case, code point by code point; kForms added where they differ in
/// form (with the case bits of their decomposed forms); kForms and kFullCase where only
/// full case folding makes them one ("ß" and "ss").
unsigned CaseDifferences(const std::string& a, const std::string& b);

/// `name` with every letter of class `which` in its other case (kAscii, kOther), such
/// that the two names differ in that class alone; for kForms in its other form
/// (decomposed, or composed where it is decomposed) or, where it has none, with the
/// letters that full case folding changes folded ("ß" to "ss"). Empty when nothing could
/// be changed.
std::string SwapCase(const std::string& name, LetterClass which);

/// Learns from the entries `names` of `dir` (all of them) whether its file system folds
/// the case of letters of class `which`: another spelling of an entry is looked up,
/// with a few status reads at most. Changes nothing.
Folding ProbeFolding(Directory& dir, const std::unordered_set<std::string>& names,
                     LetterClass which);

}  // namespace renamer
