// The file list's second column shows what the next run will do, follows every edit,
// and is what the run then does.

#include <QGroupBox>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTreeView>

#include "tests/ui/main_window_support.h"
#include "tests/ui/test_main.h"
#include "ui/elide_change.h"
#include "ui/file_list_model.h"
#include "ui/main_window.h"
#include "ui/preview.h"

namespace renamer::ui {
namespace {

using testing::SaveScreenshot;
using testing::SeenBox;
using testing::WindowOnDirectory;

using Row = testing::ListRow;
using testing::Caption;
using testing::RowOf;

class PreviewTest : public QObject {
  Q_OBJECT

 private:
  /// Waits until the preview has caught up with the last edit.
  static bool WaitForPreview(const WindowOnDirectory& view) {
    auto* preview = view.window->findChild<Preview*>();
    QSignalSpy shown(preview, &Preview::Shown);
    return shown.wait(3000);
  }

 private slots:
  void showsNewNamesCollisionsAndFilteredFilesAsTheRunDoes() {
    WindowOnDirectory view({QStringLiteral("holiday.JPG"), QStringLiteral("照片1.jpg"),
                            QStringLiteral("照片2.jpg"), QStringLiteral("notes")});
    QVERIFY(view.active);
    // Not listed, but in the way of a new name.
    QVERIFY(QDir(view.Path()).mkdir(QStringLiteral("新_照片2.jpg")));
    auto* files = view.Child<QTreeView>("File1");
    QCOMPARE(files->model()->columnCount(), 1);
    QVERIFY(files->isHeaderHidden());

    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral(".jpg"));
    view.SetValue(QStringLiteral("新_"));
    QVERIFY(WaitForPreview(view));
    QCOMPARE(files->model()->columnCount(), 3);
    QVERIFY(!files->isHeaderHidden());
    QCOMPARE(files->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("新文件名"));

    const Row filtered = RowOf(view, QStringLiteral("holiday.JPG"));
    QVERIFY(filtered.newName.isEmpty());
    QCOMPARE(filtered.color, QColor(0x80, 0x80, 0x80));
    QCOMPARE(RowOf(view, QStringLiteral("照片1.jpg")).newName, QStringLiteral("新_照片1.jpg"));
    const Row blocked = RowOf(view, QStringLiteral("照片2.jpg"));
    QCOMPARE(blocked.newName, QStringLiteral("新_照片2.jpg"));
    QCOMPARE(blocked.color.red(), 0xC0);
    // The reason shows over both cells of the row.
    for (const QString& tip : {blocked.tip, blocked.nameTip})
      QVERIFY2(tip.contains(QStringLiteral("不能改名：目标文件已存在")), qPrintable(tip));
    QVERIFY(blocked.nameTip.startsWith(QStringLiteral("照片2.jpg\n")));
    QCOMPARE(Caption(view), QStringLiteral("选择文件：将改名 1 个文件，1 个不能改名"));
    SaveScreenshot(*view.window, QStringLiteral("preview_collision"));

    // The run does exactly that; the list shows what it did until the next edit, and
    // then the next run's prediction.
    const SeenBox box = view.Run();
    QVERIFY(box.shown);
    QCOMPARE(box.text.count(QStringLiteral("\n\r")), 1);
    QVERIFY(box.text.contains(QStringLiteral("照片2.jpg -> ")));
    QCOMPARE(view.Entries(),
             (QStringList{QStringLiteral("holiday.JPG"), QStringLiteral("notes"),
                          QStringLiteral("新_照片1.jpg"), QStringLiteral("照片2.jpg")}));
    QVERIFY(WaitForPreview(view));
    QCOMPARE(RowOf(view, QStringLiteral("照片1.jpg")).newName, QStringLiteral("新_照片1.jpg"));
    QCOMPARE(RowOf(view, QStringLiteral("照片2.jpg")).color.red(), 0xC0);
    QCOMPARE(Caption(view), QStringLiteral("选择文件：已改名 1 个文件，1 个未改名"));
    view.SetValue(QStringLiteral("新"));
    QVERIFY(WaitForPreview(view));
    QCOMPARE(RowOf(view, QStringLiteral("新_照片1.jpg")).newName, QStringLiteral("新新_照片1.jpg"));
  }

  void captionSaysWhatTheRunWouldDo_data() {
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("erased");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<QString>("summary");
    const QString none;
    const QString all = QStringLiteral("*.*");
    const QString numbering = QStringLiteral("前加顺序号");
    const QString chooseAType = QStringLiteral("请在“文件类型”中选 *.* 或一种扩展名");
    QTest::newRow("empty type, every file has an extension")
        << none << QStringLiteral("增加后缀") << none << QStringLiteral("_x") << none << 0 << false
        << chooseAType;
    QTest::newRow("empty type, a file without one")
        << QStringLiteral("说明") << QStringLiteral("增加后缀") << none << QStringLiteral("_x")
        << none << 0 << false << QStringLiteral("文件类型为空，只改无扩展名的 1 个文件");
    QTest::newRow("a type no file has")
        << none << QStringLiteral("增加后缀") << QStringLiteral(".png") << QStringLiteral("_x")
        << none << 0 << false << QStringLiteral("没有扩展名为“.png”的文件");
    QTest::newRow("no rule") << none << none << all << none << none << 0 << false
                             << QStringLiteral("未选择修改方式：确定将报告 2 个文件名为空");
    QTest::newRow("no rule, no file selected")
        << none << none << none << none << none << 0 << false << chooseAType;
    QTest::newRow("numbering just chosen") << none << numbering << all << none << none << 0 << false
                                           << QStringLiteral("请输入顺序号长度");
    QTest::newRow("a count just chosen") << none << QStringLiteral("删除前N个字符") << all << none
                                         << none << 0 << false << QStringLiteral("请输入修改值");
    QTest::newRow("a wrong value typed") << none << numbering << all << none << QStringLiteral("x")
                                         << 0 << false << QStringLiteral("请输入整数！");
    QTest::newRow("a value typed and erased")
        << none << numbering << all << none << QStringLiteral("3") << 1 << false
        << QStringLiteral("请输入整数！");
    QTest::newRow("确定 pressed on no value")
        << none << numbering << all << none << none << 0 << true << QStringLiteral("请输入整数！");
    QTest::newRow("the run's own check") << none << numbering << all << QStringLiteral("abc")
                                         << none << 0 << false << QStringLiteral("请输入整数！");
    QTest::newRow("a name with a slash")
        << none << QStringLiteral("增加前缀") << all << QStringLiteral("a/") << none << 0 << false
        << QStringLiteral("将改名 0 个文件，2 个不能改名");
  }
  void captionSaysWhatTheRunWouldDo() {
    QFETCH(QString, extra);
    QFETCH(QString, rule);
    QFETCH(QString, type);
    QFETCH(QString, value);
    QFETCH(QString, typed);
    QFETCH(int, erased);
    QFETCH(bool, pressed);
    QFETCH(QString, summary);
    QStringList names = {QStringLiteral("a.jpg"), QStringLiteral("b.txt")};
    if (!extra.isEmpty()) names << extra;
    WindowOnDirectory view(names);
    QVERIFY(view.active);
    view.PickRule(rule);
    view.SetType(type);
    view.SetValue(value);
    auto* field = view.Child<QLineEdit>("Chgstr");
    QTest::keyClicks(field, typed);
    for (int i = 0; i < erased; ++i) QTest::keyClick(field, Qt::Key_Backspace);
    if (pressed) QCOMPARE(view.Run().text, summary);
    QTRY_COMPARE_WITH_TIMEOUT(Caption(view), QStringLiteral("选择文件：") + summary, 3000);
    for (const QString& name : {QStringLiteral("a.jpg"), QStringLiteral("b.txt")}) {
      const Row row = RowOf(view, name);
      if (value == QStringLiteral("a/")) {
        QVERIFY2(row.tip.contains(QStringLiteral("新文件名不能含有")), qPrintable(row.tip));
      } else {
        QVERIFY(row.newName.isEmpty());
      }
    }
    // Before a rule is chosen the list stays a plain list.
    QCOMPARE(view.Child<QTreeView>("File1")->model()->columnCount(), rule.isEmpty() ? 1 : 3);
    SaveScreenshot(*view.window,
                   QStringLiteral("preview_%1").arg(QTest::currentDataTag()).replace(u' ', u'_'));
  }

  // Both columns of a long name keep its change in sight at the list's own width, beside
  // the time column.
  void aLongNameShowsItsChange() {
    const QString name = QStringLiteral("这是一个非常非常长的报告%1最终版，请勿外传.docx");
    WindowOnDirectory view({name.arg(2023), QStringLiteral("短.docx")});
    QVERIFY(view.active);
    view.PickRule(QStringLiteral("替换字符"));
    view.SetType(QStringLiteral("*.*"));
    view.SetString(QStringLiteral("2023"));
    view.SetValue(QStringLiteral("2024"));
    QTRY_COMPARE_WITH_TIMEOUT(RowOf(view, name.arg(2023)).newName, name.arg(2024), 3000);
    auto* list = view.Child<QTreeView>("File1");
    const QFontMetrics metrics(list->font());
    const int room = list->columnWidth(1) - 2 * metrics.averageCharWidth();
    QVERIFY(metrics.horizontalAdvance(name.arg(2024)) > room);
    QVERIFY(qobject_cast<ChangeElideDelegate*>(list->itemDelegate()) != nullptr);
    for (const int year : {2023, 2024}) {
      const QString shown = ElideAroundChange(name.arg(year), name.arg(4047 - year), metrics, room);
      // Only the last digit of the year differs: it stays in sight, with what follows it.
      QVERIFY2(shown.contains(QStringLiteral("%1最终").arg(year % 10)), qPrintable(shown));
    }
    SaveScreenshot(*view.window, QStringLiteral("preview_long_name"));

    // The edge between the columns can be dragged, moving the columns after it.
    QHeaderView* header = list->header();
    const int before = list->columnWidth(0);
    const int second = list->columnWidth(1);
    const QPoint edge(header->sectionViewportPosition(1) - 1, header->height() / 2);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, edge);
    QTest::mouseMove(header->viewport(), edge + QPoint(60, 0));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, edge + QPoint(60, 0));
    QCOMPARE(list->columnWidth(0), before + 60);
    QCOMPARE(list->columnWidth(1), second);

    // Padding is cut where it stands: the name's start and its extension stay in sight.
    view.PickRule(QStringLiteral("长度一致(后补足)"));
    view.SetType(QStringLiteral("*.*"));
    const QString shortName = QStringLiteral("短.docx");
    QTRY_VERIFY_WITH_TIMEOUT(RowOf(view, shortName).newName.startsWith(QStringLiteral("短@@")),
                             3000);
    const QString padded = RowOf(view, shortName).newName;
    const QString shown = ElideAroundChange(padded, shortName, metrics,
                                            list->columnWidth(1) - 2 * metrics.averageCharWidth());
    QVERIFY2(shown.startsWith(QStringLiteral("短@")) && shown.endsWith(QStringLiteral(".docx")),
             qPrintable(shown));
    SaveScreenshot(*view.window, QStringLiteral("preview_padding"));
  }

  void followsTypingAndDropsStaleResults() {
    WindowOnDirectory view({QStringLiteral("a.txt")});
    QVERIFY(view.active);
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    auto* value = view.Child<QLineEdit>("Chgstr");
    value->setFocus();
    auto* preview = view.window->findChild<Preview*>();
    QSignalSpy shown(preview, &Preview::Shown);
    for (const char c : std::string("abcdefgh")) {
      QTest::keyClick(value, c);
      QTest::qWait(20);
    }
    QVERIFY(shown.wait(3000));
    // Keystrokes faster than the wait make one prediction, for the whole text.
    QTest::qWait(Preview::kDebounceMs * 2);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(RowOf(view, QStringLiteral("a.txt")).newName, QStringLiteral("abcdefgha.txt"));

    // Back to no rule: the list is a plain list again.
    view.window->Engine().ChgMode.clear();
    preview->Schedule();
    QVERIFY(WaitForPreview(view));
    QCOMPARE(view.Child<QTreeView>("File1")->model()->columnCount(), 1);
  }
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::PreviewTest)
#include "preview_test.moc"
