#include "tests/support/random_folder.h"

#include <algorithm>

namespace renamer::testing {
namespace {

// Pieces of hostile names, as bytes: ASCII, CJK, combining marks, emoji outside the
// BMP, spaces, dots, bytes that are not UTF-8, a newline and other odd characters.
const std::vector<std::string> kPieces = {
    "a",
    "b",
    "ab",
    "img",
    "IMG",
    "1",
    "2",
    "10",
    "x",
    "照片",
    "文件",
    "中",
    "e\xCC\x81",
    "\xCC\x88",
    "\xF0\x9F\x98\x80",
    "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD",
    " ",
    "  ",
    ".",
    "..",
    "\xFF",
    "\xC3",
    "\x80",
    "\xED\xA0\x80",
    "\xC0\xAF",
    "\n",
    "\\",
    "*",
    "?",
    "\t",
    "-",
    "(",
    ")",
    "~",
};
const std::vector<std::string> kExtensionPieces = {
    "jpg", "JPG", "txt", "gz", "tar", "中", "\xF0\x9F\x98\x80", "\xFE", " ", "e\xCC\x81",
};

std::string Pieces(RandomFolder& random, const std::vector<std::string>& pieces, std::size_t most) {
  std::string text;
  for (std::size_t i = random.Below(most + 1); i > 0; --i) text += random.Pick(pieces);
  return text;
}

}  // namespace

std::uint64_t RandomFolder::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::string RandomFolder::CaseName(bool asciiLetters) {
  static const std::vector<std::string> others = {"照片", "1",    "2", ".", " ", "..", "@",
                                                  "新_",  "\xff", "é", "É", "ä", "Ä",  "ß"};
  static const std::vector<std::string> wide = {"\xf0\x9f\x98\x80", kWideUpper, kWideLower};
  static const std::vector<std::string> ascii = {"a",    "A",  "b",       "ab",        ".jpg",
                                                 ".JPG", ".t", ".tar.gz", "e\xcc\x81", "x"};
  // Spellings that a folder folding forms as well as case takes for one: composed and
  // decomposed, full case folding, KELVIN SIGN and ANGSTROM SIGN, a Hangul syllable and
  // its jamo, a compatibility ideograph and its ideograph.
  static const std::vector<std::string> forms = {
      "\u00e9", "e\u0301", "ss",     "\u1e9e",  "\u03c2", "\u03c3",
      "\u017f", "s",       "\ufb01", "fi",      "\u212a", "k",
      "\u0130", "i\u0307", "\u212b", "a\u030a", "\ud55c", "\u1112\u1161\u11ab",
      "\uf900", "\u8c48"};
  std::string name;
  for (std::size_t i = 1 + Below(3); i > 0; --i) {
    const std::string& form = Pick(forms);
    const bool asciiLetter = std::any_of(form.begin(), form.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
    if (Below(6) == 0 && (asciiLetters || !asciiLetter)) {
      name += form;
    } else if (Below(8) == 0) {
      name += Pick(wide);
    } else {
      name += Pick(asciiLetters && Below(2) == 0 ? ascii : others);
    }
  }
  return name;
}

std::string RandomFolder::HostileName() {
  std::string base = Pieces(*this, kPieces, 4);
  if (Chance(15)) base = " " + base;
  if (Chance(15)) base += " ";
  std::string ext;
  if (Chance(75)) {
    ext = "." + Pieces(*this, kExtensionPieces, 2);
    if (Chance(10)) ext.insert(1, " ");
    if (Chance(10)) ext += " ";
  }
  if (Chance(5)) base = "." + base;  // hidden: never listed, must stay untouched
  if (Chance(6) && base.size() + ext.size() < kNameMax) {
    base.append(kNameMax - base.size() - ext.size(), Chance(50) ? 'x' : ' ');
  }
  return base + ext;
}

std::string RandomFolder::AnyName(std::size_t most) {
  std::string bytes(1 + Below(most), '\0');
  for (char& c : bytes) {
    do {
      c = static_cast<char>(Next() & 0xff);
    } while (c == '/' || c == '\0');
  }
  return bytes == "." || bytes == ".." ? bytes + "x" : bytes;
}

std::int64_t RandomFolder::Time() {
  static const std::vector<std::int64_t> kTimes = {1704067200, 1704067201, 1709629507,
                                                   1709596800, 1735084800, 1735154999};
  return Chance(50) ? Pick(kTimes) : 1600000000 + static_cast<std::int64_t>(Below(100000000));
}

std::u16string RandomFolder::FieldText(const std::vector<std::u16string>& listed) {
  switch (Below(16)) {
    case 0:
      return u"";
    case 1:
      return u" ";
    case 2:
      return u"/";
    case 3:
      return u"..";
    case 4:
      return u".";
    case 5:
      return u"a/b";
    case 6:
      return u"../x";
    case 7: {
      std::string text;
      for (std::size_t i = 100 + Below(300); i > 0; --i) text += Pick(kPieces);
      return DecodeFileName(text);
    }
    case 8:
    case 9: {
      if (listed.empty()) return u"a";
      const std::u16string& name = Pick(listed);
      const std::size_t start = Below(name.size() + 1);
      return name.substr(start, 1 + Below(3));
    }
    case 10:
      return DecodeFileName(std::to_string(static_cast<long long>(Below(17)) - 4));
    case 11:
      return DecodeFileName(Pieces(*this, kPieces, 3));
    case 12:
      return u" x ";
    case 13:
      return std::u16string(1, u'\0');
    case 14:
      return Chance(50) ? u"\xD800" : u"\xDCFF";
    default:
      return Pick(std::vector<std::u16string>{u"2.5", u"1,000", u"abc", u"1e1"});
  }
}

std::u16string RandomFolder::TypeText(const std::vector<std::u16string>& listed) {
  std::u16string ext;
  if (!listed.empty()) {
    const std::u16string& name = Pick(listed);
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos) ext = name.substr(dot);
  }
  switch (Below(7)) {
    case 0:
    case 1:
      return u"*.*";
    case 2:
      return u" *.* ";
    case 3:
      return ext;
    case 4:
      return u" " + ext + u" ";
    case 5:
      return u"";
    default:
      return FieldText(listed);
  }
}

std::u16string RandomFolder::RuleCode() {
  const std::size_t pick = Below(kRules.size() + 2);
  if (pick < kRules.size()) return std::u16string(kRules[pick].code);
  return pick == kRules.size() ? u"" : u"ADDpre";
}

void RandomFolder::PickCaseRule(RenameEngine& engine, MemoryWindow& window) {
  const std::size_t rule = Below(kRules.size() + 1);
  engine.ChgMode = rule < kRules.size() ? std::u16string(kRules[rule].code) : u"";
  window.typeText = DecodeFileName(
      Pick(std::vector<std::string>{"*.*", "*.*", " *.* ", "", ".jpg", ".JPG", ".t", ".gz"}));
  const std::vector<std::string> counts = {"0", "1", "2", "3"};
  const std::vector<std::string> texts = {
      "",  "a", "A", "照片", ".", "1",        "b",        " ",      "新_",     "@",
      "É", "ä", "ẞ", "ss",   "k", kWideUpper, kWideLower, "\u212a", "e\u0301", "\u00e9"};
  std::string value = Pick(texts);
  if (engine.ChgMode == u"EXT") value = Pick(std::vector<std::string>{".jpg", ".t", "", "."});
  if (engine.ChgMode == u"DELPREN" || engine.ChgMode == u"DELLSTN" ||
      IsNumberingRule(engine.ChgMode)) {
    value = Pick(counts);
  }
  window.stringText = DecodeFileName(Pick(texts));
  window.valueText = DecodeFileName(value);
}

void RandomFolder::PickChoice(MemoryWindow& window) {
  window.checked.clear();
  if (Below(4) == 0) return;
  for (std::size_t k = 0; k < window.files.size(); ++k) window.checked.push_back(Below(3) != 0);
}

bool IsUsableName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.size() <= RandomFolder::kNameMax &&
         name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

}  // namespace renamer::testing
