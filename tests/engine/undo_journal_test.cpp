// The journal itself: what it keeps survives a round trip, a journal cut short or
// damaged is never trusted, and a run killed at any moment is undone completely.

#include "engine/undo_journal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/support/temp_dir.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::ShowDirectory;
using testing::StateHome;
using testing::TempDir;

std::string RandomBytes(std::mt19937_64& random, std::size_t most) {
  std::string bytes(std::uniform_int_distribution<std::size_t>(1, most)(random), '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xff);
  return bytes;
}

JournaledRun RandomRun(std::mt19937_64& random) {
  JournaledRun run;
  run.path = "/" + RandomBytes(random, 40);
  run.directory = {random(), random(), 0, static_cast<std::int64_t>(random())};
  run.startedSeconds = static_cast<std::int64_t>(random() >> 1);
  const std::size_t steps = random() % 30;
  for (std::size_t i = 0; i < steps; ++i) {
    run.steps.push_back({RandomBytes(random, 60),
                         RandomBytes(random, 60),
                         {random(), random(), 0, static_cast<std::int64_t>(random())}});
  }
  run.complete = random() % 2 == 0;
  if (run.complete) {
    for (std::size_t i = 0; i < steps; ++i) run.renamed.push_back(random() % 2 == 0);
  }
  return run;
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
    EXPECT_EQ(got.steps[i].identity.birthNanoseconds, want.steps[i].identity.birthNanoseconds);
  }
  EXPECT_EQ(got.complete, want.complete);
  EXPECT_EQ(got.renamed, want.renamed);
}

TEST(UndoJournalTest, KeepsEveryRunAndTrustsNoDamagedOne) {
  for (std::uint64_t seed = 0; seed < 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 random(seed);
    const JournaledRun run = RandomRun(random);
    const std::string plan = EncodeJournal(run);
    const std::string bytes = run.complete ? plan + EncodeEndRecord(run.renamed) : plan;
    JournaledRun decoded;
    ASSERT_TRUE(DecodeJournal(bytes, decoded));
    ExpectSameRun(decoded, run);

    // Cut anywhere: inside the plan nothing is trusted, inside the end record the run
    // counts as cut short.
    const std::size_t cut = random() % bytes.size();
    const bool planWhole = DecodeJournal(std::string_view(bytes).substr(0, cut), decoded);
    EXPECT_EQ(planWhole, cut >= plan.size());
    EXPECT_FALSE(planWhole && decoded.complete);

    // One damaged byte anywhere in the plan record.
    std::string damaged = bytes;
    damaged[random() % plan.size()] ^= static_cast<char>(1 + random() % 255);
    EXPECT_FALSE(DecodeJournal(damaged, decoded));
  }
}

// The child renames the whole directory and is killed somewhere along the way; a new
// engine in the parent must then find every file under its old name again.
class KilledRunTest : public ::testing::Test {
 protected:
  static constexpr int kFiles = 20000;

  void SetUp() override {
    for (int i = 0; i < kFiles; ++i) {
      const std::string name = "f" + std::to_string(i) + ".dat";
      dir.MakeFile(name, name);
    }
    original = dir.Entries();
  }

  pid_t StartRun() const {
    const pid_t child = ::fork();
    if (child != 0) return child;
    FakeWindow window;
    ShowDirectory(window, dir);
    RenameEngine engine(window);
    engine.ChgMode = u"ADDPRE";
    window.valueText = u"k_";
    engine.RenameFiles();
    ::_exit(0);
  }

  StateHome state;
  TempDir dir;
  std::vector<std::string> original;
};

TEST_F(KilledRunTest, ANewEngineUndoesARunKilledAtAnyMoment) {
  // How long a whole run takes here, so the kills land inside one.
  const auto started = std::chrono::steady_clock::now();
  int status = 0;
  ASSERT_TRUE(::waitpid(StartRun(), &status, 0) > 0 && WIFEXITED(status));
  const auto whole = std::chrono::steady_clock::now() - started;
  FakeWindow window;
  ASSERT_TRUE(RenameEngine(window).CanUndo());
  ASSERT_EQ(RenameEngine(window).UndoLastRun(), u"");
  ASSERT_EQ(dir.Entries(), original);

  std::mt19937_64 random(20261208);
  int kills = 0;
  int midRun = 0;
  for (int attempt = 0; attempt < 40 && kills < 12; ++attempt) {
    const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(whole) *
                       std::uniform_real_distribution<double>(0.05, 0.95)(random);
    const pid_t child = StartRun();
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    // A run that ended before the kill is undone all the same, just not counted.
    kills += WIFSIGNALED(status) ? 1 : 0;
    const std::vector<std::string> atKill = dir.Entries();
    ASSERT_EQ(atKill.size(), original.size()) << "a file was lost or doubled";
    const bool someRenamed = atKill != original;
    const bool allRenamed = atKill.front().starts_with("k_") && atKill.back().starts_with("k_");
    midRun += WIFSIGNALED(status) && someRenamed && !allRenamed ? 1 : 0;

    RenameEngine restarted(window);
    // A kill before the journal was durable came before any rename too.
    ASSERT_TRUE(restarted.CanUndo() || !someRenamed) << "renamed without a journal";
    EXPECT_EQ(restarted.UndoLastRun(), u"");
    ASSERT_EQ(dir.Entries(), original)
        << "attempt " << attempt << " after " << delay.count() << " us";
    EXPECT_FALSE(restarted.CanUndo());
  }
  std::cout << kills << " runs killed, " << midRun << " of them half-way, each undone to all "
            << kFiles << " files\n";
  RecordProperty("kills", kills);
  RecordProperty("killed_half_way", midRun);
  EXPECT_GE(kills, 10);
  EXPECT_GE(midRun, 1) << "no kill landed among the renames";
  EXPECT_EQ(dir.Read("f123.dat"), "f123.dat");
}

}  // namespace
}  // namespace renamer
