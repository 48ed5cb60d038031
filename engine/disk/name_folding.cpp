#include "engine/disk/name_folding.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "engine/disk/file_names.h"
#include "engine/disk/unicode_forms.h"

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

// `name` with `change` applied to each run of valid UTF-8, as code points; bytes that are
// not UTF-8 end a run and are kept as they are.
template <typename Change>
std::string MapRuns(const std::string& name, Change change) {
  std::string result;
  result.reserve(name.size() + 8);
  std::u32string run;
  const auto flush = [&] {
    if (run.empty()) return;
    for (const char32_t cp : change(run)) AppendUtf8(result, cp);
    run.clear();
  };
  for (std::size_t pos = 0; pos < name.size();) {
    const Step step = Next(name, pos);
    if (step.character) {
      run.push_back(step.cp);
    } else {
      flush();
      result.push_back(name[pos]);
    }
    pos += step.length;
  }
  flush();
  return result;
}

// The valid runs of `name` as code points, for a look that builds no name.
template <typename Test>
bool AnyRun(const std::string& name, Test test) {
  std::u32string run;
  for (std::size_t pos = 0; pos <= name.size();) {
    const Step step = pos < name.size() ? Next(name, pos) : Step{0, 1, false};
    if (step.character) {
      run.push_back(step.cp);
    } else {
      if (!run.empty() && test(run)) return true;
      run.clear();
    }
    pos += step.length;
  }
  return false;
}

// True when the key of `name` is the name with its ASCII capitals made small: no other
// character has a case or another form, as in Chinese names, which are common here.
bool OnlyUnfoldable(const std::string& name) {
  for (std::size_t pos = 0; pos < name.size();) {
    const Step step = Next(name, pos);
    // "ı" folds to itself but the key makes it "i".
    if (step.character && (MayChangeForm(step.cp) || step.cp == U'\u0131')) return false;
    pos += step.length;
  }
  return true;
}

// A fully folded text, with "ı" and the dot above that "İ" leaves on an "i" taken out:
// folding code point by code point makes both of them "i", full folding does not.
std::u32string FoldedAndMerged(const std::u32string& run) {
  std::u32string folded = FullyFolded(run);
  std::u32string merged;
  merged.reserve(folded.size());
  bool onI = false;
  for (char32_t cp : folded) {
    if (cp == U'\u0131') cp = U'i';
    if (cp == U'\u0307' && onI) continue;
    if (IsStarter(cp)) onI = cp == U'i';
    merged.push_back(cp);
  }
  return merged;
}

// `run` with each letter that full case folding changes beyond its lower case ("ß",
// "ẞ", final "ς", "ſ", "ﬁ") folded, and everything else as it is.
std::u32string FoldFullCaseOnly(const std::u32string& run) {
  std::u32string result;
  result.reserve(run.size());
  for (const char32_t cp : run) {
    const std::u32string one(1, cp);
    if (MayChangeForm(cp)) {
      std::u32string folded = FullyFolded(one);
      if (folded != Decomposed(std::u32string(1, LowerCase(cp)))) {
        result += folded;
        continue;
      }
    }
    result += one;
  }
  return result;
}

// The other case of a letter beyond ASCII, or the letter itself when it has none that
// folds alike both code point by code point and fully: U+0130 folds to "i" by the first
// and to "i" with a dot above by the second, so neither tells of the other. The other
// case may be an ASCII letter (U+212A KELVIN SIGN and "k").
char32_t OtherCase(char32_t cp) {
  const char32_t lower = LowerCase(cp);
  const char32_t other = lower != cp ? lower : Upper(cp);
  if (other == cp || LowerCase(other) != lower) return cp;
  if (FullyFolded(std::u32string(1, cp)) != FullyFolded(std::u32string(1, other))) return cp;
  return other;
}

// The LetterClass bits of the code points in which two names differ, when they pair
// up one by one with the same lower case; false when they do not.
bool SimpleCaseDifferences(const std::string& a, const std::string& b, unsigned& differences) {
  const auto ascii = static_cast<unsigned>(LetterClass::kAscii);
  const auto other = static_cast<unsigned>(LetterClass::kOther);
  differences = 0;
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const Step left = Next(a, i);
    const Step right = Next(b, j);
    if (left.character != right.character) return false;
    if (left.cp != right.cp) {
      if (!left.character || LowerCase(left.cp) != LowerCase(right.cp)) return false;
      differences |= left.cp < 0x80 && right.cp < 0x80 ? ascii : other;
    }
    i += left.length;
    j += right.length;
  }
  return i == a.size() && j == b.size();
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Looks for a letter of class `which` that has case, without building anything.
bool HasCasedLetter(const std::string& name, LetterClass which) {
  if (which == LetterClass::kAscii) return std::any_of(name.begin(), name.end(), IsAsciiLetter);
  if (IsAscii(name)) return false;
  if (which == LetterClass::kForms) {
    bool candidate = false;
    for (std::size_t pos = 0; pos < name.size() && !candidate;) {
      const Step step = Next(name, pos);
      candidate = step.character && MayChangeForm(step.cp);
      pos += step.length;
    }
    return candidate && AnyRun(name, [](const std::u32string& run) {
             return HasOtherForm(run) || FoldFullCaseOnly(run) != run;
           });
  }
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
  if (!IsAscii(name) && !OnlyUnfoldable(name)) return MapRuns(name, FoldedAndMerged);
  std::string key = name;
  LowerAscii(key);
  return key;
}

unsigned CaseDifferences(const std::string& a, const std::string& b) {
  unsigned differences = 0;
  if (SimpleCaseDifferences(a, b, differences)) return differences;
  const auto forms = static_cast<unsigned>(LetterClass::kForms);
  const auto decompose = [](const std::u32string& run) { return Decomposed(run); };
  if (SimpleCaseDifferences(MapRuns(a, decompose), MapRuns(b, decompose), differences)) {
    return forms | differences;
  }
  return forms | static_cast<unsigned>(LetterClass::kFullCase);
}

std::string SwapCase(const std::string& name, LetterClass which) {
  if (which == LetterClass::kForms) {
    if (IsAscii(name)) return {};
    for (const auto form : {Decomposed, Composed}) {
      std::string result = MapRuns(name, [form](const std::u32string& run) { return form(run); });
      // U+212A decomposes to "K", a change that a file system folding case also makes.
      if (result != name && CaseDifferences(name, result) == static_cast<unsigned>(which)) {
        return result;
      }
    }
    std::string result = MapRuns(name, FoldFullCaseOnly);
    return result != name ? result : std::string();
  }
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
