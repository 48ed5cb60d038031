#pragma once

#include <string>
#include <string_view>

namespace renamer {

/// The canonical decomposition (NFD) of `text`: "é" becomes "e" and U+0301, a Hangul
/// syllable its jamo, U+212A (KELVIN SIGN) "K".
std::u32string Decomposed(std::u32string_view text);

/// The canonical composition (NFC) of `text`.
std::u32string Composed(std::u32string_view text);

/// `text` as a file system that ignores both the form and the case of letters compares
/// it: decomposed, fully case-folded ("ß" becomes "ss", "ﬁ" "fi", final "ς" "σ") and
/// decomposed again.
std::u32string FullyFolded(std::u32string_view text);

/// True when `text` has another canonically equivalent form: it is not in both NFD and
/// NFC. Cheap for the common names, which have no such character.
bool HasOtherForm(std::u32string_view text);

/// False for a character that neither has another canonical form, nor combines with the
/// one before it, nor changes when case-folded: a quick look before HasOtherForm() and
/// full case folding, which build texts.
bool MayChangeForm(char32_t cp);

/// True for a character that starts a combining sequence (canonical combining class 0).
bool IsStarter(char32_t cp);

}  // namespace renamer
