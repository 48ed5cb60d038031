#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QScreen>

#include "tests/ui/main_window_support.h"
#include "tests/ui/test_main.h"
#include "ui/main_window.h"

namespace renamer::ui {
namespace {

using testing::SaveScreenshot;
using testing::SeenBox;
using testing::WindowOnDirectory;

// Notes the caption of the file list at the moment the run button is enabled again.
class CaptionWhenEnabled : public QObject {
 public:
  explicit CaptionWhenEnabled(const WindowOnDirectory& view) : view_(view) {
    view.Child<QPushButton>("Command1")->installEventFilter(this);
  }
  QStringList seen;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange && static_cast<QWidget*>(watched)->isEnabled())
      seen << testing::Caption(view_);
    return false;
  }

 private:
  const WindowOnDirectory& view_;
};

// Sets the modification time of `path`, seconds since the epoch.
void SetTime(const QString& path, std::int64_t seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// The names the file list holds; right after a run its first column shows them as they
// were before.
QStringList ShownFiles(const WindowOnDirectory& view) {
  QStringList names;
  for (int k = 0; k < view.window->FileListCount(); ++k)
    names << QString::fromStdU16String(view.window->FileListItem(k));
  return names;
}

class MainWindowRunTest : public QObject {
  Q_OBJECT

 private slots:
  // Each rule on "a1.jpg", "b2.JPG" and "notes", and the names afterwards.
  void runsEveryRule_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("after");
    const auto row = [](const char* code, const char* rule, const char* type, const char* text,
                        const char* value, const QStringList& after) {
      QTest::newRow(code) << QString::fromUtf8(rule) << QString::fromUtf8(type)
                          << QString::fromUtf8(text) << QString::fromUtf8(value) << after;
    };
    row("ADDPRE", "增加前缀", "*.*", "", "新_", {"新_a1.jpg", "新_b2.JPG", "新_notes"});
    row("ADDLST", "增加后缀", ".jpg", "", "_x", {"a1_x.jpg", "b2.JPG", "notes"});
    row("SAMELEN", "长度一致(后补足)", "*.*", "", "", {"a1@@@.jpg", "b2@@@.JPG", "notes"});
    row("ADDPRENO", "前加顺序号", "*.*", "", "2", {"01a1.jpg", "02b2.JPG", "03notes"});
    row("ADDLSTNO", "后加顺序号", "*.*", "", "3", {"a1001.jpg", "b2002.JPG", "notes003"});
    row("DELPREN", "删除前N个字符", "*.*", "", "1", {"1.jpg", "2.JPG", "otes"});
    row("DELLSTN", "删除后N个字符", "", "", "2", {"a1.jpg", "b2.JPG", "not"});
    row("DEL", "删除字符", "*.*", "1", "", {"a.jpg", "b2.JPG", "notes"});
    row("REP", "替换字符", "*.*", "o", "0", {"a1.jpg", "b2.JPG", "n0tes"});
    row("EXT", "修改扩展名", ".JPG", "", ".png", {"a1.jpg", "b2.png", "notes"});
  }

  void runsEveryRule() {
    QFETCH(QString, rule);
    QFETCH(QString, type);
    QFETCH(QString, text);
    QFETCH(QString, value);
    QFETCH(QStringList, after);
    WindowOnDirectory view(
        {QStringLiteral("a1.jpg"), QStringLiteral("b2.JPG"), QStringLiteral("notes")});
    view.PickRule(rule);
    view.SetType(type);
    view.SetString(text);
    view.SetValue(value);
    const SeenBox box = view.Run();
    QVERIFY2(!box.shown, qPrintable(box.text));
    QStringList expected = after;
    expected.sort();
    QCOMPARE(view.Entries(), expected);
    QStringList shown = ShownFiles(view);
    shown.sort();
    QCOMPARE(shown, expected);
  }

  void numbersByTimeAndLeavesTheLastNumberInTheStringField() {
    WindowOnDirectory view({QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    QFile older(view.Path() + QStringLiteral("/b.jpg"));
    older.open(QIODevice::ReadWrite);
    older.setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
    older.close();
    view.PickRule(QStringLiteral("前加顺序号"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral(" 2 "));
    QVERIFY(!view.Run().shown);
    QCOMPARE(view.Entries(), (QStringList{QStringLiteral("01b.jpg"), QStringLiteral("02a.jpg")}));
    QCOMPARE(view.Child<QLineEdit>("Strchar")->text(), QStringLiteral("2"));
    QCOMPARE(view.Child<QLineEdit>("Chgstr")->text(), QStringLiteral(" 2 "));
  }

  // A second "确定" could otherwise start on the prediction still shown.
  void enablesTheWindowOnlyOnceItShowsWhatTheRunDid() {
    WindowOnDirectory view({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("x_"));
    QTRY_COMPARE(testing::Caption(view), QStringLiteral("选择文件：将改名 2 个文件"));
    const CaptionWhenEnabled enabled(view);
    QVERIFY(!view.Run().shown);
    QCOMPARE(enabled.seen, QStringList{QStringLiteral("选择文件：已改名 2 个文件")});
  }

  // Another program changed a time after the preview had read it, through a link in
  // another folder, which this folder does not see: "确定" renames nothing and shows the
  // order the run found; the next "确定" renames as shown then.
  void renamesNothingWhereThePreviewWasStale() {
    WindowOnDirectory view({QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    QTemporaryDir elsewhere;
    const QString link = elsewhere.filePath(QStringLiteral("a.jpg"));
    QCOMPARE(::link(QFile::encodeName(view.Path() + "/a.jpg").constData(),
                    QFile::encodeName(link).constData()),
             0);
    SetTime(view.Path() + "/a.jpg", 1700000000);
    SetTime(view.Path() + "/b.jpg", 1700000100);
    view.PickRule(QStringLiteral("前加顺序号"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("1"));
    QTRY_COMPARE(testing::RowOf(view, QStringLiteral("a.jpg")).newName, QStringLiteral("1a.jpg"));
    SetTime(link, 1700000200);

    const SeenBox refused = view.Run();
    QVERIFY2(!refused.shown, qPrintable(refused.text));
    QCOMPARE(view.Entries(), (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));
    QCOMPARE(testing::Caption(view).section(u'\n', 0, 0),
             QStringLiteral("选择文件：文件在预览后有变化，请核对后再按确定"));
    QCOMPARE(testing::RowOf(view, QStringLiteral("a.jpg")).newName, QStringLiteral("2a.jpg"));
    QCOMPARE(testing::RowOf(view, QStringLiteral("b.jpg")).newName, QStringLiteral("1b.jpg"));
    QCOMPARE(view.Child<QLineEdit>("Strchar")->text(), QString());
    SaveScreenshot(*view.window, QStringLiteral("stale_preview"));

    QVERIFY(!view.Run().shown);
    QCOMPARE(view.Entries(), (QStringList{QStringLiteral("1b.jpg"), QStringLiteral("2a.jpg")}));
  }

  void pressesTheRunButtonWithEnter() {
    WindowOnDirectory view({QStringLiteral("a.txt")});
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("p"));
    auto* run = view.Child<QPushButton>("Command1");
    run->setFocus();
    const SeenBox box = testing::CatchMessageBox([&] {
      QTest::keyClick(run, Qt::Key_Return);
      testing::WaitForJob(*view.window);
    });
    QVERIFY(!box.shown);
    QCOMPARE(view.Entries(), QStringList{QStringLiteral("pa.txt")});
    QTest::keyClick(run, Qt::Key_Space);
    QVERIFY(testing::WaitForJob(*view.window));
    QCOMPARE(view.Entries(), QStringList{QStringLiteral("ppa.txt")});
  }

  void runsOnWhatTheUserTyped() {
    WindowOnDirectory view({QStringLiteral("a.txt"), QStringLiteral("b.log")});
    view.PickRule(QStringLiteral("增加前缀"));
    auto* types = view.Child<QComboBox>("FileType");
    types->setFocus();
    QTest::keyClicks(types, QStringLiteral(".txt"));
    QTest::keyClick(types, Qt::Key_Return);
    QCOMPARE(types->count(), 3);  // "*.*", ".txt", ".log": the typed text is no item
    auto* value = view.Child<QLineEdit>("Chgstr");
    value->setFocus();
    QTest::keyClicks(value, QStringLiteral("x_"));
    auto* run = view.Child<QPushButton>("Command1");
    run->setFocus();
    const SeenBox box = testing::CatchMessageBox([&] {
      QTest::keyClick(run, Qt::Key_Enter);
      testing::WaitForJob(*view.window);
    });
    QVERIFY2(!box.shown, qPrintable(box.text));
    QCOMPARE(view.Entries(), (QStringList{QStringLiteral("b.log"), QStringLiteral("x_a.txt")}));
    QCOMPARE(types->currentText(), QStringLiteral(".txt"));
    QCOMPARE(value->text(), QStringLiteral("x_"));
  }

  void showsEachCheckMessageAndTouchesNothing_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    const auto row = [](const char* name, const char* rule, const char* value,
                        const char* message) {
      QTest::newRow(name) << QString::fromUtf8(rule) << QString::fromUtf8(value)
                          << QString::fromUtf8(message);
    };
    row("ADDPRENO abc", "前加顺序号", "abc", "请输入整数！");
    row("ADDLSTNO 2.5", "后加顺序号", "2.5", "请输入整数！");
    row("DELPREN 1,000", "删除前N个字符", "1,000", "请输入整数！");
    row("DELLSTN x", "删除后N个字符", "x", "请输入整数！");
    row("ADDPRENO 40000", "前加顺序号", "40000", "请输入整数！");
    row("ADDPRENO empty", "前加顺序号", "", "请输入整数！");
    row("ADDPRENO 11", "前加顺序号", "11", "顺序号太长！");
    row("DELPREN 12", "删除前N个字符", "12", "顺序号太长！");
    row("EXT txt", "修改扩展名", "txt", "扩展名请以 . 开始");
    row("EXT empty", "修改扩展名", "", "扩展名请以 . 开始");
  }

  void showsEachCheckMessageAndTouchesNothing() {
    QFETCH(QString, rule);
    QFETCH(QString, value);
    QFETCH(QString, message);
    WindowOnDirectory view({QStringLiteral("abc.txt")});
    view.PickRule(rule);
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(value);
    const SeenBox box = view.Run();
    QVERIFY(box.shown);
    QCOMPARE(box.title, QStringLiteral("提示"));
    QCOMPARE(box.text, message);
    QCOMPARE(box.buttons, QStringList{QStringLiteral("确定")});
    QCOMPARE(view.Entries(), QStringList{QStringLiteral("abc.txt")});
  }

  void reportsTheFilesThatWereNotRenamed() {
    WindowOnDirectory view(
        {QStringLiteral("a1.txt"), QStringLiteral("b1.txt"), QStringLiteral("c.txt")});
    view.PickRule(QStringLiteral("删除前N个字符"));
    view.SetType(QStringLiteral(".txt"));
    view.SetValue(QStringLiteral("1"));
    auto* window = view.window.data();
    bool busyWhileBoxOpen = true;
    const SeenBox box = view.Run([window, &busyWhileBoxOpen](QWidget& open) {
      busyWhileBoxOpen = QApplication::overrideCursor() != nullptr;
      SaveScreenshot(*window, QStringLiteral("main_window_after_failures"));
      SaveScreenshot(open, QStringLiteral("report_with_failures"));
    });
    QVERIFY(!busyWhileBoxOpen);  // the busy cursor ends with the run, before the report
    QVERIFY(QApplication::overrideCursor() == nullptr);
    const QString dir = view.Path() + QStringLiteral("/");
    QCOMPARE(box.title, QStringLiteral("提示"));
    QCOMPARE(box.text, dir + QStringLiteral("b1.txt -> ") + dir +
                           QStringLiteral("1.txt(目标文件已存在)\n\r") + dir +
                           QStringLiteral("c.txt -> (文件名不能为空)\n\r"));
    QCOMPARE(view.Entries(), (QStringList{QStringLiteral("1.txt"), QStringLiteral("b1.txt"),
                                          QStringLiteral("c.txt")}));
    QCOMPARE(ShownFiles(view), (QStringList{QStringLiteral("1.txt"), QStringLiteral("b1.txt"),
                                            QStringLiteral("c.txt")}));
  }

  void namesAFileWhoseTimeCannotBeRead() {
    WindowOnDirectory view({QStringLiteral("a.txt"), QStringLiteral("gone.txt")});
    QVERIFY(QFile::remove(view.Path() + QStringLiteral("/gone.txt")));  // after the listing
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("x"));
    const SeenBox box = view.Run();
    QCOMPARE(box.title, QStringLiteral("提示"));
    QCOMPARE(box.text, QStringLiteral("无法读取文件的修改时间：") + view.Path() +
                           QStringLiteral("/gone.txt(文件不存在)"));
    QCOMPARE(view.Entries(), QStringList{QStringLiteral("a.txt")});
    QCOMPARE(ShownFiles(view), QStringList{QStringLiteral("a.txt")});
  }

  void runsWithTheEmptyRuleRightAfterStart() {
    WindowOnDirectory view({QStringLiteral("a.txt"), QStringLiteral("plain")});
    auto* run = view.Child<QPushButton>("Command1");
    QCOMPARE(QApplication::focusWidget(), run);
    const SeenBox box = testing::CatchMessageBox([&] {
      QTest::keyClick(run, Qt::Key_Return);
      testing::WaitForJob(*view.window);
    });
    QCOMPARE(box.text, view.Path() + QStringLiteral("/plain -> (文件名不能为空)\n\r"));
    QCOMPARE(view.Entries(), (QStringList{QStringLiteral("a.txt"), QStringLiteral("plain")}));
  }

  void keepsALongReportUsable() {
    QStringList names;
    for (int i = 0; i < 3000; ++i) names << QStringLiteral("文件%1.dat").arg(i);
    WindowOnDirectory view(names);
    view.PickRule(QStringLiteral("删除后N个字符"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("10"));
    auto* window = view.window.data();
    const SeenBox box =
        view.Run([](QWidget& open) { SaveScreenshot(open, QStringLiteral("long_report")); });
    QCOMPARE(box.text.count(QStringLiteral("\n\r")), 3000);
    const QRect boxGeometry = box.geometry;
    QVERIFY(!boxGeometry.isEmpty());
    const QSize screen = window->screen()->availableGeometry().size();
    QVERIFY(boxGeometry.width() <= screen.width());
    QVERIFY(boxGeometry.height() <= screen.height());
    QCOMPARE(view.Entries().size(), 3000);
  }
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::MainWindowRunTest)
#include "main_window_run_test.moc"
