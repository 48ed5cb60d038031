#include "engine/name_rules.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "engine/input_check.h"
#include "engine/text.h"

namespace renamer {
namespace {

constexpr std::u16string_view kMask = u"0000000000";

// The running number padded with zeros to `width` digits; a wider number keeps all
// its digits.
std::u16string FormatNumber(long long number, std::size_t width) {
  std::u16string digits = DecimalText(number < 0 ? -number : number);
  std::u16string result = number < 0 ? u"-" : u"";
  if (digits.size() < width) result.append(width - digits.size(), u'0');
  return result + digits;
}

// Digit count for the numbering rules. The run button lets a negative count through;
// it has no mask, so it numbers like a count of 0.
std::optional<std::size_t> MaskWidth(std::u16string_view valueText) {
  const std::optional<std::int16_t> width = ToInt16(valueText);
  if (!width) return std::nullopt;
  const auto clipped = std::clamp<int>(*width, 0, static_cast<int>(kMask.size()));
  return static_cast<std::size_t>(clipped);
}

}  // namespace

std::u16string_view RuleCodeForItem(std::u16string_view itemText) {
  for (const Rule& rule : kRules) {
    if (rule.itemText == itemText) return rule.code;
  }
  return {};
}

const Rule* RuleForCode(std::u16string_view code) {
  for (const Rule& rule : kRules) {
    if (rule.code == code) return &rule;
  }
  return nullptr;
}

bool IsNumberingRule(std::u16string_view code) {
  return code == u"ADDPRENO" || code == u"ADDLSTNO";
}

std::size_t detail::ExtensionLength(std::u16string_view name) {
  const std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return 0;
  return name.size() - dot;
}

std::int16_t GetExtLen(std::u16string_view name) {
  const std::size_t length = detail::ExtensionLength(name);
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max());
  return static_cast<std::int16_t>(std::min(length, kMax));
}

std::u16string MakeNewBaseName(std::u16string_view base, std::u16string_view code,
                               std::u16string_view stringText, std::u16string_view valueText,
                               std::int16_t maxLen) {
  if (code == u"ADDPRE") return Joined(TrimSpaces(valueText), TrimSpaces(base));
  if (code == u"ADDLST") return Joined(TrimSpaces(base), TrimSpaces(valueText));
  if (code == u"SAMELEN") {
    std::u16string result(TrimSpaces(base));
    const auto limit = static_cast<std::size_t>(std::max<std::int16_t>(maxLen, 0));
    if (base.size() < limit) result.append(limit - base.size(), u'@');
    return result;
  }
  if (code == u"DELPREN" || code == u"DELLSTN") {
    const std::optional<std::int16_t> count = ToInt16(valueText);
    if (!count) return {};
    const long long keep = static_cast<long long>(base.size()) - *count;
    if (keep <= 0) return {};
    const auto kept = static_cast<std::size_t>(keep);
    return std::u16string(code == u"DELPREN" ? LastUnits(base, kept) : FirstUnits(base, kept));
  }
  if (IsNumberingRule(code)) {
    const std::optional<std::size_t> width = MaskWidth(valueText);
    const std::optional<long long> number = ToWholeNumber(stringText);
    if (!width || !number) return {};
    const std::u16string formatted = FormatNumber(*number, *width);
    return code == u"ADDPRENO" ? Joined(formatted, base) : Joined(base, formatted);
  }
  if (code == u"DEL") return ReplaceAll(base, stringText, u"");
  if (code == u"REP") return ReplaceAll(base, stringText, valueText);
  return {};
}

}  // namespace renamer
