#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace renamer {

/// How the run button reads a value text.
struct NumericReading {
  /// The whole text (thousands separators skipped) as a number.
  double value = 0;
  /// The decimal reading that stops at the first thousands separator.
  double leadingValue = 0;
};

/// Reads `text` (spaces around it are ignored) as a plain decimal number: an optional
/// sign, digits that may be grouped with ",", an optional fraction and an optional
/// exponent. Anything else is not numeric.
std::optional<NumericReading> ReadNumeric(std::u16string_view text);

/// The nearest 16-bit integer to a numeric text (halves go to the even neighbour), or
/// nothing when the text is not numeric or its value lies outside the 16-bit range.
std::optional<std::int16_t> ToInt16(std::u16string_view text);

/// A numeric text whose value is a whole number of at most 15 digits.
std::optional<long long> ToWholeNumber(std::u16string_view text);

inline constexpr std::u16string_view kNotIntegerMessage = u"请输入整数！";
inline constexpr std::u16string_view kNumberTooLongMessage = u"顺序号太长！";
inline constexpr std::u16string_view kExtensionDotMessage = u"扩展名请以 . 开始";

/// The checks of the value field that rules make (see Rule::check): a message, or empty
/// when the run may start. A count of characters or digits must be an integer below 11;
/// a new extension must start with a dot.
std::u16string CheckDigitCount(std::u16string_view valueText);
std::u16string CheckNewExtension(std::u16string_view valueText);

/// The message the run button shows instead of starting a run under rule `code` with
/// the value field's text `valueText`; empty when the run may start.
std::u16string CheckRunInput(std::u16string_view code, std::u16string_view valueText);

}  // namespace renamer
