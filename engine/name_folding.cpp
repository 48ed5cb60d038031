#include "engine/name_folding.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "engine/file_names.h"

namespace renamer {
namespace {

// At most this many other spellings are looked up per letter class: each costs a
// status read, and one answer is normally enough.
constexpr int kProbes = 3;

locale_t CaseLocale() {
  static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return locale;
}

bool IsAscii(std::string_view name) {
  return std::none_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; });
}

char32_t Upper(char32_t cp) {
  const locale_t locale = CaseLocale();
  if (locale == locale_t{}) return cp;
  return static_cast<char32_t>(::towupper_l(static_cast<wint_t>(cp), locale));
}

// A letter that has case, or one that another folds to ("ß", the lower case of "ẞ").
bool IsCased(char32_t cp) {
  const locale_t locale = CaseLocale();
  if (locale == locale_t{}) return false;
  const auto wide = static_cast<wint_t>(cp);
  return ::iswlower_l(wide, locale) != 0 || ::iswupper_l(wide, locale) != 0 || LowerCase(cp) != cp;
}

// One step through the bytes of a name: a character of valid, shortest-form UTF-8, or a
// single byte that is not part of one (then `character` is false).
struct Step {
  char32_t cp = 0;
  std::size_t length = 1;
  bool character = false;
};

Step Next(std::string_view bytes, std::size_t pos) {
  char32_t cp = 0;
  const std::size_t length = Utf8SequenceLength(bytes, pos, cp);
  if (length == 0) return {static_cast<unsigned char>(bytes[pos]), 1, false};
  return {cp, length, true};
}

// `name` with `change` applied to each character beyond ASCII, bytes that are not UTF-8
// kept. Works on the bytes: a large directory has many names to go through.
template <typename Change>
std::string MapBeyondAscii(const std::string& name, Change change) {
  std::string result;
  result.reserve(name.size());
  for (std::size_t pos = 0; pos < name.size();) {
    const Step step = Next(name, pos);
    const char32_t cp = step.character && step.cp >= 0x80 ? change(step.cp) : step.cp;
    if (!step.character || cp == step.cp) {
      result.append(name, pos, step.length);
    } else {
      AppendUtf8(result, cp);
    }
    pos += step.length;
  }
  return result;
}

// The other case of a letter beyond ASCII, or the letter itself when it has none that
// is also beyond ASCII and folds alike (U+0130 folds to "i").
char32_t OtherCase(char32_t cp) {
  const char32_t lower = LowerCase(cp);
  const char32_t other = lower != cp ? lower : Upper(cp);
  if (other == cp || other < 0x80 || LowerCase(other) != lower) return cp;
  return other;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Looks for a letter of class `which` that has case, without building anything.
bool HasCasedLetter(const std::string& name, LetterClass which) {
  if (which == LetterClass::kAscii) return std::any_of(name.begin(), name.end(), IsAsciiLetter);
  if (IsAscii(name)) return false;
  for (std::size_t pos = 0; pos < name.size();) {
    const Step step = Next(name, pos);
    if (step.character && step.cp >= 0x80 && IsCased(step.cp)) return true;
    pos += step.length;
  }
  return false;
}

void LowerAscii(std::string& name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

}  // namespace

char32_t LowerCase(char32_t cp) {
  if (cp < 0x80) return cp >= U'A' && cp <= U'Z' ? cp - U'A' + U'a' : cp;
  const locale_t locale = CaseLocale();
  if (locale == locale_t{}) return cp;
  return static_cast<char32_t>(::towlower_l(static_cast<wint_t>(cp), locale));
}

std::string FoldKey(const std::string& name) {
  std::string key = IsAscii(name) ? name : MapBeyondAscii(name, LowerCase);
  LowerAscii(key);
  return key;
}

unsigned CaseDifferences(const std::string& a, const std::string& b) {
  const auto ascii = static_cast<unsigned>(LetterClass::kAscii);
  const auto other = static_cast<unsigned>(LetterClass::kOther);
  unsigned differences = 0;
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const Step left = Next(a, i);
    const Step right = Next(b, j);
    if (left.character != right.character) return ascii | other;
    if (left.cp != right.cp) differences |= left.cp < 0x80 && right.cp < 0x80 ? ascii : other;
    i += left.length;
    j += right.length;
  }
  return i == a.size() && j == b.size() ? differences : ascii | other;
}

std::string SwapCase(const std::string& name, LetterClass which) {
  if (which == LetterClass::kOther) {
    if (IsAscii(name)) return {};
    std::string result = MapBeyondAscii(name, OtherCase);
    return result != name ? result : std::string();
  }
  if (std::none_of(name.begin(), name.end(), IsAsciiLetter)) return {};
  std::string result = name;
  // Bytes of ASCII letters never occur inside the UTF-8 of another character.
  for (char& c : result) {
    if (IsAsciiLetter(c)) c = static_cast<char>(c ^ 0x20);
  }
  return result;
}

Folding ProbeFolding(Directory& dir, const std::unordered_set<std::string>& names,
                     LetterClass which) {
  bool cased = false;
  int asked = 0;
  for (const std::string& name : names) {
    if (!HasCasedLetter(name, which)) continue;
    cased = true;
    const std::string swapped = SwapCase(name, which);
    if (swapped.empty()) continue;
    // Both spellings side by side: the file system tells them apart.
    if (names.count(swapped) != 0) return Folding::kExact;
    // The inode numbers are not compared: some mounts that fold case give each
    // spelling its own.
    FileIdentity identity;
    const int error = dir.Identify(swapped, identity);
    if (error == 0) return Folding::kFolds;
    // Only while the entry itself is still there does the missing spelling tell.
    if (error == ENOENT && dir.Identify(name, identity) == 0) return Folding::kExact;
    if (++asked == kProbes) break;
  }
  return cased ? Folding::kUnknown : Folding::kNoLetters;
}

}  // namespace renamer
