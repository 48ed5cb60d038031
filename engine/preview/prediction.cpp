#include "engine/preview/prediction.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <unordered_map>

#include "engine/disk/file_names.h"
#include "engine/disk/name_folding.h"
#include "engine/preview/simulated_directory.h"
#include "engine/rules/text.h"
#include "engine/rules/time_key.h"
#include "engine/run/report.h"
#include "engine/run/run_order.h"

namespace renamer {
namespace {

using Start = SimulatedDirectory::Start;

// A directory's time is taken from a clock that ticks every few milliseconds, or every
// second or two on some file systems: a change within the same tick leaves it as it was.
// What was read within that long after the last change is read again.
constexpr std::int64_t kTickNanoseconds = 100'000'000;
constexpr std::int64_t kCoarseTickNanoseconds = 2'000'000'000;

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
std::shared_ptr<const Start> StartOf(FileSystem& fs, Directory& dir, const std::string& path,
                                     const RunRequest& request, HashSet& folded) {
  auto start = std::make_shared<Start>();
  std::vector<DirectoryEntry> entries;
  start->listed = fs.ListAll(path, entries) == 0;
  if (!start->listed) {
    // The best that can be known without a listing.
    for (const std::u16string& name : *request.names) start->names.insert(EncodeFileName(name));
  }
  folded = HashSet(std::max(entries.size(), start->names.size()));
  for (const std::string& name : start->names) folded.Insert(FoldedHash(name));
  start->names.reserve(entries.size() * 2);
  for (DirectoryEntry& entry : entries) {
    // Entries that are not regular files are few; keeping only those halves the work of
    // a large directory.
    if (!entry.regular) start->irregular.insert(entry.name);
    if (entry.link) start->links.insert(entry.name);
    folded.Insert(FoldedHash(entry.name));
    start->names.insert(std::move(entry.name));
  }
  // Other letters need learning only where ASCII letters are not compared exactly.
  start->ascii = ProbeFolding(dir, start->names, LetterClass::kAscii);
  start->other = start->ascii == Folding::kExact
                     ? Folding::kUnknown
                     : ProbeFolding(dir, start->names, LetterClass::kOther);
  // Only names with another form are tried, which most folders do not have.
  start->forms = ProbeFolding(dir, start->names, LetterClass::kForms);
  return start;
}

// What a run would do to each listed file, from the plan that a run of `request`
// executed; counted in the same pass.
RunPrediction Outcome(const RunRequest& request, std::vector<PlannedRename>& planned) {
  RunPrediction prediction;
  const std::u16string prefix = request.path + u"/";
  prediction.files.resize(request.names->size());
  prediction.selected = planned.size();
  for (PlannedRename& p : planned) {
    PredictedRename& file = prediction.files[p.listIndex];
    if (p.Done()) {
      file.outcome = PredictedOutcome::kRenamed;
      ++prediction.renamed;
    } else if (p.status == ChangeStatus::kUnchanged) {
      file.outcome = PredictedOutcome::kUnchanged;
    } else {
      file.outcome = PredictedOutcome::kFails;
      file.reason = ChangeReason(prefix, p);
      ++prediction.fails;
    }
    file.newName = std::move(p.to);
  }
  for (std::size_t k = 0; k < prediction.files.size(); ++k) {
    prediction.files[k].oldName = (*request.names)[k];
    if (!request.Checked(k)) ++prediction.unchecked;
  }
  return prediction;
}

std::int64_t NowNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool SameDirectoryTime(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.inode == b.inode && a.birthNanoseconds == b.birthNanoseconds &&
         a.generation == b.generation && a.modifiedNanoseconds == b.modifiedNanoseconds &&
         a.changeNanoseconds == b.changeNanoseconds;
}

// What the run's fill would find, in one ordering.
struct Filled {
  bool done = false;
  std::u16string failure;
  FillTable fill;
  /// The fill's bytes, taken out of it to be shared with each plan.
  std::shared_ptr<const std::vector<std::string>> bytes;
  /// The files it read: those checked then.
  std::shared_ptr<const std::vector<bool>> checked;
  /// The rows of `fill` that the folder's times cannot vouch for, read again by every
  /// prediction: symbolic links, which lead elsewhere, and, where times count, files
  /// with more than one name, whose time changes through a name in another folder.
  std::vector<std::uint32_t> unsteady;
  /// The times of `fill` in list order, once asked for; null after any change.
  std::shared_ptr<const std::vector<CaptureTime>> listTimes;

  /// True when it read every file that `request` checks.
  bool Covers(const RunRequest& request) const {
    if (!done || !checked || checked == request.checked) return done;
    if (!request.checked) return false;
    for (std::size_t k = 0; k < checked->size(); ++k) {
      if ((*request.checked)[k] && !(*checked)[k]) return false;
    }
    return true;
  }
};

// Marks the rows of `filled` that the folder's times cannot vouch for (see Filled).
void FindUnsteady(const Start& start, bool sorts, Filled& filled) {
  filled.unsteady.clear();
  if (!sorts && start.links.empty()) return;
  const FillTable& fill = filled.fill;
  for (std::size_t row = 0; row < fill.listIndex.size(); ++row) {
    const bool link =
        !start.links.empty() && start.links.count((*filled.bytes)[fill.listIndex[row]]) != 0;
    if (link || (sorts && fill.identities[row].links > 1)) {
      filled.unsteady.push_back(static_cast<std::uint32_t>(row));
    }
  }
}

// The time of each row of `fill`, in list order.
std::shared_ptr<const std::vector<CaptureTime>> TimesInListOrder(const FillTable& fill) {
  std::vector<CaptureTime> times(fill.listIndex.size());
  for (std::size_t row = 0; row < fill.shown.size(); ++row)
    times[fill.listIndex[row]] = fill.shown[row];
  return std::make_shared<const std::vector<CaptureTime>>(std::move(times));
}

// Puts the rows of `fill` back into list order, from which the time order is made: its
// ties are not broken by the order it starts from alone.
void RestoreListOrder(FillTable& fill) {
  std::vector<std::uint32_t> order(fill.listIndex.size());
  for (std::size_t row = 0; row < order.size(); ++row) {
    order[fill.listIndex[row]] = static_cast<std::uint32_t>(row);
  }
  fill.Reorder(order);
}

// Reads the unsteady rows of `filled` again, in list order as the run would; one that
// can no longer be read stops the prediction where it would stop the run.
void Refresh(Directory& disk, const Start& start, const RunRequest& request, bool sorts,
             Filled& filled) {
  FillTable& fill = filled.fill;
  filled.listTimes.reset();
  std::vector<std::uint32_t> rows = filled.unsteady;
  std::sort(rows.begin(), rows.end(), [&fill](std::uint32_t a, std::uint32_t b) {
    return fill.listIndex[a] < fill.listIndex[b];
  });
  bool retimed = false;
  for (const std::uint32_t row : rows) {
    const std::uint32_t k = fill.listIndex[row];
    if (!request.Checked(k)) continue;
    FileStatus status;
    if (const int error = disk.Status((*filled.bytes)[k], status)) {
      filled.failure = UnreadableTimeMessage(request.path + u"/", (*request.names)[k], error);
      filled.done = false;
      return;
    }
    fill.errors[row] = status.regular ? 0 : kErrorNotRegular;
    fill.identities[row] = status.identity;
    if (!sorts) continue;
    std::u16string key =
        TimeKeyFor(&disk, (*filled.bytes)[k], status, request.ordering, fill.shown[row]);
    if (key == fill.times[row]) continue;
    fill.times[row] = std::move(key);
    retimed = true;
  }
  if (!retimed) return;
  RestoreListOrder(fill);
  PutInOrder(fill, request.ordering);
  FindUnsteady(start, sorts, filled);
}

// Makes `filled` what the run's fill of `request` would find now: filled afresh unless
// it covers the request, its unsteady rows read again otherwise. `start` is null where
// nothing is kept from one prediction to the next. With `refresh` false the unsteady
// rows are not read again.
void Prepare(Directory* disk, int openError, const std::shared_ptr<const Start>& start,
             const RunRequest& request, Filled& filled, bool refresh = true) {
  const bool sorts = NeedsTimes(request.ordering);
  if (!filled.Covers(request)) {
    filled.checked = request.checked;
    filled.listTimes.reset();
    std::unique_ptr<SimulatedDirectory> reader;
    if (start) {
      reader =
          std::make_unique<SimulatedDirectory>(start, disk, SimulatedDirectory::Mode{sorts, false});
    }
    const bool read = FillInOrder(reader.get(), openError, request, nullptr, filled.fill);
    filled.failure =
        read ? std::u16string()
             : UnreadableTimeMessage(request.path + u"/", (*request.names)[filled.fill.unreadable],
                                     filled.fill.unreadableError);
    filled.bytes = std::make_shared<const std::vector<std::string>>(std::move(filled.fill.bytes));
    // What kept the run from starting is looked at again next time: it may be gone
    // without the folder changing.
    filled.done = filled.failure.empty();
    if (start && filled.done) FindUnsteady(*start, sorts, filled);
  } else if (refresh && !filled.unsteady.empty()) {
    Refresh(*disk, *start, request, sorts, filled);
  }
}
}  // namespace

struct PredictionCache::Basis {
  std::string path;
  std::shared_ptr<const std::vector<std::u16string>> names;
  /// The directory as it was just before its entries were listed, and when that was.
  FileIdentity stamp;
  bool stamped = false;
  std::int64_t readNanoseconds = 0;
  std::shared_ptr<const Start> start;
  /// FoldedHash of every entry.
  HashSet folded;

  /// True when what was read is later than the tick of the directory's last change, so
  /// that any change since has given it another time.
  bool Settled() const {
    const std::int64_t changed = std::max(stamp.modifiedNanoseconds, stamp.changeNanoseconds);
    const bool coarse = changed % 1'000'000'000 == 0;
    return readNanoseconds - changed > (coarse ? kCoarseTickNanoseconds : kTickNanoseconds);
  }

  /// What the fill found, one for each ordering.
  std::array<Filled, kOrderingCount> filled;
  /// What a fill of every listed file found, for the time column, where `filled` does
  /// not hold it.
  std::array<Filled, kOrderingCount> columns;
};

PredictionCache::PredictionCache() = default;
PredictionCache::~PredictionCache() = default;

RunPrediction Predict(FileSystem& fs, const RunRequest& request) {
  return PredictionCache().Predict(fs, request);
}

RunPrediction PredictionCache::Predict(FileSystem& fs, const RunRequest& request) {
  int openError = 0;
  const std::string path = EncodeFileName(request.path);
  const std::unique_ptr<Directory> disk = fs.Open(path, openError);
  if (!disk) basis_.reset();

  FileIdentity stamp;
  const std::int64_t now = NowNanoseconds();
  const bool stamped = disk && disk->Identify(".", stamp) == 0;
  // A mount with an attribute cache, or one that other machines change, vouches for
  // nothing: everything is read again.
  const bool keep = basis_ && stamped && !disk->Remote() && basis_->stamped &&
                    basis_->path == path && SameDirectoryTime(basis_->stamp, stamp) &&
                    basis_->Settled() &&
                    (basis_->names == request.names || *basis_->names == *request.names);
  if (disk && !keep) {
    basis_ = std::make_unique<Basis>();
    basis_->path = path;
    basis_->stamp = stamp;
    basis_->stamped = stamped;
    basis_->readNanoseconds = now;
    basis_->start = StartOf(fs, *disk, path, request, basis_->folded);
  } else if (disk && basis_->names != request.names) {
    // Another listing of the same names: their times may have changed meanwhile.
    for (std::size_t k = 0; k < kOrderingCount; ++k) {
      if (NeedsTimes(static_cast<Ordering>(k))) basis_->filled[k] = basis_->columns[k] = {};
    }
  }
  if (basis_) basis_->names = request.names;

  Filled once;
  Filled& filled = !basis_ ? once : basis_->filled[static_cast<std::size_t>(request.ordering)];
  Prepare(disk.get(), openError, basis_ ? basis_->start : nullptr, request, filled);
  if (!filled.failure.empty()) return NothingChanges(request, filled.failure);

  RunRequest run = request;
  std::unique_ptr<SimulatedDirectory> dir;
  std::vector<PlannedRename> planned = PlanAndExecute(
      filled.fill, filled.bytes, run, [](long long number) { return DecimalText(number); }, nullptr,
      [&](std::vector<PlannedRename>& judged, EncodedPlan& bytes) -> Execution {
        if (!basis_) return {nullptr, openError, true};
        // Where every new name is free, the directory's names need no copy to change.
        const SimulatedDirectory::Mode mode{false, NewNamesFree(judged, bytes, basis_->folded)};
        dir = std::make_unique<SimulatedDirectory>(basis_->start, disk.get(), mode);
        return {dir.get(), 0, true};
      });
  RunPrediction prediction = Outcome(request, planned);
  if (basis_ && request.shownTimes != Ordering::kList) {
    // The time column shows every listed file: the prediction's own fill serves where it
    // read them all in that ordering, else one of its own does. That one only shows,
    // so what the folder cannot vouch for is not read again at every keystroke.
    const auto k = static_cast<std::size_t>(request.shownTimes);
    Filled* source = &filled;
    if (request.ordering != request.shownTimes || filled.checked) {
      RunRequest all = request;
      all.checked = nullptr;
      all.ordering = request.shownTimes;
      source = &basis_->columns[k];
      Prepare(disk.get(), openError, basis_->start, all, *source, false);
    }
    if (source->done) {
      if (!source->listTimes) source->listTimes = TimesInListOrder(source->fill);
      prediction.times = source->listTimes;
    }
  }
  return prediction;
}

std::vector<PredictedRename> OutcomeRows(const JobOutcome& outcome, std::u16string_view listingPath,
                                         const std::vector<std::u16string>& listing) {
  std::vector<PredictedRename> rows;
  rows.reserve(listing.size());
  // The reasons read as the job's report words them.
  const std::u16string prefix =
      outcome.kind == JobKind::kUndo && outcome.path == u"/" ? outcome.path : outcome.path + u"/";
  // A name now on disk is the new name of at most one file renamed, or still the name of
  // a file that could not be renamed; the first wins, as a renamed file took the name.
  std::unordered_map<std::u16string_view, const FileChange*> byName;
  if (outcome.path == listingPath) {
    byName.reserve(outcome.changes.size());
    for (const FileChange& change : outcome.changes) {
      if (change.Done()) byName[change.to] = &change;
    }
    for (const FileChange& change : outcome.changes) {
      if (change.Failed()) byName.emplace(change.from, &change);
    }
  }
  for (const std::u16string& name : listing) {
    const auto found = byName.find(name);
    if (found == byName.end()) {
      rows.push_back({name, {}, PredictedOutcome::kNotSelected, {}});
      continue;
    }
    const FileChange& change = *found->second;
    if (change.Done()) {
      rows.push_back({change.from, change.to, PredictedOutcome::kRenamed, {}});
    } else {
      rows.push_back({name, change.to, PredictedOutcome::kFails, ChangeReason(prefix, change)});
    }
  }
  return rows;
}

}  // namespace renamer
