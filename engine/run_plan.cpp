#include "engine/run_plan.h"

#include "engine/file_names.h"
#include "engine/name_rules.h"
#include "engine/text.h"

namespace renamer {
namespace {

constexpr std::u16string_view kAllTypes = u"*.*";

}  // namespace

void FillTable::Reset(std::size_t count) {
  names.clear();
  names.reserve(count);
  identities.assign(count, FileIdentity{});
  errors.assign(count, 0);
  listIndex.resize(count);
  for (std::size_t k = 0; k < count; ++k) listIndex[k] = static_cast<std::uint32_t>(k);
}

std::vector<PlannedRename> PlanRenames(const FillTable& fill, std::size_t count,
                                       const PlanInput& input, const NumberSink& number) {
  std::vector<PlannedRename> plan;
  const std::u16string_view typeText = TrimSpaces(input.typeText);
  const bool allTypes = typeText == kAllTypes;
  const bool numbering = IsNumberingRule(input.code);
  std::u16string stringText = input.stringText;
  count = std::min(count, fill.names.size());

  long long planCount = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const std::u16string& name = fill.names[k];
    const std::size_t extLength = detail::ExtensionLength(name);
    const std::u16string_view ext = LastUnits(name, extLength);
    if (!allTypes && ext != typeText) continue;
    const std::u16string_view base = FirstUnits(name, name.size() - extLength);

    PlannedRename planned;
    planned.oldName = name;
    planned.hasNewName = true;
    if (k < fill.identities.size()) planned.identity = fill.identities[k];
    if (k < fill.errors.size()) planned.error = fill.errors[k];
    if (k < fill.listIndex.size()) planned.listIndex = fill.listIndex[k];
    if (input.code == u"EXT") {
      planned.newName = std::u16string(TrimSpaces(base)).append(TrimSpaces(input.valueText));
    } else {
      ++planCount;
      if (numbering) stringText = number(planCount);
      const std::u16string newBase =
          MakeNewBaseName(base, input.code, stringText, input.valueText, input.maxLen);
      planned.hasNewName = !newBase.empty();
      if (planned.hasNewName) {
        planned.newName = std::u16string(TrimSpaces(newBase)).append(TrimSpaces(ext));
      }
    }
    plan.push_back(std::move(planned));
  }
  return plan;
}

PlanStatus Prejudge(PlannedRename& planned, const std::string& from, const std::string& to) {
  if (!planned.hasNewName) {
    planned.error = 0;
    return planned.status = PlanStatus::kFailed;
  }
  // Compared as bytes: two texts can differ and still name the same file.
  if (from == to) return planned.status = PlanStatus::kUnchanged;
  if (planned.error != 0) return planned.status = PlanStatus::kFailed;
  if (!IsSafeFileName(planned.newName)) {
    planned.error = kErrorBadNewName;
    return planned.status = PlanStatus::kFailed;
  }
  return planned.status = PlanStatus::kPending;
}

bool IsSafeFileName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  return name.find_first_of(std::u16string_view(u"/\0", 2)) == std::u16string_view::npos;
}

std::u16string FailureReason(std::u16string_view prefix, const PlannedRename& planned) {
  if (!planned.hasNewName) return u"文件名不能为空";
  std::u16string reason = DescribeError(planned.error);
  if (planned.strandedAt.empty()) return reason;
  return reason.append(u"；文件已暂存为“")
      .append(prefix)
      .append(DecodeFileName(planned.strandedAt))
      .append(u"”");
}

}  // namespace renamer
