#include "engine/prediction.h"

#include "engine/file_names.h"
#include "engine/name_folding.h"
#include "engine/report.h"
#include "engine/simulated_directory.h"
#include "engine/text.h"

namespace renamer {
namespace {

// Every listed file as unselected: what the window shows when no run would rename.
RunPrediction NothingChanges(const RunRequest& request, std::u16string message) {
  RunPrediction prediction;
  prediction.files.reserve(request.names->size());
  for (const std::u16string& name : *request.names) {
    prediction.files.push_back({name, {}, PredictedOutcome::kUnchanged, {}});
  }
  prediction.message = std::move(message);
  return prediction;
}

// The directory as the run will find it: every entry blocks a target, whatever it is,
// and the file system compares names as the probes found.
SimulatedDirectory::Start StartOf(FileSystem& fs, Directory& dir, const RunRequest& request) {
  SimulatedDirectory::Start start;
  std::vector<DirectoryEntry> entries;
  start.listed = fs.ListAll(EncodeFileName(request.path), entries) == 0;
  if (!start.listed) {
    // The best that can be known without a listing.
    for (const std::u16string& name : *request.names) start.names.insert(EncodeFileName(name));
  }
  start.names.reserve(entries.size() * 2);
  for (DirectoryEntry& entry : entries) {
    // Entries that are not regular files are few; keeping only those halves the work of
    // a large directory.
    if (!entry.regular) start.irregular.insert(entry.name);
    start.names.insert(std::move(entry.name));
  }
  // Other letters need learning only where ASCII letters are not compared exactly.
  start.ascii = ProbeFolding(dir, start.names, LetterClass::kAscii);
  start.other = start.ascii == Folding::kExact
                    ? Folding::kUnknown
                    : ProbeFolding(dir, start.names, LetterClass::kOther);
  return start;
}

}  // namespace

RunPrediction Predict(FileSystem& fs, const RunRequest& request,
                      std::shared_ptr<const std::vector<std::u16string>> timeKeys) {
  int openError = 0;
  const std::unique_ptr<Directory> disk = fs.Open(EncodeFileName(request.path), openError);
  const bool sorts = request.code == u"ADDPRENO";
  const bool timesKnown = sorts && timeKeys && timeKeys->size() == request.names->size();
  std::unique_ptr<SimulatedDirectory> dir;
  if (disk) {
    SimulatedDirectory::Start start = StartOf(fs, *disk, request);
    start.readsTimes = sorts && !timesKnown;
    dir = std::make_unique<SimulatedDirectory>(std::move(start), disk.get());
  }

  FillTable fill;
  std::u16string message =
      FillFromDirectory(dir.get(), openError, request, sorts && !timesKnown, nullptr, fill);
  if (!message.empty()) return NothingChanges(request, std::move(message));

  RunPrediction prediction;
  RunRequest plan = request;
  if (sorts) {
    if (timesKnown) {
      fill.times = *timeKeys;
    } else {
      timeKeys = std::make_shared<const std::vector<std::u16string>>(fill.times);
    }
    prediction.timeKeys = std::move(timeKeys);
    SortFillByTime(fill);
  }
  if (plan.code == u"SAMELEN") plan.maxLen = MeasureMaxLen(*plan.names, plan.maxLen);
  std::vector<PlannedRename> planned =
      PlanRenames(fill, plan, [](long long number) { return DecimalText(number); });
  ExecutePlan(dir.get(), openError, planned, PrejudgePlan(planned, fill), nullptr);

  const std::u16string prefix = request.path + u"/";
  prediction.files.reserve(request.names->size());
  for (const std::u16string& name : *request.names) {
    prediction.files.push_back({name, {}, PredictedOutcome::kNotSelected, {}});
  }
  for (PlannedRename& p : planned) {
    PredictedRename& file = prediction.files[p.listIndex];
    switch (p.status) {
      case PlanStatus::kRenamed:
        file.outcome = PredictedOutcome::kRenamed;
        break;
      case PlanStatus::kUnchanged:
        file.outcome = PredictedOutcome::kUnchanged;
        break;
      default:
        file.outcome = PredictedOutcome::kFails;
        file.reason = FailureReason(prefix, p);
        break;
    }
    if (p.hasNewName) file.newName = std::move(p.newName);
  }
  return prediction;
}

}  // namespace renamer
