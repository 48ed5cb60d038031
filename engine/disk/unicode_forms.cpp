#include "engine/disk/unicode_forms.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

namespace renamer {
namespace {

std::u16string ToUtf16(std::u32string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (const char32_t cp : text) {
    if (cp < 0x10000) {
      out.push_back(static_cast<char16_t>(cp));
    } else {
      out.push_back(static_cast<char16_t>(U16_LEAD(cp)));
      out.push_back(static_cast<char16_t>(U16_TRAIL(cp)));
    }
  }
  return out;
}

std::u32string ToUtf32(std::u16string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (U16_IS_LEAD(unit) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) {
      out.push_back(static_cast<char32_t>(U16_GET_SUPPLEMENTARY(unit, text[++i])));
    } else {
      out.push_back(unit);
    }
  }
  return out;
}

// Runs an ICU transformation that writes into a buffer, growing it when ICU asks for
// more room. Should ICU fail otherwise, the text is kept as it was: a key that folds
// less only costs the faster ways, and names are compared exactly.
template <typename Transform>
std::u16string Apply(const std::u16string& text, Transform transform) {
  std::u16string out(text.size() + 8, u'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        transform(reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                  reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.assign(static_cast<std::size_t>(length), u'\0');
      continue;
    }
    if (U_FAILURE(status)) return text;
    out.resize(static_cast<std::size_t>(length));
    return out;
  }
  return text;
}

std::u16string Normalize(const UNormalizer2* normalizer, const std::u16string& text) {
  if (normalizer == nullptr) return text;
  return Apply(text, [normalizer](const UChar* in, int32_t length, UChar* out, int32_t room,
                                  UErrorCode* status) {
    return unorm2_normalize(normalizer, in, length, out, room, status);
  });
}

// One of ICU's normalizers, or null where ICU cannot give it; then texts keep their form.
const UNormalizer2* Instance(const UNormalizer2* (*get)(UErrorCode*)) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* normalizer = get(&status);
  return U_SUCCESS(status) ? normalizer : nullptr;
}

const UNormalizer2* Nfd() {
  static const UNormalizer2* const instance = Instance(unorm2_getNFDInstance);
  return instance;
}

const UNormalizer2* Nfc() {
  static const UNormalizer2* const instance = Instance(unorm2_getNFCInstance);
  return instance;
}

bool IsNormalized(const UNormalizer2* normalizer, const std::u16string& text) {
  if (normalizer == nullptr) return true;
  UErrorCode status = U_ZERO_ERROR;
  const UBool normalized =
      unorm2_isNormalized(normalizer, reinterpret_cast<const UChar*>(text.data()),
                          static_cast<int32_t>(text.size()), &status);
  return U_FAILURE(status) || normalized != 0;
}

// Characters that no normalization or case folding beyond ASCII's changes and that never
// combine, known without a look at ICU's tables: what nearly every name is made of.
// "µ" (U+00B5) folds to "μ".
bool IsPlain(char32_t cp) {
  return (cp < 0xC0 && cp != 0xB5) || (cp >= 0x3400 && cp <= 0x4DBF) ||
         (cp >= 0x4E00 && cp <= 0x9FFF);
}

}  // namespace

bool HasOtherForm(std::u32string_view text) {
  bool plain = true;
  for (const char32_t cp : text) plain = plain && IsPlain(cp);
  if (plain) return false;
  const std::u16string units = ToUtf16(text);
  return !IsNormalized(Nfd(), units) || !IsNormalized(Nfc(), units);
}

bool MayChangeForm(char32_t cp) {
  if (IsPlain(cp)) return false;
  const auto c = static_cast<UChar32>(cp);
  return u_getIntPropertyValue(c, UCHAR_NFD_QUICK_CHECK) != UNORM_YES ||
         u_getIntPropertyValue(c, UCHAR_NFC_QUICK_CHECK) != UNORM_YES ||
         u_hasBinaryProperty(c, UCHAR_CHANGES_WHEN_CASEFOLDED) != 0;
}

bool IsStarter(char32_t cp) { return u_getCombiningClass(static_cast<UChar32>(cp)) == 0; }

std::u32string Decomposed(std::u32string_view text) {
  return ToUtf32(Normalize(Nfd(), ToUtf16(text)));
}

std::u32string Composed(std::u32string_view text) {
  return ToUtf32(Normalize(Nfc(), ToUtf16(text)));
}

std::u32string FullyFolded(std::u32string_view text) {
  const std::u16string decomposed = Normalize(Nfd(), ToUtf16(text));
  const std::u16string folded = Apply(decomposed, [](const UChar* in, int32_t length, UChar* out,
                                                     int32_t room, UErrorCode* status) {
    return u_strFoldCase(out, room, in, length, U_FOLD_CASE_DEFAULT, status);
  });
  return ToUtf32(Normalize(Nfd(), folded));
}

}  // namespace renamer
