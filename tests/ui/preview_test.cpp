// The file list's second column shows what the next run will do, follows every edit,
// and is what the run then does.

#include <QGroupBox>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTreeView>

#include "tests/ui/main_window_support.h"
#include "ui/file_list_model.h"
#include "ui/main_window.h"
#include "ui/preview.h"

namespace renamer::ui {
namespace {

using testing::SaveScreenshot;
using testing::SeenBox;
using testing::WindowOnDirectory;

struct Row {
  QString name;
  QString newName;
  QString tip;
  QColor color;
};

class PreviewTest : public QObject {
  Q_OBJECT

 private:
  /// Waits until the preview has caught up with the last edit.
  static bool WaitForPreview(const WindowOnDirectory& view) {
    auto* preview = view.window->findChild<Preview*>();
    QSignalSpy shown(preview, &Preview::Shown);
    return shown.wait(3000);
  }
  static Row RowOf(const WindowOnDirectory& view, const QString& name) {
    const QAbstractItemModel* model = view.Child<QTreeView>("File1")->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      if (model->index(row, 0).data().toString() != name) continue;
      const QModelIndex second = model->index(row, 1);
      return {name, second.data().toString(), second.data(Qt::ToolTipRole).toString(),
              second.data(Qt::ForegroundRole).value<QBrush>().color()};
    }
    return {};
  }
  static QString Caption(const WindowOnDirectory& view) {
    return view.Child<QGroupBox>("Frame2")->toolTip();
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
    QCOMPARE(files->model()->columnCount(), 2);
    QVERIFY(!files->isHeaderHidden());
    QCOMPARE(files->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("新文件名"));

    const Row filtered = RowOf(view, QStringLiteral("holiday.JPG"));
    QVERIFY(filtered.newName.isEmpty());
    QCOMPARE(filtered.color, QColor(0x80, 0x80, 0x80));
    QCOMPARE(RowOf(view, QStringLiteral("照片1.jpg")).newName, QStringLiteral("新_照片1.jpg"));
    const Row blocked = RowOf(view, QStringLiteral("照片2.jpg"));
    QCOMPARE(blocked.newName, QStringLiteral("新_照片2.jpg"));
    QCOMPARE(blocked.color.red(), 0xC0);
    QVERIFY2(blocked.tip.contains(QStringLiteral("目标文件已存在")), qPrintable(blocked.tip));
    QCOMPARE(Caption(view), QStringLiteral("选择文件：将改名 1 个文件，1 个不能改名"));
    SaveScreenshot(*view.window, QStringLiteral("preview_collision"));

    // The run does exactly that, and the list then shows the next run's prediction.
    const SeenBox box = view.Run();
    QVERIFY(box.shown);
    QCOMPARE(box.text.count(QStringLiteral("\n\r")), 1);
    QVERIFY(box.text.contains(QStringLiteral("照片2.jpg -> ")));
    QCOMPARE(view.Entries(),
             (QStringList{QStringLiteral("holiday.JPG"), QStringLiteral("notes"),
                          QStringLiteral("新_照片1.jpg"), QStringLiteral("照片2.jpg")}));
    QVERIFY(WaitForPreview(view));
    QCOMPARE(RowOf(view, QStringLiteral("新_照片1.jpg")).newName,
             QStringLiteral("新_新_照片1.jpg"));
  }

  void summarySaysWhyNothingWouldBeRenamed_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("summary");
    QTest::newRow("empty type, every file has an extension")
        << QStringLiteral("增加后缀") << QString() << QStringLiteral("_x")
        << QStringLiteral("选择文件：没有无扩展名的文件，请选择文件类型");
    QTest::newRow("a type no file has")
        << QStringLiteral("增加后缀") << QStringLiteral(".png") << QStringLiteral("_x")
        << QStringLiteral("选择文件：没有扩展名为“.png”的文件");
    QTest::newRow("the run's own check")
        << QStringLiteral("前加顺序号") << QStringLiteral("*.*") << QStringLiteral("abc")
        << QStringLiteral("选择文件：请输入整数！");
    QTest::newRow("a name with a slash")
        << QStringLiteral("增加前缀") << QStringLiteral("*.*") << QStringLiteral("a/")
        << QStringLiteral("选择文件：将改名 0 个文件，2 个不能改名");
  }
  void summarySaysWhyNothingWouldBeRenamed() {
    QFETCH(QString, rule);
    QFETCH(QString, type);
    QFETCH(QString, value);
    QFETCH(QString, summary);
    WindowOnDirectory view({QStringLiteral("a.jpg"), QStringLiteral("b.txt")});
    QVERIFY(view.active);
    view.PickRule(rule);
    view.SetType(type);
    view.SetValue(value);
    QVERIFY(WaitForPreview(view));
    QCOMPARE(Caption(view), summary);
    for (const QString& name : {QStringLiteral("a.jpg"), QStringLiteral("b.txt")}) {
      const Row row = RowOf(view, name);
      if (value == QStringLiteral("a/")) {
        QVERIFY2(row.tip.contains(QStringLiteral("新文件名不能含有")), qPrintable(row.tip));
      } else {
        QVERIFY(row.newName.isEmpty());
      }
    }
    SaveScreenshot(*view.window,
                   QStringLiteral("preview_%1").arg(QTest::currentDataTag()).replace(u' ', u'_'));
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

QTEST_MAIN(renamer::ui::PreviewTest)
#include "preview_test.moc"
