#include "engine/run/run_plan.h"

#include <algorithm>
#include <limits>

#include "engine/disk/file_names.h"
#include "engine/rules/name_rules.h"
#include "engine/rules/text.h"
#include "engine/rules/time_key.h"
#include "engine/run/report.h"
#include "engine/run/safe_rename.h"

namespace renamer {
namespace {

constexpr std::u16string_view kAllTypes = u"*.*";

/// Decides `planned` from its encoded names, as PrejudgePlan() says.
void Prejudge(PlannedRename& planned, const std::string& from, const std::string& to) {
  if (planned.reason == Reason::kNoNewName) return;
  // Compared as bytes: two texts can differ and still name the same file.
  if (from == to) {
    planned.status = ChangeStatus::kUnchanged;
    return;
  }
  if (planned.error == 0 && !IsSafeFileName(planned.to)) planned.error = kErrorBadNewName;
  if (planned.error == 0) return;
  planned.status = ChangeStatus::kFailed;
  planned.reason = Reason::kSystem;
}

// Whether the file `name` passes the type filter `typeText` (trimmed).
bool OfType(std::u16string_view name, std::u16string_view typeText) {
  return typeText == kAllTypes || LastUnits(name, detail::ExtensionLength(name)) == typeText;
}

// Whether a run of `request` takes its listed file `k`: checked and of the type
// `typeText` (trimmed).
bool Takes(const RunRequest& request, std::u16string_view typeText, std::size_t k) {
  return request.Checked(k) && OfType((*request.names)[k], typeText);
}

}  // namespace

void FillTable::Reset(std::size_t count) {
  identities.assign(count, FileIdentity{});
  errors.assign(count, 0);
  listIndex.resize(count);
  for (std::size_t k = 0; k < count; ++k) listIndex[k] = static_cast<std::uint32_t>(k);
  times.clear();
  shown.clear();
  bytes.clear();
  bytes.reserve(count);
  cancelled = false;
  unreadable = 0;
  unreadableError = 0;
}

namespace {

// Fills `fill` with what the run reads of each checked listed file of `request` in `dir`
// before it plans: whether it is still a regular file, its identity and, with `times`,
// its time key. Every listed name is in the fill, a file left unchecked with nothing
// read and the time key of time 0. A name that would reach outside the directory is
// never handed to it. Returns true, or false when it stopped first: at a time that
// cannot be read (`fill.unreadableError`), or because `control` asked to stop
// (`fill.cancelled`). `dir` is null when the directory could not be opened, with
// `openError`.
bool FillFromDirectory(Directory* dir, int openError, const RunRequest& request,
                       RunControl* control, FillTable& fill) {
  const std::vector<std::u16string>& names = *request.names;
  const bool times = NeedsTimes(request.ordering);
  fill.Reset(names.size());
  if (times) {
    fill.times.reserve(names.size());
    fill.shown.reserve(names.size());
  }
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (control != nullptr && control->cancel.load()) {
      fill.cancelled = true;
      return false;
    }
    const std::u16string& name = names[k];
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
      if (error != 0) {
        fill.unreadable = static_cast<std::uint32_t>(k);
        fill.unreadableError = error;
        return false;
      }
      // Something else may have taken the name since it was listed.
      if (!status.regular) fill.errors[k] = kErrorNotRegular;
      fill.identities[k] = status.identity;
    }
    if (!times) continue;
    // An unchecked file is not read: it keeps time 0, and no metadata is opened.
    Directory* reader = fill.errors[k] == 0 && request.Checked(k) ? dir : nullptr;
    fill.times.push_back(
        TimeKeyFor(reader, fill.bytes.back(), status, request.ordering, fill.shown.emplace_back()));
  }
  return true;
}

}  // namespace

bool FillInOrder(Directory* dir, int openError, const RunRequest& request, RunControl* control,
                 FillTable& fill) {
  if (!FillFromDirectory(dir, openError, request, control, fill)) return false;
  PutInOrder(fill, request.ordering);
  return true;
}

std::u16string TimeKeyFor(Directory* dir, const std::string& name, const FileStatus& status,
                          Ordering ordering, CaptureTime& shown) {
  shown = CaptureTime{};
  if (ReadsCaptureTimes(ordering) && dir != nullptr) shown = dir->ReadCaptureTime(name);
  if (!ReadsCaptureTimes(ordering) || !shown.Found()) {
    // Where there is no capture time the modification time stands in, to the second, as
    // it orders by itself.
    if (!ReadsCaptureTimes(ordering)) shown.miss = CaptureMiss::kNone;
    shown.seconds = status.modifiedSeconds;
    shown.milliseconds = 0;
  }
  std::u16string key = MakeTimeKey(TimeTextOf(shown.seconds));
  if (ReadsCaptureTimes(ordering)) {
    // Photos of one burst share their second: the milliseconds keep them apart.
    const int ms = std::clamp(shown.milliseconds, 0, 999);
    key += static_cast<char16_t>(u'0' + ms / 100);
    key += static_cast<char16_t>(u'0' + ms / 10 % 10);
    key += static_cast<char16_t>(u'0' + ms % 10);
  }
  return key;
}

void FillTable::Reorder(const std::vector<std::uint32_t>& order) {
  ApplyOrder(order, times);
  // The shown times are kept only by a fill that read them.
  if (shown.size() == order.size()) ApplyOrder(order, shown);
  ApplyOrder(order, identities);
  ApplyOrder(order, errors);
  ApplyOrder(order, listIndex);
}

void PutInOrder(FillTable& fill, Ordering ordering) {
  switch (ordering) {
    case Ordering::kList:
      return;
    case Ordering::kModified:
    case Ordering::kTaken:
      return fill.Reorder(TimeOrder(fill.times));
  }
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

namespace {

// The plan for the files of `fill`: one entry per checked file that passes the type
// filter of `request`, with its new name by its rule and texts, in fill order.
std::vector<PlannedRename> PlanRenames(const FillTable& fill, const RunRequest& request,
                                       const NumberSink& number) {
  std::vector<PlannedRename> plan;
  plan.reserve(fill.listIndex.size());
  const std::u16string_view typeText = TrimSpaces(request.typeText);
  const bool numbering = request.rule != nullptr && request.rule->numbers;
  std::u16string stringText = request.stringText;

  long long planCount = 0;
  for (std::size_t k = 0; k < fill.listIndex.size(); ++k) {
    if (!Takes(request, typeText, fill.listIndex[k])) continue;
    const std::u16string& name = (*request.names)[fill.listIndex[k]];
    const std::size_t extLength = detail::ExtensionLength(name);
    const std::u16string_view ext = LastUnits(name, extLength);
    const std::u16string_view base = FirstUnits(name, name.size() - extLength);

    PlannedRename& planned = plan.emplace_back();
    planned.identity = fill.identities[k];
    planned.error = fill.errors[k];
    planned.listIndex = fill.listIndex[k];
    if (numbering) stringText = number(++planCount);
    if (!MakeNewFileName(planned.to, base, ext, request.rule, stringText, request.valueText,
                         request.maxLen)) {
      planned.status = ChangeStatus::kFailed;
      planned.reason = Reason::kNoNewName;
      planned.error = 0;
    }
  }
  return plan;
}

}  // namespace

std::vector<FileChange> UntriedChanges(const RunRequest& request) {
  const std::u16string_view typeText = TrimSpaces(request.typeText);
  std::vector<FileChange> untried;
  for (std::size_t k = 0; k < request.names->size(); ++k) {
    if (!Takes(request, typeText, k)) continue;
    FileChange& change = untried.emplace_back();
    change.from = (*request.names)[k];
    change.listIndex = static_cast<std::uint32_t>(k);
  }
  return untried;
}

namespace {

// Encodes each new name once, finds each old one in `listBytes` (the fill's bytes, in
// list order), and decides what can be decided without the disk: kUnchanged, kFailed
// with its error, or kUntried when the rename is to be tried.
EncodedPlan PrejudgePlan(std::vector<PlannedRename>& plan,
                         std::shared_ptr<const std::vector<std::string>> listBytes) {
  EncodedPlan bytes;
  bytes.listed = std::move(listBytes);
  bytes.at.resize(plan.size());
  bytes.to.resize(plan.size());
  for (std::size_t j = 0; j < plan.size(); ++j) {
    bytes.at[j] = plan[j].listIndex;
    bytes.to[j] = EncodeFileName(plan[j].to);
    Prejudge(plan[j], bytes.From(j), bytes.to[j]);
  }
  return bytes;
}

// Renames the pending files of `plan` in `dir` in the order of `bytes`, never replacing
// anything, and records each outcome. Stops before the next file when `control` asks;
// the files that leaves untried go back to kUntried.
void ExecutePlan(Directory* dir, int openError, std::vector<PlannedRename>& plan,
                 const EncodedPlan& bytes, RunControl* control) {
  if (control != nullptr) control->total.store(plan.size());
  const auto at = [&bytes](std::size_t step) {
    return bytes.order.empty() ? step : static_cast<std::size_t>(bytes.order[step]);
  };
  for (std::size_t step = 0; step < plan.size(); ++step) {
    // The file being renamed finishes; the next one is not started.
    if (control != nullptr && control->cancel.load()) {
      // What was decided without the disk is not reported for a file never reached.
      for (std::size_t k = step; k < plan.size(); ++k) {
        plan[at(k)].status = ChangeStatus::kUntried;
        plan[at(k)].reason = Reason::kNone;
      }
      return;
    }
    const std::size_t j = at(step);
    PlannedRename& planned = plan[j];
    if (planned.status == ChangeStatus::kUntried) {
      const CallTimer timer(control);
      planned.error = dir == nullptr ? openError
                                     : RenameWithoutReplacing(*dir, bytes.From(j), bytes.to[j],
                                                              &planned.detail);
      planned.status = planned.error == 0 ? ChangeStatus::kDone : ChangeStatus::kFailed;
      if (planned.error != 0)
        planned.reason = planned.detail.empty() ? Reason::kSystem : Reason::kStranded;
    }
    if (control != nullptr) control->done.store(step + 1);
  }
}

}  // namespace

std::vector<PlannedRename> PlanAndExecute(const FillTable& fill,
                                          std::shared_ptr<const std::vector<std::string>> listBytes,
                                          RunRequest& request, const NumberSink& number,
                                          RunControl* control, const BeforeRenames& before) {
  if (request.rule && request.rule->measuresMaxLen)
    request.maxLen = MeasureMaxLen(*request.names, request.maxLen);
  std::vector<PlannedRename> plan = PlanRenames(fill, request, number);
  EncodedPlan bytes = PrejudgePlan(plan, std::move(listBytes));
  const Execution where = before(plan, bytes);
  if (where.go) ExecutePlan(where.dir, where.openError, plan, bytes, control);
  return plan;
}

bool IsSafeFileName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  return std::none_of(name.begin(), name.end(),
                      [](char16_t unit) { return unit == u'/' || unit == u'\0'; });
}

}  // namespace renamer
