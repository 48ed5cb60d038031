// Reading the open folder off the window's thread: what a later read has made stale
// never reaches the lists.

#include <QTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/memory_window.h"
#include "tests/ui/test_main.h"
#include "ui/folder_reader.h"

namespace renamer::ui {
namespace {

// Passes every call on; a listing on another thread than the test's waits, once it has
// read, until Release(), so that the test can change the folder under a read.
class HeldFileSystem final : public FileSystem {
 public:
  explicit HeldFileSystem(FileSystem& inner) : inner_(inner) {}

  int List(const std::string& path, EntryKind kind, std::vector<std::string>& names) override {
    const int result = inner_.List(path, kind, names);
    if (std::this_thread::get_id() != test_) {
      std::unique_lock lock(mutex_);
      held_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
      ++workerLists_;
    }
    return result;
  }
  std::unique_ptr<Directory> Open(const std::string& path, int& error) override {
    return inner_.Open(path, error);
  }

  void WaitUntilHeld() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return held_; });
  }
  void Release() {
    const std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }
  int WorkerLists() const { return workerLists_; }

 private:
  FileSystem& inner_;
  const std::thread::id test_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool released_ = false;
  std::atomic<int> workerLists_{0};
};

class FolderReaderTest : public QObject {
  Q_OBJECT

 private slots:
  void dropsWhatALaterReadMadeStale_data() {
    QTest::addColumn<bool>("rereadAgain");
    QTest::newRow("read again") << true;
    QTest::newRow("listed by the window") << false;
  }

  void dropsWhatALaterReadMadeStale() {
    QFETCH(bool, rereadAgain);
    testing::MemoryFileSystem memory;
    memory.Add("a.txt", 1);
    HeldFileSystem fs(memory);
    testing::MemoryWindow window;
    RenameEngine engine(window, fs);
    std::vector<std::vector<std::u16string>> shown;
    FolderReader reader(
        engine, [&shown](const std::u16string&, FolderFiles files, std::vector<std::u16string>) {
          shown.push_back(std::move(files.names));
        });
    const std::u16string folder = u"/folder";
    const std::vector<std::u16string> both = {u"a.txt", u"b.txt"};

    reader.Reread(folder);
    fs.WaitUntilHeld();  // the first read has seen a.txt alone
    memory.Add("b.txt", 2);
    if (rereadAgain) {
      reader.Reread(folder);
    } else {
      QCOMPARE(reader.Files(folder).names, both);
    }
    fs.Release();
    // Files and subdirectories, once per read on the worker.
    const int lists = rereadAgain ? 4 : 2;
    QVERIFY(QTest::qWaitFor([&fs, lists] { return fs.WorkerLists() == lists; }, 5000));
    // Each read's answer is posted right after its lists.
    QTest::qWait(50);
    const std::vector<std::vector<std::u16string>> expected =
        rereadAgain ? std::vector<std::vector<std::u16string>>{both}
                    : std::vector<std::vector<std::u16string>>{};
    QVERIFY(shown == expected);
  }
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::FolderReaderTest)
#include "folder_reader_test.moc"
