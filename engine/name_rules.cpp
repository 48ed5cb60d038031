#include "engine/name_rules.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "engine/input_check.h"
#include "engine/text.h"

namespace renamer {
namespace {

constexpr std::u16string_view kMask = u"0000000000";

// Room for a sign, the twenty digits of the widest number and more than kMask's zeros.
using NumberBuffer = std::array<char16_t, 24>;

// The running number padded with zeros to `width` digits (at most kMask's), in `buffer`;
// a wider number keeps all its digits.
std::u16string_view FormatNumber(long long number, std::size_t width, NumberBuffer& buffer) {
  std::size_t at = buffer.size();
  auto magnitude = static_cast<unsigned long long>(number);
  if (number < 0) magnitude = 0ULL - magnitude;
  std::size_t digits = 0;
  do {
    buffer[--at] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
    ++digits;
  } while (magnitude != 0);
  for (; digits < width; ++digits) buffer[--at] = u'0';
  if (number < 0) buffer[--at] = u'-';
  return {buffer.data() + at, buffer.size() - at};
}

// Digit count for the numbering rules. The run button lets a negative count through;
// it has no mask, so it numbers like a count of 0.
std::optional<std::size_t> MaskWidth(std::u16string_view valueText) {
  const std::optional<std::int16_t> width = ToInt16(valueText);
  if (!width) return std::nullopt;
  const auto clipped = std::clamp<int>(*width, 0, static_cast<int>(kMask.size()));
  return static_cast<std::size_t>(clipped);
}

// Appends the new base name of `base` under `code` to `out` (empty), with room for
// `extra` more units; appends nothing when the rule gives no new name.
void AppendNewBase(std::u16string& out, std::u16string_view base, std::u16string_view code,
                   std::u16string_view stringText, std::u16string_view valueText,
                   std::int16_t maxLen, std::size_t extra) {
  const auto append = [&out, extra](std::u16string_view first, std::u16string_view second) {
    out.reserve(first.size() + second.size() + extra);
    out.append(first).append(second);
  };
  if (code == u"ADDPRE") return append(TrimSpaces(valueText), TrimSpaces(base));
  if (code == u"ADDLST") return append(TrimSpaces(base), TrimSpaces(valueText));
  if (code == u"SAMELEN") {
    const auto limit = static_cast<std::size_t>(std::max<std::int16_t>(maxLen, 0));
    const std::size_t pad = base.size() < limit ? limit - base.size() : 0;
    append(TrimSpaces(base), {});
    out.append(pad, u'@');
    return;
  }
  if (code == u"DELPREN" || code == u"DELLSTN") {
    const std::optional<std::int16_t> count = ToInt16(valueText);
    if (!count) return;
    const long long keep = static_cast<long long>(base.size()) - *count;
    if (keep <= 0) return;
    const auto kept = static_cast<std::size_t>(keep);
    return append(code == u"DELPREN" ? LastUnits(base, kept) : FirstUnits(base, kept), {});
  }
  if (IsNumberingRule(code)) {
    const std::optional<std::size_t> width = MaskWidth(valueText);
    const std::optional<long long> number = ToWholeNumber(stringText);
    if (!width || !number) return;
    NumberBuffer buffer;
    const std::u16string_view formatted = FormatNumber(*number, *width, buffer);
    return code == u"ADDPRENO" ? append(formatted, base) : append(base, formatted);
  }
  if (code == u"DEL") out = ReplaceAll(base, stringText, u"");
  if (code == u"REP") out = ReplaceAll(base, stringText, valueText);
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
  std::u16string result;
  AppendNewBase(result, base, code, stringText, valueText, maxLen, 0);
  return result;
}

bool MakeNewFileName(std::u16string& out, std::u16string_view base, std::u16string_view ext,
                     std::u16string_view code, std::u16string_view stringText,
                     std::u16string_view valueText, std::int16_t maxLen) {
  out.clear();
  if (code == u"EXT") {
    const std::u16string_view kept = TrimSpaces(base);
    const std::u16string_view type = TrimSpaces(valueText);
    out.reserve(kept.size() + type.size());
    out.append(kept).append(type);
    return true;
  }
  const std::u16string_view type = TrimSpaces(ext);
  AppendNewBase(out, base, code, stringText, valueText, maxLen, type.size());
  if (out.empty()) return false;
  // Trimmed where it stands, in the room already taken.
  std::size_t begin = 0;
  while (begin < out.size() && out[begin] == u' ') ++begin;
  out.erase(0, begin);
  while (!out.empty() && out.back() == u' ') out.pop_back();
  out.append(type);
  return true;
}

}  // namespace renamer
