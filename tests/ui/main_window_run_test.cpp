#include <QDateTime>
#include <QTreeView>
#include <QScreen>

#include "tests/ui/main_window_support.h"
#include "ui/main_window.h"

namespace renamer::ui {
namespace {

using testing::SaveScreenshot;
using testing::SeenBox;
using testing::WindowOnDirectory;

QStringList ShownFiles(const WindowOnDirectory& view) {
  QStringList names;
  auto* model = view.Child<QTreeView>("File1")->model();
  for (int row = 0; row < model->rowCount(); ++row) names << model->index(row, 0).data().toString();
  return names;
}

class MainWindowRunTest : public QObject {
  Q_OBJECT

 private slots:
  void runsEveryRule() {
    struct Case {
      const char* rule;
      const char* type;
      const char* text;
      const char* value;
      QStringList after;
    };
    const QStringList before = {QStringLiteral("a1.jpg"), QStringLiteral("b2.JPG"),
                                QStringLiteral("notes")};
    const Case cases[] = {
        {"增加前缀", "*.*", "", "新_", {"新_a1.jpg", "新_b2.JPG", "新_notes"}},
        {"增加后缀", ".jpg", "", "_x", {"a1_x.jpg", "b2.JPG", "notes"}},
        {"长度一致(后补足)", "*.*", "", "", {"a1@@@.jpg", "b2@@@.JPG", "notes"}},
        {"前加顺序号", "*.*", "", "2", {"01a1.jpg", "02b2.JPG", "03notes"}},
        {"后加顺序号", "*.*", "", "3", {"a1001.jpg", "b2002.JPG", "notes003"}},
        {"删除前N个字符", "*.*", "", "1", {"1.jpg", "2.JPG", "otes"}},
        {"删除后N个字符", "", "", "2", {"a1.jpg", "b2.JPG", "not"}},
        {"删除字符", "*.*", "1", "", {"a.jpg", "b2.JPG", "notes"}},
        {"替换字符", "*.*", "o", "0", {"a1.jpg", "b2.JPG", "n0tes"}},
        {"修改扩展名", ".JPG", "", ".png", {"a1.jpg", "b2.png", "notes"}},
    };
    for (const Case& c : cases) {
      WindowOnDirectory view(before);
      view.PickRule(QString::fromUtf8(c.rule));
      view.SetType(QString::fromUtf8(c.type));
      view.SetString(QString::fromUtf8(c.text));
      view.SetValue(QString::fromUtf8(c.value));
      const SeenBox box = view.Run();
      QVERIFY2(!box.shown, qPrintable(box.text));
      QStringList expected = c.after;
      expected.sort();
      QCOMPARE(view.Entries(), expected);
      QStringList shown = ShownFiles(view);
      shown.sort();
      QCOMPARE(shown, expected);
    }
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

  void pressesTheRunButtonWithEnter() {
    WindowOnDirectory view({QStringLiteral("a.txt")});
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("p"));
    auto* run = view.Child<QPushButton>("Command1");
    run->setFocus();
    const SeenBox box = testing::CatchMessageBox([run] { QTest::keyClick(run, Qt::Key_Return); });
    QVERIFY(!box.shown);
    QCOMPARE(view.Entries(), QStringList{QStringLiteral("pa.txt")});
    QTest::keyClick(run, Qt::Key_Space);
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
    QVERIFY(!testing::CatchMessageBox([run] { QTest::keyClick(run, Qt::Key_Enter); }).shown);
    QCOMPARE(view.Entries(), (QStringList{QStringLiteral("b.log"), QStringLiteral("x_a.txt")}));
    QCOMPARE(types->currentText(), QStringLiteral(".txt"));
    QCOMPARE(value->text(), QStringLiteral("x_"));
  }

  void showsEachCheckMessageAndTouchesNothing() {
    struct Case {
      const char* rule;
      const char* value;
      const char* message;
    };
    const Case cases[] = {
        {"前加顺序号", "abc", "请输入整数！"},      {"后加顺序号", "2.5", "请输入整数！"},
        {"删除前N个字符", "1,000", "请输入整数！"}, {"删除后N个字符", "x", "请输入整数！"},
        {"前加顺序号", "40000", "请输入整数！"},    {"前加顺序号", "", "请输入整数！"},
        {"前加顺序号", "11", "顺序号太长！"},       {"删除前N个字符", "12", "顺序号太长！"},
        {"修改扩展名", "txt", "扩展名请以 . 开始"}, {"修改扩展名", "", "扩展名请以 . 开始"},
    };
    for (const Case& c : cases) {
      WindowOnDirectory view({QStringLiteral("abc.txt")});
      view.PickRule(QString::fromUtf8(c.rule));
      view.SetType(QStringLiteral("*.*"));
      view.SetValue(QString::fromUtf8(c.value));
      const SeenBox box = view.Run();
      QVERIFY(box.shown);
      QCOMPARE(box.title, QStringLiteral("提示"));
      QCOMPARE(box.text, QString::fromUtf8(c.message));
      QCOMPARE(box.buttons, QStringList{QStringLiteral("确定")});
      QCOMPARE(view.Entries(), QStringList{QStringLiteral("abc.txt")});
    }
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
    const SeenBox box = testing::CatchMessageBox([run] { QTest::keyClick(run, Qt::Key_Return); });
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

QTEST_MAIN(renamer::ui::MainWindowRunTest)
#include "main_window_run_test.moc"
