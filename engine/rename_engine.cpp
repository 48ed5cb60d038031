#include "engine/rename_engine.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <unordered_set>

#include "engine/natural_order.h"
#include "engine/safe_rename.h"
#include "engine/text.h"
#include "engine/undo.h"

namespace renamer {
namespace {

constexpr std::u16string_view kAllTypes = u"*.*";
constexpr std::u16string_view kNoNewName = u" -> (文件名不能为空)";

std::u16string Concat(std::initializer_list<std::u16string_view> parts) {
  std::size_t size = 0;
  for (std::u16string_view part : parts) size += part.size();
  std::u16string result;
  result.reserve(size);
  for (std::u16string_view part : parts) result.append(part);
  return result;
}

}  // namespace

RenameEngine::RenameEngine(WindowPort& window) : RenameEngine(window, RealFileSystem()) {}

RenameEngine::RenameEngine(WindowPort& window, FileSystem& fs)
    : RenameEngine(window, fs, DefaultJournalStore()) {}

RenameEngine::RenameEngine(WindowPort& window, FileSystem& fs, JournalStore& journals)
    : ownWindow_(window), window_(&window), fs_(fs), journals_(journals) {}

std::u16string RenameEngine::RenameFilesOn(WindowPort& window) {
  window_ = &window;
  std::u16string report = RenameFiles();
  window_ = &ownWindow_;
  return report;
}

std::u16string RenameEngine::MakeNewName(std::u16string_view base, std::u16string_view code,
                                         std::u16string_view stringText,
                                         std::u16string_view valueText) const {
  return MakeNewBaseName(base, code, stringText, valueText, MaxLen);
}

std::u16string RenameEngine::DirectoryPrefix() const { return window_->FileListPath() + u"/"; }

std::u16string CancelledLine(std::uint64_t left) {
  return u"已取消：还有 " + DecimalText(static_cast<long long>(left)) + u" 个文件未处理。";
}

std::u16string RenameEngine::RenameFiles() {
  cancelledLeft_ = 0;
  if (control_ != nullptr) {
    control_->done.store(0);
    control_->total.store(0);
  }
  int openError = 0;
  const std::unique_ptr<Directory> dir =
      fs_.Open(EncodeFileName(window_->FileListPath()), openError);

  std::u16string failure = FillTables(dir.get(), openError);
  if (!failure.empty()) {
    Plan.clear();
    return failure;
  }
  if (ChgMode == u"ADDPRENO") SortTablesByTime();
  if (ChgMode == u"SAMELEN") FindMaxLen();
  MakePlan();
  PrejudgePlan();
  const std::u16string journalFault = StartJournal(dir.get());
  ExecutePlan(dir.get(), openError);
  FinishJournal();
  std::u16string report = FormatReport(DirectoryPrefix(), Plan);
  // Without a rename there is nothing that undo would have taken back.
  const bool renamed = std::any_of(Plan.begin(), Plan.end(), [](const PlannedRename& p) {
    return p.status == PlanStatus::kRenamed;
  });
  if (renamed && !journalFault.empty()) report.insert(0, journalFault + std::u16string(kEntryEnd));
  if (cancelledLeft_ == 0) return report;
  return CancelledLine(cancelledLeft_).append(kEntryEnd).append(report);
}

std::u16string RenameEngine::FillTables(Directory* dir, int openError) {
  const int count = std::max(window_->FileListCount(), 0);
  FileNames.clear();
  FileTimes.clear();
  FileNames.reserve(static_cast<std::size_t>(count));
  FileTimes.reserve(static_cast<std::size_t>(count));
  fill_.Reset(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    if (control_ != nullptr && control_->cancel.load()) {
      return CancelledLine(static_cast<std::uint64_t>(count - k));
    }
    FileNames.push_back(window_->FileListItem(k));
    fill_.names.push_back(FileNames.back());
    const auto slot = static_cast<std::size_t>(k);
    FileStatus status;
    if (!IsSafeFileName(FileNames.back())) {
      // Such a name would reach outside the directory; it is never handed to the
      // file system, not even to read its time.
      fill_.errors[slot] = kErrorBadOldName;
    } else {
      int error = openError;
      if (dir != nullptr) {
        const CallTimer timer(control_);
        error = dir->Status(EncodeFileName(FileNames.back()), status);
      }
      if (error != 0) {
        return Concat({kUnreadableTimeMessage, DirectoryPrefix(), FileNames.back(), u"(",
                       DescribeError(error), u")"});
      }
      // Something else may have taken the name since it was listed.
      if (!status.regular) fill_.errors[slot] = kErrorNotRegular;
      fill_.identities[slot] = status.identity;
    }
    FileTimes.push_back(MakeTimeKey(TimeTextOf(status.modifiedSeconds)));
  }
  return {};
}

void RenameEngine::SortTablesByTime() {
  const std::vector<std::uint32_t> order = TimeOrder(FileTimes);
  ApplyOrder(order, FileTimes);
  ApplyOrder(order, FileNames);
  if (fill_.names.size() != order.size()) return;
  ApplyOrder(order, fill_.names);
  ApplyOrder(order, fill_.identities);
  ApplyOrder(order, fill_.errors);
  ApplyOrder(order, fill_.listIndex);
}

void RenameEngine::FindMaxLen() {
  const int count = window_->FileListCount();
  for (int k = 0; k < count; ++k) {
    const std::u16string name = window_->FileListItem(k);
    const std::size_t baseLength = name.size() - detail::ExtensionLength(name);
    const auto limit = static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max());
    if (baseLength > static_cast<std::size_t>(std::max<std::int16_t>(MaxLen, 0))) {
      MaxLen = static_cast<std::int16_t>(std::min(baseLength, limit));
    }
  }
}

void RenameEngine::MakePlan() {
  // Neither field changes during a run except through the running number, so they are
  // read once; under the numbering rules the string field is read back per file.
  const PlanInput input = CapturePlan();
  const auto count = static_cast<std::size_t>(std::max(window_->FileListCount(), 0));
  Plan = PlanRenames(fill_, count, input, [this](long long number) {
    window_->SetStringFieldText(DecimalText(number));
    return window_->StringFieldText();
  });
}

void RenameEngine::PrejudgePlan() {
  fromBytes_.resize(Plan.size());
  toBytes_.resize(Plan.size());
  for (std::size_t j = 0; j < Plan.size(); ++j) {
    fromBytes_[j] = EncodeFileName(Plan[j].oldName);
    toBytes_[j] = EncodeFileName(Plan[j].newName);
    Prejudge(Plan[j], fromBytes_[j], toBytes_[j]);
  }
}

std::u16string RenameEngine::StartJournal(Directory* dir) {
  journal_.reset();
  journaled_.clear();
  JournaledRun run;
  for (std::size_t j = 0; j < Plan.size(); ++j) {
    if (Plan[j].status != PlanStatus::kPending) continue;
    journaled_.push_back(j);
    run.steps.push_back({fromBytes_[j], toBytes_[j], Plan[j].identity});
  }
  if (run.steps.empty() || dir == nullptr) return {};
  run.path = EncodeFileName(window_->FileListPath());
  run.startedSeconds = static_cast<std::int64_t>(std::time(nullptr));
  int error = dir->Identify(".", run.directory);
  if (error == 0) error = journals_.Create(run, control_, journal_);
  if (error != 0) {
    return u"无法保存撤销记录：" + DescribeError(error) + u"，本次改名不能撤销。";
  }
  return {};
}

void RenameEngine::ExecutePlan(Directory* dir, int openError) {
  if (control_ != nullptr) control_->total.store(Plan.size());
  for (std::size_t j = 0; j < Plan.size(); ++j) {
    // The file being renamed finishes; the next one is not started.
    if (control_ != nullptr && control_->cancel.load()) {
      cancelledLeft_ = Plan.size() - j;
      // What was decided without the disk is not reported for a file never reached.
      for (std::size_t k = j; k < Plan.size(); ++k) Plan[k].status = PlanStatus::kPending;
      return;
    }
    PlannedRename& planned = Plan[j];
    if (planned.status == PlanStatus::kPending) {
      const CallTimer timer(control_);
      planned.error = dir == nullptr ? openError
                                     : RenameWithoutReplacing(*dir, fromBytes_[j], toBytes_[j],
                                                              &planned.strandedAt);
      planned.status = planned.error == 0 ? PlanStatus::kRenamed : PlanStatus::kFailed;
    }
    if (control_ != nullptr) control_->done.store(j + 1);
  }
}

void RenameEngine::FinishJournal() {
  fromBytes_.clear();
  toBytes_.clear();
  if (journal_ == nullptr) return;
  std::vector<bool> renamed(journaled_.size());
  for (std::size_t i = 0; i < journaled_.size(); ++i) {
    renamed[i] = Plan[journaled_[i]].status == PlanStatus::kRenamed;
  }
  journal_->Finish(renamed);
  journal_.reset();
}

std::u16string RenameEngine::UndoLastRun() { return Undo(nullptr, nullptr); }

std::u16string RenameEngine::UndoRun(const UndoOffer& offer, std::optional<JobOutcome>* outcome) {
  return Undo(&offer.journal, outcome);
}

std::u16string RenameEngine::Undo(const std::string* expected, std::optional<JobOutcome>* done) {
  std::unique_ptr<JournalLease> lease;
  switch (journals_.TakeNewest(expected, control_, lease)) {
    case TakeResult::kTaken:
      break;
    case TakeResult::kNone:
      return u"没有可以撤销的改名。";
    case TakeResult::kBusy:
      return u"另一个程序正在改名或撤销，请稍后再按“撤销”。";
    case TakeResult::kChanged:
      return u"可以撤销的改名已经变了（另一个程序刚改名或撤销过），本次没有撤销任何文件。"
             u"请看“撤销”按钮的提示，再按一次。";
    case TakeResult::kDamaged:
      return u"最近一次改名的撤销记录已损坏，无法撤销它；已删除这份记录，"
             u"再按“撤销”将撤销在它之前的改名。";
    case TakeResult::kUnsafe:
      return u"无法撤销：" + DescribeError(kErrorStateUnsafe) + u"，其中的撤销记录不可信。";
  }
  UndoOutcome outcome = UndoJournaledRun(fs_, lease->Run(), control_);
  lease->Settle(outcome.state);
  std::u16string report = UndoReport(outcome);
  if (done != nullptr) *done = OutcomeOfUndo(DecodeFileName(lease->Run().path), std::move(outcome));
  return report;
}

std::optional<UndoOffer> RenameEngine::NextUndo() const {
  NewestJournal newest;
  if (!journals_.ReadNewest(newest)) return std::nullopt;
  return UndoOffer{DecodeFileName(newest.header.path), newest.header.startedSeconds, newest.name,
                   newest.damaged};
}

RunPrediction RenameEngine::PredictRun() { return Predict(fs_, CapturePrediction()); }

PredictionInput RenameEngine::CapturePrediction() const {
  PredictionInput input;
  input.path = window_->FileListPath();
  const int count = std::max(window_->FileListCount(), 0);
  input.names.reserve(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) input.names.push_back(window_->FileListItem(k));
  input.plan = CapturePlan();
  return input;
}

PlanInput RenameEngine::CapturePlan() const {
  return {ChgMode, window_->TypeListText(), window_->StringFieldText(), window_->ValueFieldText(),
          MaxLen};
}

void RenameEngine::RefreshTypes() {
  for (int i = window_->TypeListCount(); i > 0; --i) window_->TypeListRemoveFirst();
  CollectTypes();
  window_->TypeListAppend(std::u16string(kAllTypes));
  for (const std::u16string& type : TypeNames) window_->TypeListAppend(type);
}

std::size_t RenameEngine::CollectTypes() {
  TypeNames.clear();
  std::unordered_set<std::u16string> seen;
  const int count = window_->FileListCount();
  for (int k = 0; k < count; ++k) {
    const std::u16string name = window_->FileListItem(k);
    std::u16string ext(LastUnits(name, detail::ExtensionLength(name)));
    if (seen.insert(ext).second) TypeNames.push_back(std::move(ext));
  }
  return TypeNames.size();
}

std::vector<std::u16string> RenameEngine::ListFiles(std::u16string_view path, int* error) const {
  return ListNames(fs_, path, EntryKind::kFiles, error);
}

std::vector<std::u16string> RenameEngine::ListDirectories(std::u16string_view path,
                                                          int* error) const {
  return ListNames(fs_, path, EntryKind::kDirectories, error);
}

std::u16string ReportEntry(std::u16string_view prefix, const PlannedRename& planned) {
  if (!planned.hasNewName) return Concat({prefix, planned.oldName, kNoNewName, kEntryEnd});
  return Concat({prefix, planned.oldName, u" -> ", prefix, planned.newName, u"(",
                 FailureReason(prefix, planned), u")", kEntryEnd});
}

std::u16string FormatReport(std::u16string_view prefix, const std::vector<PlannedRename>& plan) {
  std::u16string report;
  for (const PlannedRename& planned : plan) {
    if (planned.status == PlanStatus::kFailed) report += ReportEntry(prefix, planned);
  }
  return report;
}

}  // namespace renamer
