#include "tests/support/memory_journal_store.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/undo/undo_journal.h"

namespace renamer::testing {

/// The journal of a run in progress; holds it while it lives.
class MemoryJournalStore::Journal final : public RunJournal {
 public:
  Journal(MemoryJournalStore& store, std::string name) : store_(store), name_(std::move(name)) {
    store_.held_.insert(name_);
  }
  ~Journal() override { store_.held_.erase(name_); }
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  void Finish(const std::vector<bool>& renamed) override {
    const auto found = store_.journals.find(name_);
    if (found == store_.journals.end()) return;
    if (std::find(renamed.begin(), renamed.end(), true) == renamed.end()) {
      store_.journals.erase(found);
      return;
    }
    if (!store_.loseEndRecord) found->second += EncodeEndRecord(renamed);
  }
  const std::string& Name() const override { return name_; }

 private:
  MemoryJournalStore& store_;
  std::string name_;
};

/// The newest journal, held while the lease lives.
class MemoryJournalStore::Lease final : public JournalLease {
 public:
  Lease(MemoryJournalStore& store, std::string name, JournaledRun run, std::size_t validBytes)
      : store_(store), name_(std::move(name)), run_(std::move(run)), validBytes_(validBytes) {
    store_.held_.insert(name_);
  }
  ~Lease() override { store_.held_.erase(name_); }
  Lease(const Lease&) = delete;
  Lease& operator=(const Lease&) = delete;

  const JournaledRun& Run() const override { return run_; }
  const std::string& Name() const override { return name_; }

  int Settle(const std::vector<StepState>& state) override {
    run_.state = state;
    const auto found = store_.journals.find(name_);
    if (found == store_.journals.end()) return 0;
    if (!run_.AnyPending()) {
      store_.journals.erase(found);
      store_.unsaved_.Forget(name_);
      return 0;
    }
    if (store_.failUndoRecord != 0) {
      store_.unsaved_.Keep(name_, validBytes_, state);
      return store_.failUndoRecord;
    }
    // Where the readable records end, over whatever follows them, as on the disk.
    const std::string record = EncodeUndoRecord(state);
    found->second.resize(validBytes_);
    found->second += record;
    validBytes_ += record.size();
    store_.unsaved_.Forget(name_);
    return 0;
  }

 private:
  MemoryJournalStore& store_;
  std::string name_;
  JournaledRun run_;
  std::size_t validBytes_;
};

int MemoryJournalStore::Create(const JournaledRun& run, const RunControl*,
                               std::unique_ptr<RunJournal>& journal) {
  journal.reset();
  if (failCreate != 0) return failCreate;
  // Named as on the disk, by a number of 20 digits that no journal had before.
  std::string digits = std::to_string(++sequence_);
  digits.insert(0, 20 - std::min<std::size_t>(digits.size(), 20), '0');
  const std::string name = "run-" + digits + ".journal";
  journals[name] = EncodeJournal(run);
  journal = std::make_unique<Journal>(*this, name);
  Prune();
  return 0;
}

void MemoryJournalStore::Prune() {
  std::uint64_t total = 0;
  for (const auto& [name, bytes] : journals) total += bytes.size();
  for (auto it = journals.begin(); it != journals.end() && std::next(it) != journals.end();) {
    if (journals.size() <= kJournalsKept && total <= kJournalBytesKept) return;
    if (Held(it->first)) {
      ++it;
      continue;
    }
    total -= it->second.size();
    it = journals.erase(it);
  }
}

bool MemoryJournalStore::ReadNewest(NewestJournal& newest, bool whole) const {
  newest = NewestJournal{};
  if (journals.empty()) return false;
  const auto& [name, bytes] = *journals.rbegin();
  newest.name = name;
  newest.damaged = whole
                       ? !DecodeJournal(bytes, newest.header)
                       : !DecodeJournalHeader(
                             std::string_view(bytes).substr(0, kJournalHeaderBytes), newest.header);
  return true;
}

TakeResult MemoryJournalStore::TakeNewest(const std::string* expected, const RunControl*,
                                          std::unique_ptr<JournalLease>& lease) {
  lease.reset();
  if (journals.empty()) return expected != nullptr ? TakeResult::kChanged : TakeResult::kNone;
  const auto newest = std::prev(journals.end());
  if (expected != nullptr && newest->first != *expected) return TakeResult::kChanged;
  // Nothing can let it go while this thread waits: busy at once.
  if (Held(newest->first)) return TakeResult::kBusy;
  JournaledRun run;
  std::size_t valid = 0;
  if (!DecodeJournal(newest->second, run, &valid)) {
    journals.erase(newest);
    return TakeResult::kDamaged;
  }
  unsaved_.Recall(newest->first, valid, run.state);
  lease = std::make_unique<Lease>(*this, newest->first, std::move(run), valid);
  return TakeResult::kTaken;
}

}  // namespace renamer::testing
