// The window's folder from outside: folders dropped onto it, and files that other
// programs add, remove or rename while it is open.

#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QScrollBar>
#include <QTreeView>

#include <atomic>
#include <memory>
#include <thread>

#include "tests/ui/main_window_support.h"
#include "tests/ui/test_main.h"
#include "ui/directory_list.h"
#include "ui/directory_watcher.h"
#include "ui/main_window.h"

namespace renamer::ui {
namespace {

using testing::MakeFile;
using testing::WindowOnDirectory;

// Time for the window to take in a change on disk.
constexpr int kFollowMs = 1000;

QStringList Listed(const WindowOnDirectory& view) {
  QStringList names;
  for (int k = 0; k < view.window->FileListCount(); ++k)
    names << QString::fromStdU16String(view.window->FileListItem(k));
  return names;
}

const DirectoryWatcher& WatcherOf(const WindowOnDirectory& view) {
  return *view.window->findChild<DirectoryWatcher*>();
}

QStringList TypeItems(const WindowOnDirectory& view) {
  QStringList items;
  auto* types = view.Child<QComboBox>("FileType");
  for (int i = 0; i < types->count(); ++i) items << types->itemText(i);
  return items;
}

// Drags `urls` over the window and lets go; returns whether the window took the drop.
bool Drop(QWidget& window, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint middle = window.rect().center();
  QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  return drop.isAccepted();
}

class FolderTest : public QObject {
  Q_OBJECT

 private slots:
  void opensADroppedFolder_data() {
    QTest::addColumn<QString>("dropped");  // below the window's folder; "web" for a web page
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("opened");
    QTest::newRow("folder") << "inner" << true << "inner";
    QTest::newRow("file") << "inner/b.txt" << true << "inner";
    QTest::newRow("gone") << "missing/c.txt" << false << "";
    QTest::newRow("web page") << "web" << false << "";
  }

  void opensADroppedFolder() {
    QFETCH(QString, dropped);
    QFETCH(bool, taken);
    QFETCH(QString, opened);
    WindowOnDirectory view({QStringLiteral("a.txt")});
    QDir(view.Path()).mkdir(QStringLiteral("inner"));
    MakeFile(view.Path() + QStringLiteral("/inner/b.txt"));
    const QUrl url = dropped == QStringLiteral("web")
                         ? QUrl(QStringLiteral("https://example.org/inner"))
                         : QUrl::fromLocalFile(view.Path() + QLatin1Char('/') + dropped);
    QCOMPARE(Drop(*view.window, {url}), taken);
    const QString expected =
        opened.isEmpty() ? view.Path() : view.Path() + QLatin1Char('/') + opened;
    QCOMPARE(QString::fromStdU16String(view.window->FileListPath()), expected);
    QCOMPARE(Listed(view), opened.isEmpty() ? QStringList{"a.txt"} : QStringList{"b.txt"});
    QCOMPARE(TypeItems(view), QStringList({"*.*", ".txt"}));
  }

  void followsTheOpenFolderAndItsSubfolders_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("gone");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("subfolders");
    const QStringList inside = {QStringLiteral("照片.jpg")};
    const QStringList above = {QStringLiteral("上层.txt")};
    QTest::newRow("renamed") << "renamed" << true << above << QStringList{"别处"};
    QTest::newRow("deleted") << "deleted" << true << above << QStringList{};
    QTest::newRow("a folder above it renamed")
        << "above" << true << QStringList{} << QStringList{"别处"};
    QTest::newRow("deleted and made again")
        << "remade" << false << QStringList{"新.txt"} << QStringList{};
    QTest::newRow("a subfolder made")
        << "made" << false << inside << QStringList{"子目录", "新目录"};
    QTest::newRow("a subfolder removed") << "removed" << false << inside << QStringList{};
  }

  // Another program moves, deletes or changes the open folder: within about a second the
  // lists show what is there, and a folder gone is left for the nearest one above it.
  void followsTheOpenFolderAndItsSubfolders() {
    QFETCH(QString, change);
    QFETCH(bool, gone);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, subfolders);
    WindowOnDirectory view({QStringLiteral("上层.txt")});
    QDir root(view.Path());
    QVERIFY(root.mkpath(QStringLiteral("上层/相册/子目录")));
    const QString album = root.filePath(QStringLiteral("上层/相册"));
    MakeFile(album + QStringLiteral("/照片.jpg"));
    QVERIFY(QFile::rename(root.filePath(QStringLiteral("上层.txt")),
                          root.filePath(QStringLiteral("上层/上层.txt"))));
    view.window->OpenDirectory(album.toStdU16String());
    auto* folders = view.Child<DirectoryList>("Dir1");
    const QString opened = QString::fromStdU16String(folders->Path());
    const auto changeDisk = [&] {
      QDir parent(root.filePath(QStringLiteral("上层")));
      if (change == QStringLiteral("renamed"))
        parent.rename(QStringLiteral("相册"), QStringLiteral("别处"));
      if (change == QStringLiteral("deleted")) QDir(album).removeRecursively();
      if (change == QStringLiteral("above"))
        root.rename(QStringLiteral("上层"), QStringLiteral("别处"));
      if (change == QStringLiteral("remade")) {
        QDir(album).removeRecursively();
        parent.mkdir(QStringLiteral("相册"));
        MakeFile(album + QStringLiteral("/新.txt"));
      }
      if (change == QStringLiteral("made")) QDir(album).mkdir(QStringLiteral("新目录"));
      if (change == QStringLiteral("removed")) QDir(album).rmdir(QStringLiteral("子目录"));
    };
    const testing::SeenBox box = testing::CatchMessageBox([&] {
      changeDisk();
      QElapsedTimer waited;
      waited.start();
      while (Listed(view) != listed && waited.elapsed() < 3 * kFollowMs) QTest::qWait(20);
    });
    QCOMPARE(Listed(view), listed);
    QCOMPARE(box.shown, gone);
    QCOMPARE(box.text, gone ? QStringLiteral("目录已被移走或删除：") + opened : QString());
    QCOMPARE(QString::fromStdU16String(folders->Path()) == opened, !gone);
    const auto shown = [folders] {
      QStringList names;
      for (int i = 0; i < folders->currentItem()->childCount(); ++i)
        names << folders->currentItem()->child(i)->text(0);
      return names;
    };
    QTRY_COMPARE_WITH_TIMEOUT(shown(), subfolders, 2 * kFollowMs);
    // Whatever folder is open now is watched: a folder made again is not a dead end.
    QTest::qWait(DirectoryWatcher::kLongestDelayMs);
    MakeFile(QString::fromStdU16String(folders->Path()) + QStringLiteral("/后来.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(Listed(view).contains(QStringLiteral("后来.txt")), 2 * kFollowMs);
  }

  void followsChangesOnDisk_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("appears") << "appears" << QStringList{"a.txt", "b.txt", "c.txt"};
    QTest::newRow("vanishes") << "vanishes" << QStringList{"b.txt"};
    QTest::newRow("renamed") << "renamed" << QStringList{"b.txt", "z.txt"};
  }

  void followsChangesOnDisk() {
    QFETCH(QString, change);
    QFETCH(QStringList, listed);
    WindowOnDirectory view({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    const QDir dir(view.Path());
    if (change == QStringLiteral("appears")) MakeFile(dir.filePath(QStringLiteral("c.txt")));
    if (change == QStringLiteral("vanishes")) QFile::remove(dir.filePath(QStringLiteral("a.txt")));
    if (change == QStringLiteral("renamed"))
      QFile::rename(dir.filePath(QStringLiteral("a.txt")), dir.filePath(QStringLiteral("z.txt")));
    QTRY_COMPARE_WITH_TIMEOUT(Listed(view), listed, kFollowMs);

    // The next run takes the list as it is now, and lists once, not twice.
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("x_"));
    const int reports = WatcherOf(view).ReportCount();
    QVERIFY(!view.Run().shown);
    QStringList renamed;
    for (const QString& name : listed) renamed << QStringLiteral("x_") + name;
    QCOMPARE(view.Entries(), renamed);
    QCOMPARE(Listed(view), renamed);
    QTest::qWait(DirectoryWatcher::kLongestDelayMs);
    QCOMPARE(WatcherOf(view).ReportCount(), reports);
  }

  void keepsTheScrollPosition() {
    QStringList names;
    for (int i = 0; i < 300; ++i)
      names << QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0'));
    WindowOnDirectory view(names);
    QScrollBar* bar = view.Child<QTreeView>("File1")->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const int scrolled = bar->value();
    QVERIFY(scrolled > 0);
    MakeFile(view.Path() + QStringLiteral("/new.txt"));
    QTRY_COMPARE_WITH_TIMEOUT(view.window->FileListCount(), 301, kFollowMs);
    QTest::qWait(100);  // the view lays out the new rows late
    QCOMPARE(bar->value(), scrolled);
  }

  void refreshesTheTypeListUnlessTypedInto_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("untouched") << QString() << QStringList{"*.*", ".txt", ".jpg"};
    QTest::newRow("typed into") << ".t" << QStringList{"*.*", ".txt"};
  }

  void refreshesTheTypeListUnlessTypedInto() {
    QFETCH(QString, typed);
    QFETCH(QStringList, items);
    WindowOnDirectory view({QStringLiteral("a.txt")});
    auto* types = view.Child<QComboBox>("FileType");
    QTest::keyClicks(types, typed);
    MakeFile(view.Path() + QStringLiteral("/b.jpg"));
    QTRY_COMPARE_WITH_TIMEOUT(view.window->FileListCount(), 2, kFollowMs);
    QCOMPARE(TypeItems(view), items);
    QCOMPARE(types->currentText(), typed);
  }

  void listsABurstOfFilesOnlyAFewTimes() {
    WindowOnDirectory view({});
    constexpr int kFiles = 5000;
    // Another program makes the files while the window's event loop runs.
    const QString path = view.Path();
    std::atomic<qint64> copyMs{0};
    std::thread copier([path, &copyMs] {
      QElapsedTimer clock;
      clock.start();
      for (int i = 0; i < kFiles; ++i) MakeFile(path + QStringLiteral("/%1.jpg").arg(i));
      copyMs = clock.elapsed();
    });
    // Joined however the check below ends, so a failure reports instead of aborting.
    const std::unique_ptr<std::thread, void (*)(std::thread*)> joiner(
        &copier, [](std::thread* thread) { thread->join(); });
    // Generous: this counts re-listings, it does not time them, and CI machines are busy.
    QTRY_COMPARE_WITH_TIMEOUT(view.window->FileListCount(), kFiles, 30 * kFollowMs);
    QTest::qWait(DirectoryWatcher::kLongestDelayMs);
    // A long copy is shown about once a second; never once per file.
    const qint64 allowed = 2 + copyMs / DirectoryWatcher::kLongestDelayMs;
    QVERIFY2(WatcherOf(view).ReportCount() <= allowed,
             qPrintable(QStringLiteral("%1 listings for a copy of %2 ms")
                            .arg(WatcherOf(view).ReportCount())
                            .arg(copyMs.load())));
  }
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::FolderTest)
#include "folder_test.moc"
