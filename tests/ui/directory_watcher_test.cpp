// The watcher on its own: it reports a steady stream of changes about once a second,
// keeps slow receivers from taking up the thread, and forgets changes made before
// Watch.

#include "ui/directory_watcher.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "tests/ui/test_main.h"

namespace renamer::ui {
namespace {

void MakeFile(const QString& path) {
  QFile file(path);
  file.open(QIODevice::WriteOnly);
}

// Creates a new file in `dir` every `everyMs` for `forMs`, running the event loop.
void Trickle(const QString& dir, int everyMs, int forMs) {
  int made = 0;
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout,
                   [&] { MakeFile(QDir(dir).filePath(QString::number(made++))); });
  ticks.start(everyMs);
  QTest::qWait(forMs);
}

class DirectoryWatcherTest : public QObject {
  Q_OBJECT

 private slots:
  void reportsASteadyStreamAboutOnceASecond() {
    QTemporaryDir dir;
    DirectoryWatcher watcher;
    watcher.Watch(QDir(dir.path()).canonicalPath().toStdU16String());
    QElapsedTimer clock;
    qint64 firstReport = -1;
    connect(&watcher, &DirectoryWatcher::Changed, [&] {
      if (firstReport < 0) firstReport = clock.elapsed();
    });
    clock.start();
    // Never quiet for kQuietMs, so only the longest delay lets a report through.
    Trickle(dir.path(), DirectoryWatcher::kQuietMs / 3, 5 * DirectoryWatcher::kLongestDelayMs / 2);
    QVERIFY(firstReport >= 0);
    QVERIFY2(firstReport < DirectoryWatcher::kLongestDelayMs + 200,
             qPrintable(QString::number(firstReport)));
    QVERIFY(watcher.ReportCount() >= 2);
    QVERIFY(watcher.ReportCount() <= 3);
  }

  void keepsSlowReceiversFromTakingUpTheThread() {
    QTemporaryDir dir;
    DirectoryWatcher watcher;
    watcher.Watch(QDir(dir.path()).canonicalPath().toStdU16String());
    constexpr int kListingMs = 300;  // like listing a huge directory on a slow disk
    connect(&watcher, &DirectoryWatcher::Changed, [] { QThread::msleep(kListingMs); });
    QElapsedTimer clock;
    clock.start();
    // Each change comes just after the quiet time, which alone would let every one of
    // them through.
    Trickle(dir.path(), DirectoryWatcher::kQuietMs + 50, 4000);
    const double busy = double(watcher.ReportCount() * kListingMs) / double(clock.elapsed());
    QVERIFY(watcher.ReportCount() >= 2);
    QVERIFY2(busy < 1.5 / (1 + DirectoryWatcher::kPauseFactor), qPrintable(QString::number(busy)));
  }

  void forgetsChangesMadeBeforeWatch() {
    QTemporaryDir dir;
    const std::u16string path = QDir(dir.path()).canonicalPath().toStdU16String();
    DirectoryWatcher watcher;
    watcher.Watch(path);
    for (int i = 0; i < 50; ++i) MakeFile(dir.filePath(QString::number(i)));
    QFile::rename(dir.filePath(QStringLiteral("0")), dir.filePath(QStringLiteral("renamed")));
    watcher.Watch(path);
    QTest::qWait(DirectoryWatcher::kLongestDelayMs);
    QCOMPARE(watcher.ReportCount(), 0);
    MakeFile(dir.filePath(QStringLiteral("after")));
    QTRY_COMPARE_WITH_TIMEOUT(watcher.ReportCount(), 1, DirectoryWatcher::kLongestDelayMs);
  }
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::DirectoryWatcherTest)
#include "directory_watcher_test.moc"
