#include "engine/rename_engine.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <unordered_set>

#include "engine/disk/natural_order.h"
#include "engine/preview/shown_guard.h"
#include "engine/rules/text.h"
#include "engine/run/run_order.h"
#include "engine/run/safe_rename.h"
#include "engine/undo/undo.h"
#include "engine/undo/undo_report.h"

namespace renamer {
namespace {

constexpr std::u16string_view kAllTypes = u"*.*";

/// Why an undo that could not take the newest journal undid nothing, in the order of
/// TakeResult.
constexpr Stop kRefusals[] = {Stop::kNone,        Stop::kNothingToUndo, Stop::kUndoBusy,
                              Stop::kUndoChanged, Stop::kUndoDamaged,   Stop::kUndoUnsafe};

}  // namespace

RenameEngine::RenameEngine(WindowPort& window) : RenameEngine(window, RealFileSystem()) {}

RenameEngine::RenameEngine(WindowPort& window, FileSystem& fs)
    : RenameEngine(window, fs, DefaultJournalStore()) {}

RenameEngine::RenameEngine(WindowPort& window, FileSystem& fs, JournalStore& journals)
    : window_(window), fs_(fs), journals_(journals) {}

std::u16string RenameEngine::MakeNewName(std::u16string_view base, std::u16string_view code,
                                         std::u16string_view stringText,
                                         std::u16string_view valueText) const {
  return MakeNewBaseName(base, code, stringText, valueText, MaxLen);
}

std::u16string RenameEngine::DirectoryPrefix() const { return window_.FileListPath() + u"/"; }

std::u16string RenameEngine::RenameFiles() {
  RunRequest request = Request();
  return RunReport(Run(request, [this](long long number) {
    window_.SetStringFieldText(DecimalText(number));
    return window_.StringFieldText();
  }));
}

JobOutcome RenameEngine::RenameFiles(RunRequest& request) {
  return Run(request, [&request](long long number) {
    request.stringText = DecimalText(number);
    return request.stringText;
  });
}

JobOutcome RenameEngine::Run(RunRequest& request, const NumberSink& number) {
  request.differsFromShown = false;
  if (control_ != nullptr) {
    control_->done.store(0);
    control_->total.store(0);
  }
  JobOutcome outcome;
  outcome.path = request.path;
  int openError = 0;
  const std::unique_ptr<Directory> dir = fs_.Open(EncodeFileName(request.path), openError);

  FillTable fill;
  if (!FillInOrder(dir.get(), openError, request, control_, fill)) {
    if (fill.cancelled) {
      // A cancel leaves every file the run would have tried.
      outcome.changes = UntriedChanges(request);
      outcome.cancelledBeforePlan = true;
    } else {
      // A time that cannot be read stops the run before it has any.
      outcome.stop = Stop::kUnreadableTime;
      outcome.stopName = (*request.names)[fill.unreadable];
      outcome.stopError = fill.unreadableError;
    }
    outcome.Count();
    return outcome;
  }
  const std::u16string stringText = request.stringText;
  std::unique_ptr<RunJournal> journal;
  std::vector<std::size_t> journaled;
  auto bytes = std::make_shared<const std::vector<std::string>>(std::move(fill.bytes));
  std::vector<PlannedRename> plan =
      PlanAndExecute(fill, bytes, request, number, control_,
                     [&](std::vector<PlannedRename>& judged, EncodedPlan& encoded) -> Execution {
                       if (request.shown && !PlanKeepsToShown(judged, request, *request.shown)) {
                         // What the window showed is not what would happen: nothing is renamed, and
                         // the window shows what would happen now before the user decides again.
                         request.differsFromShown = true;
                         request.stringText = stringText;
                         return {nullptr, 0, false};
                       }
                       encoded.order = ExecutionOrder(judged, encoded, request.places.get());
                       outcome.journalError = StartJournal(dir.get(), request.path, judged, encoded,
                                                           journal, journaled);
                       return {dir.get(), openError, true};
                     });
  if (request.differsFromShown) {
    outcome.stop = Stop::kStalePreview;
    return outcome;
  }
  if (request.rule && request.rule->measuresMaxLen) MaxLen = request.maxLen;
  if (journal != nullptr) {
    std::vector<bool> renamed(journaled.size());
    for (std::size_t i = 0; i < journaled.size(); ++i) renamed[i] = plan[journaled[i]].Done();
    journal->Finish(renamed);
  }
  outcome.changes.reserve(plan.size());
  for (PlannedRename& planned : plan) {
    FileChange& change = outcome.changes.emplace_back(std::move(planned));
    change.from = (*request.names)[change.listIndex];
  }
  outcome.Count();
  return outcome;
}

void RenameEngine::FindMaxLen() { MaxLen = MeasureMaxLen(ListedNames(window_), MaxLen); }

int RenameEngine::StartJournal(Directory* dir, const std::u16string& path,
                               const std::vector<PlannedRename>& plan, const EncodedPlan& bytes,
                               std::unique_ptr<RunJournal>& journal,
                               std::vector<std::size_t>& journaled) {
  JournaledRun run;
  for (std::size_t j = 0; j < plan.size(); ++j) {
    if (plan[j].status != ChangeStatus::kUntried) continue;
    journaled.push_back(j);
    run.steps.push_back({bytes.From(j), bytes.to[j], plan[j].identity, false});
  }
  if (run.steps.empty() || dir == nullptr) return 0;
  // An undo after a kill may remove the new name of a file found under both names only
  // if the run made it. A file with one link had no other name. Of those with more, a
  // new name may have been one of their names only if the listing holds it in some
  // spelling (a name of a regular file is listed) or no listing shows it (a hidden
  // one); those few are looked up now, before the first rename.
  std::optional<HashSet> listed;
  for (JournalStep& step : run.steps) {
    if (step.identity.links == 1) continue;
    if (!listed) {
      listed.emplace(bytes.listed->size());
      for (const std::string& name : *bytes.listed) listed->Insert(FoldedHash(name));
    }
    if (step.newName[0] != '.' && !listed->Contains(FoldedHash(step.newName))) continue;
    FileIdentity atNew;
    const int error = dir->Identify(step.newName, atNew);
    step.hadNewName = error != ENOENT && (error != 0 || SameFile(atNew, step.identity));
  }
  run.path = EncodeFileName(path);
  run.startedSeconds = static_cast<std::int64_t>(std::time(nullptr));
  int error = dir->Identify(".", run.directory);
  if (error == 0) error = journals_.Create(run, control_, journal);
  return error;
}

std::u16string RenameEngine::UndoLastRun() { return UndoReport(UndoNewest()); }

JobOutcome RenameEngine::UndoNewest() { return Undo(nullptr); }

JobOutcome RenameEngine::UndoRun(const UndoOffer& offer) { return Undo(&offer.journal); }

JobOutcome RenameEngine::Undo(const std::string* expected) {
  std::unique_ptr<JournalLease> lease;
  const TakeResult taken = journals_.TakeNewest(expected, control_, lease);
  if (taken != TakeResult::kTaken) {
    JobOutcome refused;
    refused.kind = JobKind::kUndo;
    refused.stop = kRefusals[static_cast<std::size_t>(taken)];
    return refused;
  }
  UndoOutcome outcome = UndoJournaledRun(fs_, lease->Run(), control_);
  outcome.job.journalError = lease->Settle(outcome.state);
  return std::move(outcome.job);
}

std::optional<UndoOffer> RenameEngine::NextUndo() const {
  NewestJournal newest;
  if (!journals_.ReadNewest(newest)) return std::nullopt;
  return UndoOffer{DecodeFileName(newest.header.path), newest.header.startedSeconds, newest.name,
                   newest.damaged};
}

JobOutcome RenameEngine::UndoPreview() const {
  JobOutcome preview;
  preview.kind = JobKind::kUndo;
  NewestJournal newest;
  if (!journals_.ReadNewest(newest, true)) {
    preview.stop = Stop::kNothingToUndo;
    return preview;
  }
  const JournaledRun& run = newest.header;
  preview.path = DecodeFileName(run.path);
  if (newest.damaged) {
    preview.stop = Stop::kUndoDamaged;
    return preview;
  }
  for (std::size_t i = run.steps.size(); i-- > 0;) {
    if (!run.Pending(i)) continue;
    FileChange& change = preview.changes.emplace_back();
    change.from = DecodeFileName(run.steps[i].newName);
    change.to = DecodeFileName(run.steps[i].oldName);
  }
  preview.Count();
  return preview;
}

RunPrediction RenameEngine::PredictRun() { return predictions_.Predict(fs_, Request()); }

void RenameEngine::RefreshTypes() {
  for (int i = window_.TypeListCount(); i > 0; --i) window_.TypeListRemoveFirst();
  CollectTypes();
  window_.TypeListAppend(std::u16string(kAllTypes));
  for (const std::u16string& type : TypeNames) window_.TypeListAppend(type);
}

std::size_t RenameEngine::CollectTypes() {
  TypeNames = TypesOf(ListedNames(window_));
  return TypeNames.size();
}

std::vector<std::u16string> TypesOf(const std::vector<std::u16string>& names) {
  std::vector<std::u16string> types;
  std::unordered_set<std::u16string_view> seen;
  for (const std::u16string& name : names) {
    const std::u16string_view type = LastUnits(name, detail::ExtensionLength(name));
    if (seen.insert(type).second) types.emplace_back(type);
  }
  return types;
}

std::vector<std::u16string> RenameEngine::ListFiles(std::u16string_view path, int* error,
                                                    std::vector<std::uint32_t>* places) const {
  return ListNames(fs_, path, EntryKind::kFiles, error, places);
}

std::vector<std::u16string> RenameEngine::ListDirectories(std::u16string_view path,
                                                          int* error) const {
  return ListNames(fs_, path, EntryKind::kDirectories, error);
}

}  // namespace renamer
