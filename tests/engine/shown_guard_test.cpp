// A run holds itself to the prediction the window showed: where its plan would do to
// any file something else than was shown, it renames nothing.

#include "engine/preview/shown_guard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/engine/prediction_scenario.h"
#include "tests/support/memory_journal_store.h"
#include "tests/support/memory_window.h"
#include "tests/support/random_folder.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::MemoryJournalStore;
using testing::RandomFolder;

// The file listed at `at`, planned to get `newName`.
PlannedRename Planned(std::u16string newName, std::uint32_t at,
                      ChangeStatus status = ChangeStatus::kUntried) {
  PlannedRename planned;
  planned.to = std::move(newName);
  planned.listIndex = at;
  planned.status = status;
  if (status == ChangeStatus::kFailed) planned.reason = Reason::kNoNewName;
  return planned;
}

struct Case {
  const char* what;
  std::function<void(std::vector<PlannedRename>& plan, RunPrediction& shown)> change;
  bool keeps;
};

TEST(PlanKeepsToShownTest, HoldsEveryFileToWhatWasShown) {
  using enum PredictedOutcome;
  const std::u16string disk = u"目标文件已存在";
  const std::vector<Case> cases = {
      {"as shown", [](auto&, auto&) {}, true},
      {"another running number", [](auto&, auto& shown) { shown.files[0].newName = u"2a.txt"; },
       false},
      {"a failure shown that only the disk gives",
       [&](auto&, auto& shown) {
         shown.files[1] = {u"b.txt", u"2b.txt", kFails, disk};
       },
       true},
      {"a failure shown that the plan would decide",
       [](auto&, auto& shown) {
         shown.files[1] = {u"b.txt", u"2b.txt", kFails, u"已不是普通文件"};
       },
       false},
      {"no longer a regular file",
       [](auto& plan, auto&) {
         plan[0].status = ChangeStatus::kFailed;
         plan[0].reason = Reason::kSystem;
         plan[0].error = -4;
       },
       false},
      {"unchanged, shown renamed",
       [](auto& plan, auto& shown) {
         plan[1] = Planned(u"b.txt", 1, ChangeStatus::kUnchanged);
         shown.files[1].newName = u"b.txt";
       },
       false},
      {"unchanged, shown so",
       [](auto& plan, auto& shown) {
         plan[1] = Planned(u"b.txt", 1, ChangeStatus::kUnchanged);
         shown.files[1] = {u"b.txt", u"b.txt", kUnchanged, {}};
       },
       true},
      {"a file not taken, shown with a new name",
       [](auto&, auto& shown) {
         shown.files[2] = {u"c.txt", u"3c.txt", kRenamed, {}};
       },
       false},
      {"a file taken, shown as not taken", [](auto& plan, auto&) { plan.pop_back(); }, false},
      {"the run's stop shown", [](auto&, auto& shown) { shown.message = u"无法读取"; }, false},
      {"another listing", [](auto&, auto& shown) { shown.files.pop_back(); }, false},
  };
  RunRequest request;
  request.path = u"/d";
  request.names = std::make_shared<const std::vector<std::u16string>>(
      std::vector<std::u16string>{u"a.txt", u"b.txt", u"c.txt", u"d.txt"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // c.txt is left unchecked; d.txt gets no new name.
    std::vector<PlannedRename> plan = {Planned(u"1a.txt", 0), Planned(u"2b.txt", 1),
                                       Planned(u"", 3, ChangeStatus::kFailed)};
    RunPrediction shown;
    shown.files = {{u"a.txt", u"1a.txt", kRenamed, {}},
                   {u"b.txt", u"2b.txt", kRenamed, {}},
                   {u"c.txt", {}, kNotSelected, {}},
                   {u"d.txt", {}, kFails, u"文件名不能为空"}};
    c.change(plan, shown);
    EXPECT_EQ(PlanKeepsToShown(plan, request, shown), c.keeps);
  }
}

// An honest prediction never stops the run that follows it on the same folder; one that
// promised a single new name the run would not give stops it before any rename.
TEST(PlanKeepsToShownTest, StopsOnlyARunThatWasShownSomethingElse) {
  std::size_t stopped = 0;
  for (std::uint64_t seed = 1; seed <= 2000; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RandomFolder random(seed);
    testing::MemoryPlace place(testing::Fold::kNone);
    random.MakeCaseFolder(place);
    FakeWindow window;
    window.path = u"/memory";
    MemoryJournalStore journals;
    RenameEngine engine(window, place.fs, journals);
    window.files = engine.ListFiles(window.path, nullptr, &window.places);
    random.PickCaseRule(engine, window);
    random.PickChoice(window);
    RunRequest request = engine.Request();
    auto shown = std::make_shared<RunPrediction>(Predict(place.fs, request));
    if (!shown->message.empty()) continue;
    std::size_t tampered = shown->files.size();
    if (random.Chance(50)) {
      for (std::size_t k = 0; k < shown->files.size(); ++k) {
        if (shown->files[k].outcome == PredictedOutcome::kRenamed) tampered = k;
      }
    }
    if (tampered < shown->files.size()) shown->files[tampered].newName += u"~";
    request.shown = shown;
    const std::set<std::string> before = place.fs.Names();
    const JobOutcome outcome = engine.RenameFiles(request);
    const std::u16string report = RunReport(outcome);
    const bool stop = tampered < shown->files.size();
    ASSERT_EQ(request.differsFromShown, stop);
    if (stop) {
      ++stopped;
      EXPECT_TRUE(report.empty());
      EXPECT_TRUE(outcome.changes.empty());
      EXPECT_EQ(place.fs.Names(), before);
    }
  }
  EXPECT_GT(stopped, 300u);
}

}  // namespace
}  // namespace renamer
