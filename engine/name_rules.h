#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace renamer {

/// One entry of the rule list: the text the user picks, the code stored for it, which
/// of the two fields it lets the user type into, and the value field's caption.
struct Rule {
  std::u16string_view itemText;
  std::u16string_view code;
  bool stringField = false;
  bool valueField = false;
  std::u16string_view valueCaption = u"修改值";
};

inline constexpr std::u16string_view kNumberWidthCaption = u"请输入顺序号长度";

/// The ten rules, in the order in which the rule list shows them.
inline constexpr std::array<Rule, 10> kRules = {{
    {u"增加前缀", u"ADDPRE", false, true},
    {u"增加后缀", u"ADDLST", false, true},
    {u"长度一致(后补足)", u"SAMELEN", false, false},
    {u"前加顺序号", u"ADDPRENO", false, true, kNumberWidthCaption},
    {u"后加顺序号", u"ADDLSTNO", false, true, kNumberWidthCaption},
    {u"删除前N个字符", u"DELPREN", false, true},
    {u"删除后N个字符", u"DELLSTN", false, true},
    {u"删除字符", u"DEL", true, false},
    {u"替换字符", u"REP", true, true},
    {u"修改扩展名", u"EXT", false, true},
}};

/// The rule with code `code`, or null.
const Rule* RuleForCode(std::u16string_view code);

/// The code of the rule whose item text equals `itemText` exactly, or empty.
std::u16string_view RuleCodeForItem(std::u16string_view itemText);

/// True for the two codes that number the files ("ADDPRENO", "ADDLSTNO").
bool IsNumberingRule(std::u16string_view code);

/// Length in code units of the extension of `name`, dot included, 0 without a dot;
/// saturated to the 16-bit count the user-facing code works with.
std::int16_t GetExtLen(std::u16string_view name);

namespace detail {
/// The measure behind GetExtLen, not saturated, for the engine's own splitting of
/// names into base and extension. Code outside the engine uses GetExtLen.
std::size_t ExtensionLength(std::u16string_view name);
}  // namespace detail

/// The new base name under rule `code`; empty when the rule gives no new name.
/// `maxLen` is the longest base name measured so far (for "SAMELEN").
std::u16string MakeNewBaseName(std::u16string_view base, std::u16string_view code,
                               std::u16string_view stringText, std::u16string_view valueText,
                               std::int16_t maxLen);

/// The whole new name of the file named `base` + `ext` (split as ExtensionLength() says)
/// into `out`, in one allocation: the new base name (MakeNewBaseName) trimmed of spaces,
/// then the extension trimmed; for "EXT" the trimmed base, then the trimmed value.
/// Returns false, with `out` empty, when the rule gives no new name.
bool MakeNewFileName(std::u16string& out, std::u16string_view base, std::u16string_view ext,
                     std::u16string_view code, std::u16string_view stringText,
                     std::u16string_view valueText, std::int16_t maxLen);

}  // namespace renamer
