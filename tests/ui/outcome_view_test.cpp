// After a run or an undo the file list shows what it did, with the name before and
// after, until the next edit; an undo of another folder's run says which folder.

#include <QHeaderView>
#include <QTreeView>

#include "tests/ui/main_window_support.h"
#include "tests/ui/test_main.h"

namespace renamer::ui {
namespace {

using testing::Caption;
using testing::CatchMessageBox;
using testing::ListRow;
using testing::RowOf;
using testing::SaveScreenshot;
using testing::WindowOnDirectory;

enum class Act { kRun, kRunBlocked, kUndo, kUndoElsewhere, kUndoBlocked };

const QStringList kPhotos = {QStringLiteral("照片1.jpg"), QStringLiteral("照片2.jpg"),
                             QStringLiteral("照片3.jpg"), QStringLiteral("Photo 4.jpg")};

class OutcomeViewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    state_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_STATE_HOME", state_->path().toUtf8());
  }

  void showsWhatWasDoneUntilTheNextEdit_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("box");
    const QString none;
    QTest::newRow("run") << static_cast<int>(Act::kRun) << QStringLiteral("已改名 4 个文件")
                         << QStringLiteral("改名前") << QStringLiteral("照片2.jpg")
                         << QStringLiteral("新_照片2.jpg") << false << none;
    QTest::newRow("run with a file in the way")
        << static_cast<int>(Act::kRunBlocked) << QStringLiteral("已改名 3 个文件，1 个未改名")
        << QStringLiteral("改名前") << QStringLiteral("照片2.jpg") << QStringLiteral("新_照片2.jpg")
        << true << QStringLiteral("照片2.jpg -> ");
    QTest::newRow("undo") << static_cast<int>(Act::kUndo)
                          << QStringLiteral("已撤销：4 个文件已恢复原名")
                          << QStringLiteral("撤销前") << QStringLiteral("新_照片2.jpg")
                          << QStringLiteral("照片2.jpg") << false << none;
    QTest::newRow("undo of another folder")
        << static_cast<int>(Act::kUndoElsewhere)
        << QStringLiteral("已撤销“相册”中的改名：4 个文件已恢复原名") << none
        << QStringLiteral("其他.txt") << none << false << none;
    QTest::newRow("undo with a file in the way")
        << static_cast<int>(Act::kUndoBlocked)
        << QStringLiteral("已撤销：3 个文件已恢复原名，1 个未能恢复") << QStringLiteral("撤销前")
        << QStringLiteral("新_照片2.jpg") << QStringLiteral("照片2.jpg") << true
        << QStringLiteral("撤销未全部完成：\n\r");
  }

  void showsWhatWasDoneUntilTheNextEdit() {
    QFETCH(int, code);
    const auto act = static_cast<Act>(code);
    QFETCH(QString, caption);
    QFETCH(QString, header);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(bool, failed);
    QFETCH(QString, box);
    WindowOnDirectory view(kPhotos);
    QVERIFY(view.active);
    const QString album = QDir(view.Path()).filePath(QStringLiteral("相册"));
    QVERIFY(QDir().mkdir(album));
    for (const QString& name : kPhotos)
      QVERIFY(QFile::rename(view.dir.filePath(name), album + u'/' + name));
    view.window->OpenDirectory(album.toStdU16String());
    if (act == Act::kRunBlocked) QVERIFY(QDir(album).mkdir(QStringLiteral("新_照片2.jpg")));
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("新_"));
    QString seen = view.Run().text;
    const bool undo = act == Act::kUndo || act == Act::kUndoElsewhere || act == Act::kUndoBlocked;
    if (act == Act::kUndoElsewhere) {
      QFile other(view.dir.filePath(QStringLiteral("其他.txt")));
      QVERIFY(other.open(QIODevice::WriteOnly));
      view.window->OpenDirectory(view.Path().toStdU16String());
    }
    if (act == Act::kUndoBlocked) {
      QFile squatter(album + QStringLiteral("/照片2.jpg"));
      QVERIFY(squatter.open(QIODevice::WriteOnly));
    }
    if (undo) {
      seen = CatchMessageBox([&view] {
               QTest::mouseClick(view.Child<QPushButton>("Command3"), Qt::LeftButton);
               testing::WaitForJob(*view.window);
             }).text;
    }
    QVERIFY2(box.isEmpty() ? seen.isEmpty() : seen.contains(box), qPrintable(seen));
    if (act == Act::kUndo || act == Act::kUndoElsewhere) {
      QStringList photos = kPhotos;
      photos.sort();
      QCOMPARE(QDir(album).entryList(QDir::Files, QDir::Name), photos);
    }

    QTRY_COMPARE_WITH_TIMEOUT(Caption(view).section(u'\n', 0, 0),
                              QStringLiteral("选择文件：") + caption, 3000);
    if (act == Act::kUndoElsewhere)
      QVERIFY(Caption(view).endsWith(QStringLiteral("目录：") + album));
    auto* list = view.Child<QTreeView>("File1");
    QCOMPARE(list->model()->columnCount(), header.isEmpty() ? 1 : 3);
    QCOMPARE(list->header()->count(), list->model()->columnCount());
    if (!header.isEmpty()) QVERIFY(list->isColumnHidden(2));
    if (!header.isEmpty())
      QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), header);
    const ListRow row = RowOf(view, before);
    QCOMPARE(row.newName, after);
    QCOMPARE(row.color == QColor(0xC0, 0x00, 0x00), failed);
    // Why a file stayed shows over both cells of its row.
    const QString why = undo ? QStringLiteral("未能恢复：") : QStringLiteral("未改名：");
    QCOMPARE(row.tip.contains(why), failed);
    QCOMPARE(row.nameTip.contains(why), failed);
    SaveScreenshot(*view.window,
                   QStringLiteral("outcome_%1").arg(QTest::currentDataTag()).replace(u' ', u'_'));

    // Any edit of what a run reads goes back to what the next run would do, also one that
    // types the value again as the run read it.
    auto* value = view.Child<QLineEdit>("Chgstr");
    value->setFocus();
    value->end(false);
    QTest::keyClick(value, Qt::Key_Backspace);
    QTest::keyClick(value, '_');
    QCOMPARE(value->text(), QStringLiteral("新_"));
    QTRY_VERIFY_WITH_TIMEOUT(Caption(view).startsWith(QStringLiteral("选择文件：将改名")), 3000);
    QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("新文件名"));
  }

 private:
  std::unique_ptr<QTemporaryDir> state_;
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::OutcomeViewTest)
#include "outcome_view_test.moc"
