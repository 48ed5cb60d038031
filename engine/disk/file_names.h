#pragma once

#include <string>
#include <string_view>

namespace renamer {

/// Turns the bytes of a file name into UTF-16 text without losing anything: valid
/// UTF-8 is decoded, and each byte that is not part of valid UTF-8 becomes the lone
/// surrogate U+DC00 + byte.
std::u16string DecodeFileName(std::string_view bytes);

/// True when unit `i` of a name from DecodeFileName stands for a byte that is not part
/// of valid UTF-8: a lone U+DC80..U+DCFF, not the second half of a surrogate pair.
bool StandsForByte(std::u16string_view name, std::size_t i);

/// The length of the valid, shortest-form UTF-8 sequence at `pos` of `bytes`, with its
/// code point in `cp`; 0 when none starts there.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t pos, char32_t& cp);

/// Appends the UTF-8 form of `cp`.
void AppendUtf8(std::string& out, char32_t cp);

/// The exact inverse of DecodeFileName. A lone surrogate that DecodeFileName cannot
/// produce is written as U+FFFD, so the result is always valid to hand to the kernel.
std::string EncodeFileName(std::u16string_view name);

}  // namespace renamer
