// The undo button and Ctrl+Z on the real window: where the button sits, when it is
// enabled, and that a run is taken back, also by a window opened after the first.

#include <QKeySequence>
#include <QTreeView>

#include "tests/support/memory_window.h"
#include "tests/ui/main_window_support.h"
#include "tests/ui/test_main.h"
#include "ui/twips.h"
#include "ui/undo_control.h"

namespace renamer::ui {
namespace {

using testing::CatchMessageBox;
using testing::WindowOnDirectory;

const QStringList kFiles = {QStringLiteral("a.txt"), QStringLiteral("照片.jpg")};

// Another program with a folder of its own holding "b.txt", to which it adds the prefix
// "y" when it runs.
struct AnotherProgram {
  AnotherProgram() {
    QFile file(folder.filePath(QStringLiteral("b.txt")));
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot make b.txt");
    window.path = Path().toStdU16String();
    window.files = {u"b.txt"};
    window.valueText = u"y";
    engine.ChgMode = u"ADDPRE";
  }
  QString Path() const { return QDir(folder.path()).canonicalPath(); }

  QTemporaryDir folder;
  renamer::testing::MemoryWindow window;
  RenameEngine engine{window};
};

class UndoWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // Every test starts with no journal at all.
  void init() {
    state_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_STATE_HOME", state_->path().toUtf8());
  }

  void sitsBetweenTheButtonsAndComesLastInTheTabOrder() {
    WindowOnDirectory view(kFiles);
    auto* undo = view.Child<QPushButton>("Command3");
    QVERIFY(undo != nullptr);
    QCOMPARE(undo->text(), QStringLiteral("撤销"));
    QCOMPARE(undo->geometry(), TwipsRect(3240, 5640, 1335, 375));
    QVERIFY(!undo->isEnabled());
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("x"));
    QVERIFY(!view.Run().shown);
    QVERIFY(undo->isEnabled());
    view.Child<QComboBox>("FileType")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), undo);
    QTest::keyClick(undo, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), view.Child<QWidget>("Command1"));
  }

  void ctrlZOutsideTheFieldsTakesTheRunBack() {
    WindowOnDirectory view(kFiles);
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("新_"));
    QVERIFY(!view.Run().shown);
    QCOMPARE(view.Entries(), (QStringList{"新_a.txt", "新_照片.jpg"}));
    auto* undo = view.Child<QPushButton>("Command3");
    QVERIFY(undo->isEnabled());
    QVERIFY(undo->toolTip().contains(view.Path()));

    // In a text field Ctrl+Z takes back typing and leaves the files alone.
    auto* value = view.Child<QLineEdit>("Chgstr");
    value->setFocus();
    QTest::keyClicks(value, QStringLiteral("x"));
    QTest::keySequence(value, QKeySequence::Undo);
    QCOMPARE(value->text(), QStringLiteral("新_"));
    QCOMPARE(view.Entries(), (QStringList{"新_a.txt", "新_照片.jpg"}));

    auto* list = view.Child<QTreeView>("File1");
    list->setFocus();
    QTest::keySequence(list, QKeySequence::Undo);
    QVERIFY(testing::WaitForJob(*view.window));
    QTRY_COMPARE(view.Entries(), kFiles);
    QCOMPARE(view.window->FileListCount(), 2);
    QVERIFY(!undo->isEnabled());
  }

  void aNewWindowOffersTheRunOfAClosedOne() {
    QStringList renamed;
    QString folder;
    {
      WindowOnDirectory first(kFiles);
      first.PickRule(QStringLiteral("后加顺序号"));
      first.SetType(QStringLiteral("*.*"));
      first.SetValue(QStringLiteral("2"));
      QVERIFY(!first.Run().shown);
      renamed = first.Entries();
      folder = first.Path();
      first.dir.setAutoRemove(false);
    }
    QCOMPARE(renamed, (QStringList{"a01.txt", "照片02.jpg"}));

    // Another folder is open in the new window; the undo still finds the run's files.
    WindowOnDirectory second({QStringLiteral("other.txt")});
    auto* undo = second.Child<QPushButton>("Command3");
    QVERIFY(undo->isEnabled());
    QVERIFY(undo->toolTip().contains(folder));
    const testing::SeenBox box = CatchMessageBox([&] {
      QTest::mouseClick(undo, Qt::LeftButton);
      testing::WaitForJob(*second.window);
    });
    QVERIFY(!box.shown);
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), kFiles);
    QCOMPARE(second.Entries(), QStringList{"other.txt"});
    QVERIFY(!undo->isEnabled());
    QDir(folder).removeRecursively();
  }

  void reportsAFileThatCannotGoBack() {
    WindowOnDirectory view(kFiles);
    view.PickRule(QStringLiteral("增加后缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("_1"));
    QVERIFY(!view.Run().shown);
    // Another program takes an old name meanwhile.
    QFile squatter(view.Path() + QStringLiteral("/a.txt"));
    QVERIFY(squatter.open(QIODevice::WriteOnly));
    squatter.close();

    const testing::SeenBox box = CatchMessageBox(
        [&view] {
          QTest::mouseClick(view.Child<QPushButton>("Command3"), Qt::LeftButton);
          testing::WaitForJob(*view.window);
        },
        [](QWidget& shown) { testing::SaveScreenshot(shown, QStringLiteral("undo-waiting")); });
    QVERIFY(box.shown);
    QCOMPARE(box.title, QStringLiteral("提示"));
    QVERIFY(box.text.startsWith(QStringLiteral("撤销未全部完成：\n\r")));
    QVERIFY(view.Child<QPushButton>("Command3")->isEnabled());
    QVERIFY2(box.text.contains(view.Path() + QStringLiteral("/a_1.txt -> ") + view.Path() +
                               QStringLiteral("/a.txt(")),
             qPrintable(box.text));
    QCOMPARE(view.Entries(), (QStringList{"a.txt", "a_1.txt", "照片.jpg"}));
  }

  // Another program runs in another folder: the button follows it, and a click on the
  // offer it showed before takes back nothing in its place.
  void theOfferFollowsOtherProgramsAndIsTakenBackAsNamed() {
    WindowOnDirectory view(kFiles);
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("x"));
    QVERIFY(!view.Run().shown);
    auto* undo = view.Child<QPushButton>("Command3");
    QVERIFY(undo->toolTip().contains(view.Path()));

    AnotherProgram other;
    QCOMPARE(other.engine.RenameFiles(), std::u16string());

    // The click comes before the window heard of it.
    const testing::SeenBox stale = CatchMessageBox([&] {
      QTest::mouseClick(undo, Qt::LeftButton);
      testing::WaitForJob(*view.window);
    });
    QVERIFY(stale.shown);
    QVERIFY2(stale.text.startsWith(QStringLiteral("可以撤销的改名已经变了")),
             qPrintable(stale.text));
    QCOMPARE(view.Entries(), (QStringList{"xa.txt", "x照片.jpg"}));
    QCOMPARE(QDir(other.Path()).entryList(QDir::Files), QStringList{"yb.txt"});
    QVERIFY(undo->toolTip().contains(other.Path()));

    // Activating the window reads the offer again too.
    const QString before = undo->toolTip();
    QCOMPARE(other.engine.UndoLastRun(), std::u16string());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(view.window, &activate);
    QVERIFY(undo->toolTip() != before);
    QVERIFY(undo->toolTip().contains(view.Path()));
  }

  // A window opened before any run was made hears of another program's first run, which
  // makes the journals' folder and the folders above it, without being activated.
  void hearsOfTheFirstRunOfAnotherProgram() {
    const QString missing = state_->path() + QStringLiteral("/not/yet");
    qputenv("XDG_STATE_HOME", missing.toUtf8());
    WindowOnDirectory view(kFiles);
    auto* undo = view.Child<QPushButton>("Command3");
    QVERIFY(!undo->isEnabled());

    AnotherProgram other;
    QCOMPARE(other.engine.RenameFiles(), std::u16string());
    QTRY_VERIFY_WITH_TIMEOUT(undo->isEnabled(), 3000);
    QVERIFY(undo->toolTip().contains(other.Path()));
  }

  void tooltipNamesTheFolderAndTheTime() {
    QCOMPARE(UndoToolTip(std::nullopt), QString());
    const QString tip = UndoToolTip(UndoOffer{u"/照片/2024", 0, "run-1.journal", false});
    QCOMPARE(tip, QStringLiteral("撤销 1970-01-01 00:00:00 在“/照片/2024”中的改名"));
  }

 private:
  std::unique_ptr<QTemporaryDir> state_;
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::UndoWindowTest)
#include "undo_window_test.moc"
