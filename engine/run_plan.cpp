#include "engine/run_plan.h"

#include <algorithm>
#include <limits>

#include "engine/file_names.h"
#include "engine/name_rules.h"
#include "engine/report.h"
#include "engine/safe_rename.h"
#include "engine/text.h"
#include "engine/time_key.h"

namespace renamer {
namespace {

constexpr std::u16string_view kAllTypes = u"*.*";

/// Decides `planned` from its encoded names, as PrejudgePlan() says.
void Prejudge(PlannedRename& planned, const std::string& from, const std::string& to) {
  if (!planned.hasNewName) {
    planned.error = 0;
    planned.status = PlanStatus::kFailed;
    return;
  }
  // Compared as bytes: two texts can differ and still name the same file.
  if (from == to) {
    planned.status = PlanStatus::kUnchanged;
    return;
  }
  if (planned.error == 0 && !IsSafeFileName(planned.newName)) planned.error = kErrorBadNewName;
  planned.status = planned.error != 0 ? PlanStatus::kFailed : PlanStatus::kPending;
}

// Whether the file `name` passes the type filter `typeText` (trimmed).
bool OfType(std::u16string_view name, std::u16string_view typeText) {
  return typeText == kAllTypes || LastUnits(name, detail::ExtensionLength(name)) == typeText;
}

// How many files of `request` a run would try: the checked ones of its type.
std::size_t SelectedCount(const RunRequest& request) {
  const std::u16string_view typeText = TrimSpaces(request.typeText);
  std::size_t count = 0;
  for (std::size_t k = 0; k < request.names->size(); ++k) {
    if (request.Checked(k) && OfType((*request.names)[k], typeText)) ++count;
  }
  return count;
}

}  // namespace

void FillTable::Reset(std::size_t count) {
  names.clear();
  names.reserve(count);
  identities.assign(count, FileIdentity{});
  errors.assign(count, 0);
  listIndex.resize(count);
  for (std::size_t k = 0; k < count; ++k) listIndex[k] = static_cast<std::uint32_t>(k);
  times.clear();
  bytes.clear();
  bytes.reserve(count);
  cancelled = false;
}

std::u16string FillFromDirectory(Directory* dir, int openError, const RunRequest& request,
                                 bool times, RunControl* control, FillTable& fill) {
  const std::vector<std::u16string>& names = *request.names;
  fill.Reset(names.size());
  if (times) fill.times.reserve(names.size());
  const std::u16string prefix = request.path + u"/";
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (control != nullptr && control->cancel.load()) {
      fill.cancelled = true;
      return CancelledLine(SelectedCount(request));
    }
    const std::u16string& name = names[k];
    fill.names.push_back(name);
    fill.bytes.push_back(EncodeFileName(name));
    FileStatus status;
    if (!IsSafeFileName(name)) {
      // Such a name would reach outside the directory; it is never handed to the
      // file system, not even to read its time.
      fill.errors[k] = kErrorBadOldName;
    } else if (request.Checked(k)) {
      // A file left unchecked is not part of the run: not even its time is read, so it
      // cannot stop the run.
      int error = openError;
      if (dir != nullptr) {
        const CallTimer timer(control);
        error = dir->Status(fill.bytes.back(), status);
      }
      if (error != 0) return UnreadableTimeMessage(prefix, name, error);
      // Something else may have taken the name since it was listed.
      if (!status.regular) fill.errors[k] = kErrorNotRegular;
      fill.identities[k] = status.identity;
    }
    if (times) fill.times.push_back(MakeTimeKey(TimeTextOf(status.modifiedSeconds)));
  }
  return {};
}

void PutInOrder(FillTable& fill, Ordering ordering) {
  std::vector<std::uint32_t> order;
  switch (ordering) {
    case Ordering::kList:
      return;
    case Ordering::kModified:
      order = TimeOrder(fill.times);
      break;
  }
  ApplyOrder(order, fill.times);
  ApplyOrder(order, fill.names);
  ApplyOrder(order, fill.identities);
  ApplyOrder(order, fill.errors);
  ApplyOrder(order, fill.listIndex);
}

std::int16_t MeasureMaxLen(const std::vector<std::u16string>& names, std::int16_t maxLen) {
  std::size_t longest = static_cast<std::size_t>(std::max<std::int16_t>(maxLen, 0));
  for (const std::u16string& name : names) {
    longest = std::max(longest, name.size() - detail::ExtensionLength(name));
  }
  const std::size_t limit = std::numeric_limits<std::int16_t>::max();
  return longest > static_cast<std::size_t>(std::max<std::int16_t>(maxLen, 0))
             ? static_cast<std::int16_t>(std::min(longest, limit))
             : maxLen;
}

std::vector<PlannedRename> PlanRenames(const FillTable& fill, const RunRequest& request,
                                       const NumberSink& number) {
  std::vector<PlannedRename> plan;
  plan.reserve(fill.names.size());
  const std::u16string_view typeText = TrimSpaces(request.typeText);
  const bool numbering = request.rule != nullptr && request.rule->numbers;
  std::u16string stringText = request.stringText;

  long long planCount = 0;
  for (std::size_t k = 0; k < fill.names.size(); ++k) {
    if (!request.Checked(fill.listIndex[k])) continue;
    const std::u16string& name = fill.names[k];
    if (!OfType(name, typeText)) continue;
    const std::size_t extLength = detail::ExtensionLength(name);
    const std::u16string_view ext = LastUnits(name, extLength);
    const std::u16string_view base = FirstUnits(name, name.size() - extLength);

    PlannedRename planned;
    planned.oldName = name;
    planned.hasNewName = true;
    planned.identity = fill.identities[k];
    planned.error = fill.errors[k];
    planned.listIndex = fill.listIndex[k];
    if (request.rule != nullptr && request.rule->wholeName) {
      planned.newName = request.rule->newName({base, stringText, request.valueText});
    } else {
      ++planCount;
      if (numbering) stringText = number(planCount);
      const std::u16string newBase =
          request.rule
              ? request.rule->newName({base, stringText, request.valueText, request.maxLen})
              : std::u16string();
      planned.hasNewName = !newBase.empty();
      if (planned.hasNewName) {
        planned.newName = Joined(TrimSpaces(newBase), TrimSpaces(ext));
      }
    }
    plan.push_back(std::move(planned));
  }
  return plan;
}

std::vector<PlannedRename> UntriedPlan(const RunRequest& request) {
  const std::u16string_view typeText = TrimSpaces(request.typeText);
  const std::vector<std::u16string>& names = *request.names;
  std::vector<PlannedRename> plan;
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (!request.Checked(k) || !OfType(names[k], typeText)) continue;
    PlannedRename untried;
    untried.oldName = names[k];
    untried.listIndex = static_cast<std::uint32_t>(k);
    plan.push_back(std::move(untried));
  }
  return plan;
}

EncodedPlan PrejudgePlan(std::vector<PlannedRename>& plan,
                         std::shared_ptr<const std::vector<std::string>> listBytes) {
  EncodedPlan bytes;
  bytes.listed = std::move(listBytes);
  bytes.at.resize(plan.size());
  bytes.to.resize(plan.size());
  for (std::size_t j = 0; j < plan.size(); ++j) {
    bytes.at[j] = plan[j].listIndex;
    bytes.to[j] = EncodeFileName(plan[j].newName);
    Prejudge(plan[j], bytes.From(j), bytes.to[j]);
  }
  return bytes;
}

std::uint64_t ExecutePlan(Directory* dir, int openError, std::vector<PlannedRename>& plan,
                          const EncodedPlan& bytes, RunControl* control) {
  if (control != nullptr) control->total.store(plan.size());
  const auto at = [&bytes](std::size_t step) {
    return bytes.order.empty() ? step : static_cast<std::size_t>(bytes.order[step]);
  };
  for (std::size_t step = 0; step < plan.size(); ++step) {
    // The file being renamed finishes; the next one is not started.
    if (control != nullptr && control->cancel.load()) {
      // What was decided without the disk is not reported for a file never reached.
      for (std::size_t k = step; k < plan.size(); ++k) plan[at(k)].status = PlanStatus::kPending;
      return plan.size() - step;
    }
    const std::size_t j = at(step);
    PlannedRename& planned = plan[j];
    if (planned.status == PlanStatus::kPending) {
      const CallTimer timer(control);
      planned.error = dir == nullptr ? openError
                                     : RenameWithoutReplacing(*dir, bytes.From(j), bytes.to[j],
                                                              &planned.strandedAt);
      planned.status = planned.error == 0 ? PlanStatus::kRenamed : PlanStatus::kFailed;
    }
    if (control != nullptr) control->done.store(step + 1);
  }
  return 0;
}

bool IsSafeFileName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  return std::none_of(name.begin(), name.end(),
                      [](char16_t unit) { return unit == u'/' || unit == u'\0'; });
}

}  // namespace renamer
