#pragma once

#include <string>
#include <unordered_set>

#include "engine/file_system.h"

namespace renamer {

/// The letters whose case a file system may fold, each class on its own: some mounts
/// fold ASCII letters only, others every cased letter. Values are bits.
enum class LetterClass : unsigned {
  kAscii = 1,  ///< A-Z and a-z
  kOther = 2,  ///< every other letter that has a second case
};

/// What is known of how a file system compares the letters of one class.
enum class Folding {
  kNoLetters,  ///< no entry has a letter of the class that has case
  kUnknown,    ///< there are such letters, but nothing told
  kExact,      ///< different case, different name
  kFolds,      ///< different case, same name
};

/// The lower case of one character, as the C.UTF-8 locale has it.
char32_t LowerCase(char32_t cp);

/// `name` with every letter in lower case, code point by code point (beyond U+FFFF
/// too): the fullest folding a file system is taken to do, so that two names it takes
/// for one always get the same key. Bytes that are not UTF-8 are kept as they are.
std::string FoldKey(const std::string& name);

/// The LetterClass bits of the letters in which two names of the same FoldKey differ.
unsigned CaseDifferences(const std::string& a, const std::string& b);

/// `name` with the case of every letter of class `which` swapped, where the other case
/// is of the same class and folds alike; empty when no letter could be swapped.
std::string SwapCase(const std::string& name, LetterClass which);

/// Learns from the entries `names` of `dir` (all of them) whether its file system folds
/// the case of letters of class `which`: another spelling of an entry is looked up,
/// with a few status reads at most. Changes nothing.
Folding ProbeFolding(Directory& dir, const std::unordered_set<std::string>& names,
                     LetterClass which);

}  // namespace renamer
