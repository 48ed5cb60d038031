#include "engine/rename_engine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "tests/support/faulty_file_system.h"
#include "tests/support/report_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace renamer {
namespace {

using testing::FakeWindow;
using testing::FaultyFileSystem;
using testing::RunWithOutcome;
using testing::ShowDirectory;
using testing::TempDir;
using testing::Utf8;
using testing::WindowRun;

using Names = std::vector<std::string>;

// A directory of files (each holding its own name as content), the window on it, and
// an engine: one run per test.
class RenameRunTest : public ::testing::Test {
 protected:
  void Make(const Names& names) {
    std::int64_t time = 1700000000;
    for (const std::string& name : names) dir.MakeFile(name, name, time += 60);
    ShowDirectory(window, dir);
  }
  std::string Run(std::u16string_view code, std::u16string_view value = u"",
                  std::u16string_view text = u"") {
    engine.ChgMode = code;
    window.valueText = value;
    window.stringText = text;
    return Utf8(engine.RenameFiles());
  }
  // The report entry for `name` when renaming it to `target` failed with `error`.
  std::string Failure(const std::string& name, const std::string& target, int error) const {
    return dir.path() + "/" + name + " -> " + dir.path() + "/" + target + "(" +
           Utf8(DescribeError(error)) + ")\n\r";
  }
  std::string Empty(const std::string& name) const {
    return dir.path() + "/" + name + " -> (文件名不能为空)\n\r";
  }

  TempDir dir;
  FakeWindow window;
  RenameEngine engine{window};
};

TEST_F(RenameRunTest, NumbersInFrontByModificationTime) {
  dir.MakeFile("a.jpg", "a", 1700000500);
  dir.MakeFile("b.jpg", "b", 1700000100);
  dir.MakeFile("c.jpg", "c", 1700000300);
  ShowDirectory(window, dir);
  EXPECT_EQ(Run(u"ADDPRENO", u"2"), "");
  EXPECT_EQ(dir.Entries(), (Names{"01b.jpg", "02c.jpg", "03a.jpg"}));
  EXPECT_EQ(dir.Read("03a.jpg"), "a");
  EXPECT_EQ(Utf8(window.stringText), "3");
  EXPECT_EQ(window.stringWrites, 3);
}

TEST_F(RenameRunTest, NumbersBehindInListOrder) {
  dir.MakeFile("a.jpg", "a", 1700000500);
  dir.MakeFile("b.jpg", "b", 1700000100);
  ShowDirectory(window, dir);
  EXPECT_EQ(Run(u"ADDLSTNO", u"3"), "");
  EXPECT_EQ(dir.Entries(), (Names{"a001.jpg", "b002.jpg"}));
}

TEST_F(RenameRunTest, TreatsANegativeDigitCountAsPlainNumbers) {
  Make({"a.jpg", "b.jpg"});
  EXPECT_EQ(Run(u"ADDPRENO", u"-3"), "");
  EXPECT_EQ(dir.Entries(), (Names{"1a.jpg", "2b.jpg"}));
}

TEST_F(RenameRunTest, KeepsTheStringFieldWhenNothingIsNumbered) {
  Make({"a.jpg"});
  window.typeText = u".png";
  EXPECT_EQ(Run(u"ADDPRENO", u"2", u"before"), "");
  EXPECT_EQ(Utf8(window.stringText), "before");
  EXPECT_EQ(dir.Entries(), (Names{"a.jpg"}));
}

TEST_F(RenameRunTest, FiltersByTheTrimmedTypeText) {
  struct Case {
    std::u16string_view type;
    Names after;
  };
  const Case cases[] = {
      {u"", {"a.jpg", "b.JPG", "xnotes"}},        {u"  ", {"a.jpg", "b.JPG", "xnotes"}},
      {u" *.* ", {"xa.jpg", "xb.JPG", "xnotes"}}, {u".jpg", {"b.JPG", "notes", "xa.jpg"}},
      {u".JPG", {"a.jpg", "notes", "xb.JPG"}},    {u"jpg", {"a.jpg", "b.JPG", "notes"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("type '" + Utf8(c.type) + "'");
    TempDir fresh;
    for (const char* name : {"a.jpg", "b.JPG", "notes"}) fresh.MakeFile(name);
    FakeWindow view;
    ShowDirectory(view, fresh);
    view.typeText = c.type;
    view.valueText = u"x";
    RenameEngine run(view);
    run.ChgMode = u"ADDPRE";
    EXPECT_EQ(Utf8(run.RenameFiles()), "");
    EXPECT_EQ(fresh.Entries(), c.after);
  }
}

TEST_F(RenameRunTest, ChangesTheLastExtension) {
  Make({"a.tar.gz", "notes", "same.txt"});
  EXPECT_EQ(Run(u"EXT", u" .txt "), "");
  EXPECT_EQ(dir.Entries(), (Names{"a.tar.txt", "notes.txt", "same.txt"}));
  EXPECT_EQ(dir.Read("notes.txt"), "notes");
}

TEST_F(RenameRunTest, ReportsFilesWithoutANewNameAndRenamesTheRest) {
  Make({"ab.txt", "abcdef.txt", "x.txt"});
  EXPECT_EQ(Run(u"DELPREN", u"2"), Empty("ab.txt") + Empty("x.txt"));
  EXPECT_EQ(dir.Entries(), (Names{"ab.txt", "cdef.txt", "x.txt"}));
}

TEST_F(RenameRunTest, ReportsEveryFileWhenNoRuleIsChosen) {
  Make({"a.txt", "b"});
  EXPECT_EQ(Run(u""), Empty("a.txt") + Empty("b"));
  EXPECT_EQ(dir.Entries(), (Names{"a.txt", "b"}));
}

TEST_F(RenameRunTest, KeepsABaseOfSpacesAsAName) {
  Make({"a a.txt"});
  EXPECT_EQ(Run(u"DEL", u"", u"a"), "");
  EXPECT_EQ(dir.Entries(), (Names{".txt"}));
  EXPECT_EQ(dir.Read(".txt"), "a a.txt");
}

TEST_F(RenameRunTest, NeverOverwritesOnCollisions) {
  Make({"a1.txt", "b1.txt", "c1.txt"});
  EXPECT_EQ(Run(u"DELPREN", u"1"),
            Failure("b1.txt", "1.txt", EEXIST) + Failure("c1.txt", "1.txt", EEXIST));
  EXPECT_EQ(dir.Entries(), (Names{"1.txt", "b1.txt", "c1.txt"}));
  EXPECT_EQ(dir.Read("1.txt"), "a1.txt");
}

TEST_F(RenameRunTest, RenamesTheListedFileItselfWhenItsNameHasSpaces) {
  // Rebuilding the old path from the trimmed parts would rename "a.txt" instead.
  Make({"a .txt", "a.txt"});
  EXPECT_EQ(Run(u"ADDPRE", u"x"), Failure("a.txt", "xa.txt", EEXIST));
  EXPECT_EQ(dir.Read("xa.txt"), "a .txt");
  EXPECT_EQ(dir.Read("a.txt"), "a.txt");
}

TEST_F(RenameRunTest, LeavesUnchangedNamesAloneWithoutReport) {
  Make({"abc.txt", "b.txt"});
  EXPECT_EQ(Run(u"DEL", u"", u"zzz"), "");
  EXPECT_EQ(Run(u"DELPREN", u"0"), "");
  EXPECT_EQ(Run(u"EXT", u".txt"), "");
  EXPECT_EQ(Run(u"REP", u"x", u"zzz"), "");
  EXPECT_EQ(dir.Entries(), (Names{"abc.txt", "b.txt"}));
}

TEST_F(RenameRunTest, RefusesNamesThatLeaveTheDirectory) {
  Make({"a-b.txt", "p.q", "x"});
  ::mkdir((dir.path() + "/a").c_str(), 0755);
  const std::string report = Run(u"REP", u"/", u"-");
  EXPECT_EQ(report, Failure("a-b.txt", "a/b.txt", kErrorBadNewName));
  EXPECT_EQ(dir.Entries(), (Names{"a", "a-b.txt", "p.q", "x"}));

  EXPECT_EQ(Run(u"REP", u"..", u"x"), Failure("x", "..", kErrorBadNewName));
  EXPECT_EQ(Run(u"EXT", u"./up", u""), Failure("a-b.txt", "a-b./up", kErrorBadNewName) +
                                           Failure("p.q", "p./up", kErrorBadNewName) +
                                           Failure("x", "x./up", kErrorBadNewName));
  // A base of spaces is a new name, but with no extension nothing is left of it.
  EXPECT_EQ(Run(u"REP", u" ", u"x"), Failure("x", "", kErrorBadNewName));
  EXPECT_EQ(dir.Entries(), (Names{"a", "a-b.txt", "p.q", "x"}));
}

TEST_F(RenameRunTest, SkipsANewNameThatIsTheOldOneInBytes) {
  // U+D800 cannot come from a file name and is written as U+FFFD: the new name differs
  // from the old one as text, yet names the same file.
  Make({"a\xEF\xBF\xBD.txt"});
  EXPECT_EQ(Run(u"REP", u"\xD800", u"\xFFFD"), "");
  EXPECT_EQ(dir.Entries(), (Names{"a\xEF\xBF\xBD.txt"}));
}

TEST_F(RenameRunTest, RefusesListedNamesThatLeaveTheDirectory) {
  // The real file list cannot show such names, but the engine must not trust that.
  ::mkdir((dir.path() + "/sub").c_str(), 0755);
  dir.MakeFile("sub/a.txt", "a");
  dir.MakeFile("b.txt", "b");
  window.path = dir.path16();
  window.files = {u"sub/a.txt", u"..", u".", u"b.txt"};
  const std::string report = Run(u"REP", u"", u"sub/");
  EXPECT_EQ(report, Failure("sub/a.txt", "a.txt", kErrorBadOldName) + Empty("."));
  EXPECT_EQ(Run(u"ADDPRE", u"x"), Failure("sub/a.txt", "xsub/a.txt", kErrorBadOldName) +
                                      Failure("..", "x..", kErrorBadOldName) +
                                      Failure(".", "x.", kErrorBadOldName));
  EXPECT_EQ(dir.Entries(), (Names{"sub", "xb.txt"}));
  EXPECT_EQ(dir.Read("sub/a.txt"), "a");
}

TEST_F(RenameRunTest, LeavesANameThatNoLongerHoldsARegularFile) {
  Make({"a.txt", "d.txt", "p.txt"});
  ASSERT_EQ(::unlink((dir.path() + "/d.txt").c_str()), 0);
  ASSERT_EQ(::mkdir((dir.path() + "/d.txt").c_str(), 0755), 0);
  ASSERT_EQ(::unlink((dir.path() + "/p.txt").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir.path() + "/p.txt").c_str(), 0644), 0);
  EXPECT_EQ(Run(u"ADDPRE", u"x"), Failure("d.txt", "xd.txt", kErrorNotRegular) +
                                      Failure("p.txt", "xp.txt", kErrorNotRegular));
  EXPECT_EQ(dir.Entries(), (Names{"d.txt", "p.txt", "xa.txt"}));
  EXPECT_EQ(Utf8(DescribeError(kErrorNotRegular)), "已不是普通文件");
}

TEST_F(RenameRunTest, TreatsABackslashAsAnOrdinaryCharacter) {
  Make({"a\\b.txt"});
  EXPECT_EQ(Run(u"ADDLST", u"\\c"), "");
  EXPECT_EQ(dir.Entries(), (Names{"a\\b\\c.txt"}));
}

TEST_F(RenameRunTest, RenamesNamesThatAreNotUtf8) {
  Make({"bad\xff.txt"});
  EXPECT_EQ(Run(u"ADDPRE", u"新"), "");
  EXPECT_EQ(dir.Entries(), (Names{"\xe6\x96\xb0"
                                  "bad\xff.txt"}));
}

TEST_F(RenameRunTest, ReportsTooLongNames) {
  Make({"a.txt"});
  const std::u16string prefix(100, u'长');  // 300 bytes, 100 code units
  const std::string report = Run(u"ADDPRE", prefix);
  EXPECT_EQ(report, Failure("a.txt", Utf8(prefix) + "a.txt", ENAMETOOLONG));
  EXPECT_EQ(dir.Entries(), (Names{"a.txt"}));
}

TEST_F(RenameRunTest, PadsToTheLongestBaseMeasuredSinceLoad) {
  Make({"abcd.txt", "ab.jpeg"});
  EXPECT_EQ(engine.MaxLen, 0);
  EXPECT_EQ(Run(u"SAMELEN"), "");
  EXPECT_EQ(engine.MaxLen, 4);
  EXPECT_EQ(dir.Entries(), (Names{"ab@@.jpeg", "abcd.txt"}));

  TempDir longer;
  longer.MakeFile("abcdefgh.txt");
  ShowDirectory(window, longer);
  EXPECT_EQ(Utf8(engine.RenameFiles()), "");
  EXPECT_EQ(engine.MaxLen, 8);

  TempDir shorter;
  shorter.MakeFile("a.txt");
  ShowDirectory(window, shorter);
  EXPECT_EQ(Utf8(engine.RenameFiles()), "");
  EXPECT_EQ(engine.MaxLen, 8);
  EXPECT_EQ(shorter.Entries(), (Names{"a@@@@@@@.txt"}));
}

TEST_F(RenameRunTest, RenamesDirectoriesOfAnySize) {
  Names names;
  for (int i = 0; i < 1500; ++i) names.push_back("f" + std::to_string(i) + ".dat");
  Make(names);
  EXPECT_EQ(Run(u"ADDLSTNO", u"4"), "");
  const Names after = dir.Entries();
  ASSERT_EQ(after.size(), 1500u);
  EXPECT_EQ(dir.Read("f14991500.dat"), "f1499.dat");
  EXPECT_EQ(Utf8(window.stringText), "1500");
}

TEST_F(RenameRunTest, RenamesNothingWhenATimeCannotBeRead) {
  Make({"a.txt", "b.txt", "c.txt"});
  FaultyFileSystem faulty;
  faulty.onTime = [](const std::string& name) {
    return name == "b.txt" ? ENOENT : FaultyFileSystem::kPass;
  };
  RenameEngine run(window, faulty);
  run.ChgMode = u"ADDPRE";
  window.valueText = u"x";
  const WindowRun ran = RunWithOutcome(run, window);
  EXPECT_EQ(Utf8(ran.report), "无法读取文件的修改时间：" + dir.path() + "/b.txt(文件不存在)");
  EXPECT_TRUE(ran.outcome.changes.empty());
  EXPECT_EQ(dir.Entries(), (Names{"a.txt", "b.txt", "c.txt"}));
  for (const std::string& call : faulty.calls)
    EXPECT_EQ(call.rfind("rename", 0), std::string::npos);
}

// Only checked files are read, planned, numbered and reported; the padding still
// measures every listed file.
TEST(CheckedFilesTest, AreTheOnlyOnesTheRunTakes) {
  const Names names = {"aaaa.t", "bb.t", "c.t"};  // oldest first
  struct Case {
    std::u16string_view code;
    std::u16string_view value;
    std::vector<bool> checked;
    Names after;
    std::string report;  // after the folder's path
  };
  const std::vector<Case> cases = {
      {u"ADDPRENO", u"1", {false, true, true}, {"1bb.t", "2c.t", "aaaa.t"}, ""},
      {u"ADDLSTNO", u"1", {true, false, true}, {"aaaa1.t", "bb.t", "c2.t"}, ""},
      {u"SAMELEN", u"", {false, false, true}, {"aaaa.t", "bb.t", "c@@@.t"}, ""},
      {u"DELPREN", u"4", {false, true, false}, names, "/bb.t -> (文件名不能为空)\n\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.code));
    TempDir folder;
    for (std::size_t k = 0; k < names.size(); ++k)
      folder.MakeFile(names[k], names[k], 1700000000 + static_cast<std::int64_t>(k) * 60);
    FakeWindow shown;
    ShowDirectory(shown, folder);
    shown.checked = c.checked;
    shown.valueText = c.value;
    // An unchecked file that cannot be read does not stop the run.
    FaultyFileSystem faulty;
    faulty.onTime = [&](const std::string& name) {
      const auto k =
          static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
      return k < names.size() && !c.checked[k] ? EIO : FaultyFileSystem::kPass;
    };
    RenameEngine run(shown, faulty);
    run.ChgMode = c.code;
    const std::string report = Utf8(run.RenameFiles());
    EXPECT_EQ(report, c.report.empty() ? "" : folder.path() + c.report);
    EXPECT_EQ(folder.Entries(), c.after);
  }
}

TEST_F(RenameRunTest, WritesEntriesWithLineFeedThenCarriageReturn) {
  Make({"a", "b"});
  const std::string report = Run(u"DELLSTN", u"5");
  EXPECT_EQ(report,
            dir.path() + "/a -> (文件名不能为空)\n\r" + dir.path() + "/b -> (文件名不能为空)\n\r");
}

TEST(RenameEngineTest, UsesADoubleSlashAtTheRoot) {
  FakeWindow window;
  window.path = u"/";
  RenameEngine engine(window);
  EXPECT_EQ(engine.DirectoryPrefix(), u"//");
}

TEST(RefreshTypesTest, ListsEveryExtensionOnceInOrderOfFirstAppearance) {
  struct Case {
    const char* name;
    std::vector<std::u16string> files;
    std::vector<std::u16string> items;
  };
  const Case cases[] = {
      {"letter case and no extension",
       {u"a.txt", u"b.TXT", u"c.txt", u"d"},
       {u"*.*", u".txt", u".TXT", u""}},
      {"no files", {}, {u"*.*"}},
      {"last dot, leading dot", {u"x.tar.gz", u".profile"}, {u"*.*", u".gz", u".profile"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWindow window;
    window.files = c.files;
    window.typeItems = {u"old", u"items"};
    window.typeText = u"kept";
    RenameEngine engine(window);
    engine.RefreshTypes();
    EXPECT_EQ(window.typeItems, c.items);
    EXPECT_EQ(window.typeText, u"kept");
  }
}

}  // namespace
}  // namespace renamer
