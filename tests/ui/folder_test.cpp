// The window's folder from outside: folders dropped onto it, and files that other
// programs add, remove or rename while it is open.

#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QScrollBar>
#include <QTreeView>

#include <thread>

#include "tests/ui/main_window_support.h"
#include "ui/directory_watcher.h"
#include "ui/main_window.h"

namespace renamer::ui {
namespace {

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

void MakeFile(const QString& path) {
  QFile file(path);
  file.open(QIODevice::WriteOnly);
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
    qint64 copyMs = 0;
    std::thread copier([path, &copyMs] {
      QElapsedTimer clock;
      clock.start();
      for (int i = 0; i < kFiles; ++i) MakeFile(path + QStringLiteral("/%1.jpg").arg(i));
      copyMs = clock.elapsed();
    });
    // On a busy machine making the files alone can take seconds.
    QTRY_COMPARE_WITH_TIMEOUT(view.window->FileListCount(), kFiles, 30 * kFollowMs);
    copier.join();
    QTest::qWait(DirectoryWatcher::kLongestDelayMs);
    // A long copy is shown about once a second as it goes; never once per file.
    const qint64 allowed = 3 + copyMs / DirectoryWatcher::kLongestDelayMs;
    QVERIFY2(WatcherOf(view).ReportCount() <= allowed,
             qPrintable(QStringLiteral("%1 listings for a copy of %2 ms")
                            .arg(WatcherOf(view).ReportCount())
                            .arg(copyMs)));
  }
};

}  // namespace
}  // namespace renamer::ui

QTEST_MAIN(renamer::ui::FolderTest)
#include "folder_test.moc"
