#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/rules/input_check.h"
#include "engine/rules/ordering.h"

namespace renamer {

/// What a rule reads: the base name, the string field, the value field and the longest
/// base name measured so far.
struct RuleInput {
  std::u16string_view base;
  std::u16string_view stringText;
  std::u16string_view valueText;
  std::int16_t maxLen = 0;
  /// Units the caller appends to the new name: room is made for them at once.
  std::size_t extra = 0;
};

/// What each rule does to a name: appends to `out` (empty) its new base name, or for a
/// rule that changes the whole name the new file name; nothing when it gives none.
namespace rules {
using NewName = void(std::u16string& out, const RuleInput& in);
NewName AddPrefix, AddSuffix, PadToLength, NumberInFront, NumberBehind, DeleteFront, DeleteBack,
    DeleteText, ReplaceText, NewExtension;
}  // namespace rules

inline constexpr std::u16string_view kValueCaption = u"修改值";
inline constexpr std::u16string_view kNumberWidthCaption = u"请输入顺序号长度";

/// One entry of the rule list, and all that the program knows of its rule.
struct Rule {
  /// The text the user picks, the code stored for it, and its name on a command line.
  std::u16string_view itemText;
  std::u16string_view code;
  std::string_view commandName;
  /// Which of the two fields it lets the user type into.
  bool stringField = false;
  bool valueField = false;
  /// How it names a file.
  rules::NewName* newName = nullptr;
  /// What the run button checks of the value field: a message, or empty when the run may
  /// start; null when anything goes.
  std::u16string (*check)(std::u16string_view valueText) = nullptr;
  std::u16string_view valueCaption = kValueCaption;
  /// The order in which it takes the files.
  Ordering ordering = Ordering::kList;
  /// Whether the run first measures the longest base name of the listing (MaxLen).
  bool measuresMaxLen = false;
  /// Whether newName gives the whole file name rather than the base name.
  bool wholeName = false;
  /// Whether it numbers the files, with the running number in the string field.
  bool numbers = false;
};

/// The ten rules, in the order in which the rule list shows them. A row names, in the
/// order of Rule's members, the item text, the code, the command name, the two fields, the new
/// name, the check, the caption, the ordering, and whether it measures, makes the whole name and
/// numbers; a member left out takes its default.
inline constexpr std::array<Rule, 10> kRules = {{
    {u"增加前缀", u"ADDPRE", "prefix", false, true, rules::AddPrefix},
    {u"增加后缀", u"ADDLST", "suffix", false, true, rules::AddSuffix},
    {u"长度一致(后补足)", u"SAMELEN", "same-length", false, false, rules::PadToLength, nullptr,
     kValueCaption, Ordering::kList, true},
    {u"前加顺序号", u"ADDPRENO", "number-by-time", false, true, rules::NumberInFront,
     CheckDigitCount, kNumberWidthCaption, Ordering::kModified, false, false, true},
    {u"后加顺序号", u"ADDLSTNO", "number-in-order", false, true, rules::NumberBehind,
     CheckDigitCount, kNumberWidthCaption, Ordering::kList, false, false, true},
    {u"删除前N个字符", u"DELPREN", "delete-first", false, true, rules::DeleteFront,
     CheckDigitCount},
    {u"删除后N个字符", u"DELLSTN", "delete-last", false, true, rules::DeleteBack, CheckDigitCount},
    {u"删除字符", u"DEL", "delete", true, false, rules::DeleteText},
    {u"替换字符", u"REP", "replace", true, true, rules::ReplaceText},
    {u"修改扩展名", u"EXT", "extension", false, true, rules::NewExtension, CheckNewExtension,
     kValueCaption, Ordering::kList, false, true},
}};

/// The rule with code `code`, or null.
const Rule* RuleForCode(std::u16string_view code);

/// The code of the rule whose item text equals `itemText` exactly, or empty.
std::u16string_view RuleCodeForItem(std::u16string_view itemText);

/// True for a rule that numbers the files ("ADDPRENO", "ADDLSTNO").
bool IsNumberingRule(std::u16string_view code);

/// Length in code units of the extension of `name`, dot included, 0 without a dot;
/// saturated to the 16-bit count the user-facing code works with.
std::int16_t GetExtLen(std::u16string_view name);

namespace detail {
/// The measure behind GetExtLen, not saturated, for the engine's own splitting of
/// names into base and extension. Code outside the engine uses GetExtLen.
std::size_t ExtensionLength(std::u16string_view name);
}  // namespace detail

/// The new base name under rule `code`; empty when the rule gives no new name or changes
/// the whole name. `maxLen` is the longest base name measured so far (for "SAMELEN").
std::u16string MakeNewBaseName(std::u16string_view base, std::u16string_view code,
                               std::u16string_view stringText, std::u16string_view valueText,
                               std::int16_t maxLen);

/// The whole new name of the file named `base` + `ext` (split as ExtensionLength() says)
/// into `out`, in one allocation: the new base name (MakeNewBaseName) trimmed of spaces,
/// then the extension trimmed; for "EXT" the trimmed base, then the trimmed value.
/// Returns false, with `out` empty, when the rule gives no new name.
bool MakeNewFileName(std::u16string& out, std::u16string_view base, std::u16string_view ext,
                     const Rule* rule, std::u16string_view stringText,
                     std::u16string_view valueText, std::int16_t maxLen);

}  // namespace renamer
