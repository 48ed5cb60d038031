#include "engine/prediction.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

#include "engine/file_names.h"
#include "engine/name_folding.h"
#include "engine/name_rules.h"
#include "engine/simulated_directory.h"
#include "engine/text.h"
#include "engine/time_key.h"

namespace renamer {
namespace {

// The longest file name most Linux file systems take, in bytes.
constexpr std::size_t kNameMax = 255;

// The run's message for a listed file whose status cannot be read.
std::u16string UnreadableTime(const std::u16string& prefix, const std::u16string& name, int error) {
  return std::u16string(kUnreadableTimeMessage)
      .append(prefix)
      .append(name)
      .append(u"(")
      .append(DescribeError(error))
      .append(u")");
}

// Every listed file as unselected: what the window shows when no run would rename.
RunPrediction NothingChanges(const PredictionInput& input, std::u16string message) {
  RunPrediction prediction;
  prediction.files.reserve(input.names.size());
  for (const std::u16string& name : input.names) {
    prediction.files.push_back({name, {}, PredictedOutcome::kUnchanged, {}});
  }
  prediction.message = std::move(message);
  return prediction;
}

// The time keys of the listing in list order, as the run's fill makes them; sets
// `message` instead when the run would stop at a time it cannot read.
std::shared_ptr<const std::vector<std::u16string>> ReadTimeKeys(Directory* dir, int openError,
                                                                const PredictionInput& input,
                                                                const std::u16string& prefix,
                                                                std::u16string& message) {
  auto keys = std::make_shared<std::vector<std::u16string>>();
  keys->reserve(input.names.size());
  for (const std::u16string& name : input.names) {
    FileStatus status;
    if (IsSafeFileName(name)) {
      const int error = dir != nullptr ? dir->Status(EncodeFileName(name), status) : openError;
      if (error != 0) {
        message = UnreadableTime(prefix, name, error);
        return nullptr;
      }
    }
    keys->push_back(MakeTimeKey(TimeTextOf(status.modifiedSeconds)));
  }
  return keys;
}

std::int16_t RaisedMaxLen(const PredictionInput& input) {
  std::size_t longest = static_cast<std::size_t>(std::max<std::int16_t>(input.plan.maxLen, 0));
  for (const std::u16string& name : input.names) {
    longest = std::max(longest, name.size() - detail::ExtensionLength(name));
  }
  return static_cast<std::int16_t>(
      std::min<std::size_t>(longest, std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

RunPrediction Predict(FileSystem& fs, const PredictionInput& input) {
  const std::u16string prefix = input.path + u"/";
  int openError = 0;
  const std::unique_ptr<Directory> dir = fs.Open(EncodeFileName(input.path), openError);

  // Every entry blocks a target, whatever it is; the listed names must still be there
  // as regular files, or the run stops or skips them.
  std::vector<DirectoryEntry> entries;
  const bool listed = dir != nullptr && fs.ListAll(EncodeFileName(input.path), entries) == 0;
  // Entries that are not regular files are few; keeping only those halves the work of
  // a large directory.
  std::unordered_set<std::string> present;
  std::unordered_set<std::string> irregular;
  present.reserve(entries.size() * 2);
  for (DirectoryEntry& entry : entries) {
    if (!entry.regular) irregular.insert(entry.name);
    present.insert(std::move(entry.name));
  }
  entries.clear();

  // Each listed name as bytes, once; the plan below refers to them by list index.
  std::vector<std::string> listedBytes;
  listedBytes.reserve(input.names.size());

  FillTable fill;
  fill.Reset(input.names.size());
  for (std::size_t k = 0; k < input.names.size(); ++k) {
    const std::u16string& name = input.names[k];
    fill.names.push_back(name);
    listedBytes.push_back(EncodeFileName(name));
    if (!IsSafeFileName(name)) {
      fill.errors[k] = kErrorBadOldName;
      continue;
    }
    const std::string& bytes = listedBytes.back();
    if (!dir) return NothingChanges(input, UnreadableTime(prefix, name, openError));
    if (!listed) {
      present.insert(bytes);  // the best that can be known without a listing
      continue;
    }
    if (present.count(bytes) != 0 && irregular.count(bytes) == 0) continue;
    // Gone, or no regular file now: the run's own status read decides. It follows a
    // symbolic link for the time, so one that leads nowhere stops the run. A name that
    // is found although the listing lacks it has another spelling there, on a file
    // system that folds case; the entries keep that spelling.
    FileStatus status;
    if (const int error = dir->Status(bytes, status)) {
      return NothingChanges(input, UnreadableTime(prefix, name, error));
    }
    if (!status.regular) fill.errors[k] = kErrorNotRegular;
  }

  RunPrediction prediction;
  PlanInput plan = input.plan;
  if (plan.code == u"ADDPRENO") {
    std::u16string message;
    prediction.timeKeys = input.timeKeys;
    if (!prediction.timeKeys || prediction.timeKeys->size() != input.names.size()) {
      prediction.timeKeys = ReadTimeKeys(dir.get(), openError, input, prefix, message);
    }
    if (!prediction.timeKeys) return NothingChanges(input, std::move(message));
    std::vector<std::u16string> keys = *prediction.timeKeys;
    const std::vector<std::uint32_t> order = TimeOrder(keys);
    ApplyOrder(order, fill.names);
    ApplyOrder(order, fill.errors);
    ApplyOrder(order, fill.listIndex);
  }
  if (plan.code == u"SAMELEN") plan.maxLen = RaisedMaxLen(input);

  // Other letters need learning only where ASCII letters are not compared exactly.
  Folding ascii = Folding::kUnknown;
  Folding other = Folding::kUnknown;
  if (dir) ascii = ProbeFolding(*dir, present, LetterClass::kAscii);
  if (dir && ascii != Folding::kExact) other = ProbeFolding(*dir, present, LetterClass::kOther);
  SimulatedDirectory names(std::move(present), ascii, other, dir.get());

  std::vector<PlannedRename> planned = PlanRenames(
      fill, fill.names.size(), plan, [](long long number) { return DecimalText(number); });

  prediction.files.reserve(input.names.size());
  for (const std::u16string& name : input.names) {
    prediction.files.push_back({name, {}, PredictedOutcome::kNotSelected, {}});
  }
  for (PlannedRename& p : planned) {
    const std::string& from = listedBytes[p.listIndex];
    const std::string to = EncodeFileName(p.newName);
    if (Prejudge(p, from, to) == PlanStatus::kPending) {
      p.error = to.size() > kNameMax ? ENAMETOOLONG : names.Rename(from, to);
      p.status = p.error == 0 ? PlanStatus::kRenamed : PlanStatus::kFailed;
    }
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
