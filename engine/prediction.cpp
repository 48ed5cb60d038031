#include "engine/prediction.h"

#include <algorithm>
#include <limits>
#include <span>
#include <unordered_map>
#include <unordered_set>

#include "engine/file_names.h"
#include "engine/name_rules.h"
#include "engine/safe_rename.h"
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
std::shared_ptr<const std::vector<std::u16string>> ReadTimeKeys(FileSystem& fs,
                                                                const PredictionInput& input,
                                                                const std::u16string& prefix,
                                                                std::u16string& message) {
  int openError = 0;
  const std::unique_ptr<Directory> dir = fs.Open(EncodeFileName(input.path), openError);
  auto keys = std::make_shared<std::vector<std::u16string>>();
  keys->reserve(input.names.size());
  for (const std::u16string& name : input.names) {
    FileStatus status;
    if (IsSafeFileName(name)) {
      const int error = dir ? dir->Status(EncodeFileName(name), status) : openError;
      if (error != 0) {
        message = UnreadableTime(prefix, name, error);
        return nullptr;
      }
    }
    keys->push_back(MakeTimeKey(TimeTextOf(status.modifiedSeconds)));
  }
  return keys;
}

// Swaps the case of every ASCII letter; false when there is none.
bool SwapCase(std::string& name) {
  bool swapped = false;
  for (char& c : name) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    else
      continue;
    swapped = true;
  }
  return swapped;
}

// Asks the file system whether it ignores letter case: a listed name with its case
// swapped, where no entry has that spelling, still finds something. The inode numbers
// are not compared: some mounts that ignore case give each spelling its own.
bool IgnoresCase(FileSystem& fs, const std::u16string& path, std::span<const std::string> names,
                 const std::unordered_set<std::string>& present) {
  int openError = 0;
  const std::unique_ptr<Directory> dir = fs.Open(EncodeFileName(path), openError);
  if (!dir) return false;
  int asked = 0;
  for (const std::string& name : names) {
    std::string swapped = name;
    if (!SwapCase(swapped) || present.count(swapped) != 0) continue;
    FileIdentity identity;
    if (dir->Identify(swapped, identity) == 0) return true;
    if (++asked == 3) break;
  }
  return false;
}

// The names of a directory as the file system compares them: exactly, or with letter
// case folded, and then a name may stand for several entries.
class NameSet {
 public:
  NameSet(std::unordered_set<std::string> names, bool ignoreCase) : ignoreCase_(ignoreCase) {
    if (!ignoreCase_) {
      exact_ = std::move(names);
      return;
    }
    for (const std::string& name : names) ++folded_[FoldedName(name)];
  }

  /// The error the run's rename from `from` to `to` would meet, or 0; on 0 the set
  /// holds `to` instead of `from`.
  int Rename(const std::string& from, const std::string& to) {
    if (!ignoreCase_) {
      if (exact_.count(to) != 0) return EEXIST;
      // The entry is reused for the new name: no allocation per file.
      auto node = exact_.extract(from);
      if (node.empty()) {
        exact_.insert(to);
        return 0;
      }
      node.value() = to;
      exact_.insert(std::move(node));
      return 0;
    }
    const std::string source = FoldedName(from);
    const std::string target = FoldedName(to);
    // A change of case alone goes through a temporary name, and works while no other
    // entry has the same folded name.
    const int others = folded_[target] - (source == target ? 1 : 0);
    if (others > 0) return EEXIST;
    if (--folded_[source] == 0) folded_.erase(source);
    ++folded_[target];
    return 0;
  }

 private:
  bool ignoreCase_;
  std::unordered_set<std::string> exact_;
  std::unordered_map<std::string, int> folded_;
};

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

  // Every entry blocks a target, whatever it is; the listed names must still be there
  // as regular files, or the run stops or skips them.
  std::vector<DirectoryEntry> entries;
  const int listError = fs.ListAll(EncodeFileName(input.path), entries);
  if ((listError == ENOENT || listError == ENOTDIR) && !input.names.empty()) {
    return NothingChanges(input, UnreadableTime(prefix, input.names.front(), listError));
  }
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
  const bool listed = listError == 0;

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
    if (!listed) {
      present.insert(bytes);  // the best that can be known without a listing
      continue;
    }
    if (present.count(bytes) == 0)
      return NothingChanges(input, UnreadableTime(prefix, name, ENOENT));
    if (irregular.count(bytes) != 0) fill.errors[k] = kErrorNotRegular;
  }

  RunPrediction prediction;
  PlanInput plan = input.plan;
  if (plan.code == u"ADDPRENO") {
    std::u16string message;
    prediction.timeKeys = input.timeKeys;
    if (!prediction.timeKeys || prediction.timeKeys->size() != input.names.size()) {
      prediction.timeKeys = ReadTimeKeys(fs, input, prefix, message);
    }
    if (!prediction.timeKeys) return NothingChanges(input, std::move(message));
    std::vector<std::u16string> keys = *prediction.timeKeys;
    const std::vector<std::uint32_t> order = TimeOrder(keys);
    ApplyOrder(order, fill.names);
    ApplyOrder(order, fill.errors);
    ApplyOrder(order, fill.listIndex);
  }
  if (plan.code == u"SAMELEN") plan.maxLen = RaisedMaxLen(input);

  const std::span<const std::string> probes(listedBytes.data(),
                                            std::min<std::size_t>(listedBytes.size(), 16));
  const bool ignoreCase = IgnoresCase(fs, input.path, probes, present);
  NameSet names(std::move(present), ignoreCase);

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
