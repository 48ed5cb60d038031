// The journal itself: what it keeps survives a round trip, a journal cut short or
// damaged is never trusted, the store on the disk and the one in memory answer alike,
// and a run killed at any moment is undone completely.

#include "engine/undo/undo_journal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/rename_engine.h"
#include "engine/run/safe_rename.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/memory_journal_store.h"
#include "tests/support/random_folder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::MemoryJournalStore;
using testing::RandomFolder;
using testing::ShowDirectory;
using testing::StateHome;
using testing::TempDir;
using testing::Utf8;

FileIdentity RandomIdentity(RandomFolder& random) {
  FileIdentity identity;
  identity.device = random.Next();
  identity.inode = random.Next();
  identity.links = random.Below(5);
  identity.birthNanoseconds = static_cast<std::int64_t>(random.Next());
  identity.hasGeneration = random.Chance(50);
  identity.generation = random.Next();
  identity.modifiedNanoseconds = static_cast<std::int64_t>(random.Next());
  identity.size = random.Next();
  return identity;
}

JournaledRun RandomRun(RandomFolder& random) {
  JournaledRun run;
  run.path = "/" + random.AnyName(40);
  run.directory = RandomIdentity(random);
  run.startedSeconds = static_cast<std::int64_t>(random.Next() >> 1);
  const std::size_t steps = random.Below(30);
  for (std::size_t i = 0; i < steps; ++i) {
    std::string oldName = random.AnyName(60);
    std::string newName = random.AnyName(60);
    run.steps.push_back(
        {std::move(oldName), std::move(newName), RandomIdentity(random), random.Chance(50)});
  }
  run.complete = random.Chance(50);
  if (run.complete) {
    for (std::size_t i = 0; i < steps; ++i) run.renamed.push_back(random.Chance(50));
  }
  if (random.Chance(50)) {
    for (std::size_t i = 0; i < steps; ++i) {
      run.state.push_back(static_cast<StepState>(random.Below(3)));
    }
  }
  return run;
}

std::string Bytes(const JournaledRun& run) {
  std::string bytes = EncodeJournal(run);
  if (run.complete) bytes += EncodeEndRecord(run.renamed);
  if (!run.state.empty()) bytes += EncodeUndoRecord(run.state);
  return bytes;
}

void ExpectSameRun(const JournaledRun& got, const JournaledRun& want) {
  EXPECT_EQ(got.path, want.path);
  EXPECT_TRUE(SameFile(got.directory, want.directory));
  EXPECT_EQ(got.startedSeconds, want.startedSeconds);
  ASSERT_EQ(got.steps.size(), want.steps.size());
  for (std::size_t i = 0; i < got.steps.size(); ++i) {
    EXPECT_EQ(got.steps[i].oldName, want.steps[i].oldName);
    EXPECT_EQ(got.steps[i].newName, want.steps[i].newName);
    EXPECT_EQ(got.steps[i].identity.inode, want.steps[i].identity.inode);
    EXPECT_TRUE(SameFile(got.steps[i].identity, want.steps[i].identity));
    EXPECT_EQ(got.steps[i].hadNewName, want.steps[i].hadNewName);
  }
  EXPECT_EQ(got.complete, want.complete);
  EXPECT_EQ(got.renamed, want.renamed);
  EXPECT_EQ(got.state, want.state);
}

TEST(UndoJournalTest, KeepsEveryRunAndTrustsNoDamagedOne) {
  for (std::uint64_t seed = 0; seed < 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RandomFolder random(seed);
    const JournaledRun run = RandomRun(random);
    const std::string plan = EncodeJournal(run);
    const std::string bytes = Bytes(run);
    JournaledRun decoded;
    std::size_t valid = 0;
    ASSERT_TRUE(DecodeJournal(bytes, decoded, &valid));
    ExpectSameRun(decoded, run);
    EXPECT_EQ(valid, bytes.size());

    // Cut anywhere: inside the plan nothing is trusted; a later record cut short is
    // ignored, and what was read ends before it.
    const std::size_t cut = random.Below(bytes.size());
    const bool planWhole = DecodeJournal(std::string_view(bytes).substr(0, cut), decoded, &valid);
    EXPECT_EQ(planWhole, cut >= plan.size());
    if (planWhole) {
      EXPECT_LE(valid, cut);
      // An undo's record is read only whole, and only after a whole end record.
      if (!decoded.state.empty()) {
        EXPECT_EQ(decoded.state, run.state);
        EXPECT_EQ(decoded.complete, run.complete);
      }
    }

    // One damaged byte anywhere in the plan record.
    std::string damaged = bytes;
    const std::size_t at = random.Below(plan.size());
    damaged[at] ^= static_cast<char>(1 + random.Below(255));
    EXPECT_FALSE(DecodeJournal(damaged, decoded));
  }
}

// A journal is trusted to name files of one directory only: a planted one must not move
// a file anywhere else.
TEST(UndoJournalTest, RefusesANameThatIsNotASingleFileName) {
  const std::string bad[] = {"", ".", "..", "../drop/keep.txt", "a/b", std::string("a\0b", 3)};
  for (const std::string& name : bad) {
    for (const bool asOld : {true, false}) {
      SCOPED_TRACE(name + (asOld ? " as old name" : " as new name"));
      JournaledRun run;
      run.path = "/home/u";
      run.steps.push_back({asOld ? name : "a", asOld ? "b" : name, {}});
      JournaledRun decoded;
      EXPECT_FALSE(DecodeJournal(EncodeJournal(run), decoded));
    }
  }
  JournaledRun relative;
  relative.path = "home/u";
  relative.steps.push_back({"a", "b", {}});
  JournaledRun decoded;
  EXPECT_FALSE(DecodeJournal(EncodeJournal(relative), decoded));
}

// The store on the disk, in a folder it is given, and the store in memory that engine
// tests use in its place: each test runs on both and expects the same answers.
class JournalStoreTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    SetJournalPatience(std::chrono::milliseconds(50));
    if (OnDisk()) {
      disk = std::make_unique<DiskJournalStore>(folder);
    } else {
      memory = std::make_unique<MemoryJournalStore>();
    }
  }
  void TearDown() override { SetJournalPatience(std::chrono::seconds(3)); }

  bool OnDisk() const { return GetParam(); }
  JournalStore& Store() {
    if (disk != nullptr) return *disk;
    return *memory;
  }
  /// Puts `bytes` in place as the journal `name`, as a crash or another program might.
  void Plant(const std::string& name, const std::string& bytes) {
    if (OnDisk()) {
      std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    } else {
      memory->journals[name] = bytes;
    }
  }
  std::string Create(const JournaledRun& run, std::unique_ptr<RunJournal>& journal) {
    EXPECT_EQ(Store().Create(run, nullptr, journal), 0);
    return journal != nullptr ? journal->Name() : std::string();
  }
  TakeResult Take(const std::string* expected, std::unique_ptr<JournalLease>& lease) {
    return Store().TakeNewest(expected, nullptr, lease);
  }
  TakeResult Take(const std::string* expected = nullptr) {
    std::unique_ptr<JournalLease> lease;
    return Take(expected, lease);
  }

  static JournaledRun TwoSteps(const std::string& path) {
    JournaledRun run;
    run.path = path;
    run.startedSeconds = 1700000000;
    run.steps.push_back({"a", "xa", {1, 2, 1, 3}});
    run.steps.push_back({"b", "xb", {1, 4, 1, 5}});
    return run;
  }

  TempDir home;
  const std::string folder = home.path() + "/journals";
  std::unique_ptr<DiskJournalStore> disk;
  std::unique_ptr<MemoryJournalStore> memory;
};

TEST_P(JournalStoreTest, KeepsARunUntilItsUndoSettlesEveryStep) {
  NewestJournal newest;
  EXPECT_FALSE(Store().ReadNewest(newest));
  EXPECT_EQ(Take(), TakeResult::kNone);

  std::unique_ptr<RunJournal> journal;
  const std::string name = Create(TwoSteps("/photos"), journal);
  if (OnDisk()) {
    EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/" + name));
  }
  ASSERT_TRUE(Store().ReadNewest(newest));
  EXPECT_EQ(newest.name, name);
  EXPECT_EQ(newest.header.path, "/photos");
  EXPECT_EQ(newest.header.startedSeconds, 1700000000);
  EXPECT_FALSE(newest.damaged);
  // The run in progress holds its journal.
  EXPECT_EQ(Take(), TakeResult::kBusy);
  journal->Finish({true, false});
  journal.reset();

  const std::string otherName = name + "x";
  EXPECT_EQ(Take(&otherName), TakeResult::kChanged);
  std::unique_ptr<JournalLease> lease;
  ASSERT_EQ(Take(&name, lease), TakeResult::kTaken);
  EXPECT_EQ(lease->Name(), name);
  EXPECT_TRUE(lease->Run().complete);
  EXPECT_EQ(lease->Run().renamed, (std::vector<bool>{true, false}));
  EXPECT_TRUE(lease->Run().state.empty());
  // So does an undo.
  EXPECT_EQ(Take(), TakeResult::kBusy);
  lease->Settle({StepState::kReported, StepState::kDone});
  lease.reset();

  ASSERT_EQ(Take(nullptr, lease), TakeResult::kTaken);
  EXPECT_EQ(lease->Run().state, (std::vector<StepState>{StepState::kReported, StepState::kDone}));
  lease->Settle({StepState::kDone, StepState::kDone});
  lease.reset();
  EXPECT_FALSE(Store().ReadNewest(newest));
  EXPECT_EQ(Take(), TakeResult::kNone);
  // An offer of the run undone meanwhile.
  EXPECT_EQ(Take(&name), TakeResult::kChanged);
  if (OnDisk()) {
    EXPECT_FALSE(std::filesystem::exists(folder + "/" + name));
  }
}

TEST_P(JournalStoreTest, NamesEachRunAfterTheOthersAndKeepsNoneThatRenamedNothing) {
  std::unique_ptr<RunJournal> journal;
  const std::string first = Create(TwoSteps("/first"), journal);
  journal->Finish({true, true});
  journal.reset();
  const std::string nothing = Create(TwoSteps("/nothing"), journal);
  EXPECT_GT(nothing, first);
  journal->Finish({false, false});
  journal.reset();
  const std::string last = Create(TwoSteps("/last"), journal);
  EXPECT_GT(last, nothing);
  journal->Finish({false, true});
  journal.reset();

  std::unique_ptr<JournalLease> lease;
  ASSERT_EQ(Take(nullptr, lease), TakeResult::kTaken);
  EXPECT_EQ(lease->Run().path, "/last");
  lease->Settle({StepState::kDone, StepState::kDone});
  lease.reset();
  ASSERT_EQ(Take(nullptr, lease), TakeResult::kTaken);
  EXPECT_EQ(lease->Run().path, "/first");
}

TEST_P(JournalStoreTest, SaysOnceThatTheNewestJournalIsDamaged) {
  std::unique_ptr<RunJournal> journal;
  Create(TwoSteps("/before"), journal);
  journal->Finish({true, true});
  journal.reset();
  const std::string damaged = "run-99999999999999999999.journal";
  std::string bytes = EncodeJournal(TwoSteps("/damaged"));
  bytes[bytes.size() / 2] ^= 1;
  Plant(damaged, bytes);

  // Its start can still be read; the plan cannot.
  NewestJournal newest;
  ASSERT_TRUE(Store().ReadNewest(newest));
  EXPECT_EQ(newest.name, damaged);
  EXPECT_FALSE(newest.damaged);
  EXPECT_EQ(Take(), TakeResult::kDamaged);
  std::unique_ptr<JournalLease> lease;
  ASSERT_EQ(Take(nullptr, lease), TakeResult::kTaken);
  EXPECT_EQ(lease->Run().path, "/before");
  lease.reset();

  Plant(damaged, "BRJ2");
  ASSERT_TRUE(Store().ReadNewest(newest));
  EXPECT_TRUE(newest.damaged);
  EXPECT_EQ(Take(), TakeResult::kDamaged);
}

INSTANTIATE_TEST_SUITE_P(OnDiskAndInMemory, JournalStoreTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& which) {
                           return which.param ? std::string("OnDisk") : std::string("InMemory");
                         });

// The disk's store uses the folder it is given, wherever the state home is, and says why
// it cannot make it.
TEST(DiskJournalStoreTest, UsesTheFolderItIsGiven) {
  const StateHome state;
  TempDir elsewhere;
  JournaledRun run;
  run.path = "/photos";
  run.steps.push_back({"a", "b", {}});
  std::unique_ptr<RunJournal> journal;
  DiskJournalStore store(elsewhere.path() + "/journals");
  ASSERT_EQ(store.Create(run, nullptr, journal), 0);
  EXPECT_TRUE(std::filesystem::exists(elsewhere.path() + "/journals/" + journal->Name()));
  EXPECT_FALSE(std::filesystem::exists(state.Journals()));
  NewestJournal newest;
  EXPECT_FALSE(DefaultJournalStore().ReadNewest(newest));

  elsewhere.MakeFile("file");
  DiskJournalStore blocked(elsewhere.path() + "/file/journals");
  EXPECT_EQ(blocked.Create(run, nullptr, journal), ENOTDIR);
  EXPECT_EQ(journal, nullptr);
  EXPECT_FALSE(blocked.ReadNewest(newest));
  std::unique_ptr<JournalLease> lease;
  EXPECT_EQ(blocked.TakeNewest(nullptr, nullptr, lease), TakeResult::kNone);
}

// How a killed run renames: with the no-replace rename, with a link and an unlink where
// the file system lacks it, and through a temporary name where a change of case is
// refused as "exists" (as on a file system that ignores case).
enum class Renaming { kNoReplace, kLinkFallback, kCaseOnly };

// The child renames the whole directory and is killed somewhere along the way, and so
// is, at every other try, the undo after it; a new engine in the parent must then find
// every file under its old name again, with its content.
class KilledRunTest : public ::testing::TestWithParam<Renaming> {
 protected:
  void SetUp() override {
    const int files = GetParam() == Renaming::kNoReplace ? 8000 : 4000;
    for (int i = 0; i < files; ++i) {
      const std::string name = "f" + std::to_string(i) + ".dat";
      dir.MakeFile(name, name);
    }
    original = Contents();
    if (GetParam() == Renaming::kLinkFallback) {
      fs.onRename = [](const std::string&, const std::string&) { return EINVAL; };
    } else if (GetParam() == Renaming::kCaseOnly) {
      fs.onRename = [](const std::string& from, const std::string& to) {
        return DifferOnlyInCase(from, to) ? EEXIST : testing::FaultyFileSystem::kPass;
      };
    }
  }

  // Each file holds its original name.
  std::multiset<std::string> Contents() const {
    std::multiset<std::string> contents;
    for (const std::string& name : dir.Entries()) contents.insert(name + "=" + dir.Read(name));
    return contents;
  }
  std::set<std::string> Kept() const {
    std::set<std::string> kept;
    for (const std::string& name : dir.Entries()) kept.insert(dir.Read(name));
    return kept;
  }

  template <typename Job>
  pid_t Start(Job job) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    fs.calls.reserve(1 << 16);
    job();
    ::_exit(0);
  }
  pid_t StartRun() {
    return Start([this] {
      FakeWindow window;
      ShowDirectory(window, dir);
      RenameEngine engine(window, fs);
      if (GetParam() == Renaming::kCaseOnly) {
        engine.ChgMode = u"REP";
        window.stringText = u"f";
        window.valueText = u"F";
      } else {
        engine.ChgMode = u"ADDPRE";
        window.valueText = u"k_";
      }
      engine.RenameFiles();
    });
  }
  pid_t StartUndo() {
    return Start([this] {
      FakeWindow window;
      RenameEngine(window, fs).UndoLastRun();
    });
  }
  // Kills `child` after `delay`; true when it was still working then.
  static bool KillAfter(pid_t child, std::chrono::microseconds delay) {
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFSIGNALED(status);
  }

  StateHome state;
  TempDir dir;
  testing::FaultyFileSystem fs;
  std::multiset<std::string> original;
};

TEST_P(KilledRunTest, ANewEngineUndoesARunKilledAtAnyMoment) {
  // How long a whole run takes here, so the kills land inside one.
  const auto started = std::chrono::steady_clock::now();
  int status = 0;
  ASSERT_TRUE(::waitpid(StartRun(), &status, 0) > 0 && WIFEXITED(status));
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - started);
  FakeWindow window;
  ASSERT_TRUE(RenameEngine(window, fs).CanUndo());
  ASSERT_EQ(RenameEngine(window, fs).UndoLastRun(), u"");
  ASSERT_EQ(Contents(), original);

  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> share(0.05, 0.95);
  // How much of a run goes before its first rename (the journal is synced to the disk)
  // varies with the load of the machine: kills that all land before it move later.
  double stretch = 1.0;
  const auto someOf = [&] {
    return std::chrono::duration_cast<std::chrono::microseconds>(whole * stretch * share(random));
  };
  int kills = 0;
  int midRun = 0;
  int undoKills = 0;
  for (int attempt = 0; attempt < 40 && (kills < 10 || midRun == 0); ++attempt) {
    SCOPED_TRACE("attempt " + std::to_string(attempt));
    // A run that ended before the kill is undone all the same, just not counted.
    const bool killed = KillAfter(StartRun(), someOf());
    kills += killed ? 1 : 0;
    const std::multiset<std::string> atKill = Contents();
    ASSERT_EQ(Kept().size(), original.size()) << "a file was lost";
    const bool someRenamed = atKill != original;
    midRun += killed && someRenamed ? 1 : 0;
    if (killed && !someRenamed && midRun == 0) stretch = std::min(stretch * 1.5, 8.0);
    ASSERT_TRUE(RenameEngine(window, fs).CanUndo() || !someRenamed) << "renamed without a journal";

    // An undo killed as it ends may have finished; the files tell, not the signal.
    const bool undoStarted = attempt % 2 == 1;
    if (undoStarted) {
      undoKills += KillAfter(StartUndo(), someOf()) ? 1 : 0;
      ASSERT_EQ(Kept().size(), original.size()) << "a file was lost by the undo";
    }
    RenameEngine restarted(window, fs);
    const std::u16string report = restarted.UndoLastRun();
    if (someRenamed && !undoStarted) {
      EXPECT_EQ(report, u"") << Utf8(report);
    }
    ASSERT_EQ(Contents(), original);
    EXPECT_FALSE(restarted.CanUndo());
  }
  std::cout << kills << " runs killed, " << midRun << " of them after renaming, " << undoKills
            << " undos killed; each time all " << original.size() << " files came back\n";
  EXPECT_GE(kills, 10);
  EXPECT_GE(midRun, 1) << "no kill landed among the renames";
}

INSTANTIATE_TEST_SUITE_P(EveryWayOfRenaming, KilledRunTest,
                         ::testing::Values(Renaming::kNoReplace, Renaming::kLinkFallback,
                                           Renaming::kCaseOnly));

}  // namespace
}  // namespace renamer
