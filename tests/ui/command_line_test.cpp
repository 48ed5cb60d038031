// Starting the program: its options, the folder it starts on, and the message when
// the folder given cannot be used.

#include "ui/command_line.h"

#include <QComboBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTreeView>

#include "tests/ui/main_window_support.h"
#include "tests/ui/ordinary_owner.h"
#include "ui/directory_list.h"
#include "ui/main_window.h"
#include "ui/preview.h"

namespace renamer::ui {
namespace {

using testing::AsOrdinaryOwner;
using testing::CatchMessageBox;
using testing::SaveScreenshot;

const QString kUsageStart = QStringLiteral("用法：batch-renamer [目录]");

// Makes `path` the current directory until the end of the scope.
class InDirectory {
 public:
  explicit InDirectory(const QString& path) : saved_(QDir::currentPath()) {
    QDir::setCurrent(path);
  }
  ~InDirectory() { QDir::setCurrent(saved_); }
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  QString saved_;
};

void MakeFile(const QString& path) {
  QFile file(path);
  file.open(QIODevice::WriteOnly);
}

QStringList Listed(const MainWindow& window) {
  QStringList names;
  for (int k = 0; k < window.FileListCount(); ++k)
    names << QString::fromStdU16String(window.FileListItem(k));
  return names;
}

QString ShownFolder(const MainWindow& window) {
  return QString::fromStdU16String(
      window.findChild<DirectoryList*>(QStringLiteral("Dir1"))->Path());
}

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void readsTheArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("exitCode");  // -1: the window opens
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("folder");  // relative to the current directory
    QTest::addColumn<QString>("problem");
    const QString none;
    QTest::newRow("nothing") << QStringList{} << true << -1 << none << none << none << none;
    QTest::newRow("folder") << QStringList{"d"} << true << -1 << none << none << "d" << none;
    QTest::newRow("file") << QStringList{"d/f.txt"} << true << -1 << none << none << "d" << none;
    QTest::newRow("dots") << QStringList{"d/../d/"} << true << -1 << none << none << "d" << none;
    QTest::newRow("after --") << QStringList{"--", "-d"} << true << -1 << none << none << "-d"
                              << none;
    QTest::newRow("missing") << QStringList{"gone"} << true << -1 << none << none << none
                             << "无法打开“gone”：文件不存在。已打开当前目录。";
    QTest::newRow("below a file") << QStringList{"d/f.txt/x"} << true << -1 << none << none << none
                                  << "路径中有一部分不是目录";
    QTest::newRow("unreadable") << QStringList{"d"} << false << -1 << none << none << none
                                << "无法打开“d”：没有权限。";
    QTest::newRow("--help") << QStringList{"--help", "d"} << true << 0 << kUsageStart << none
                            << none << none;
    QTest::newRow("-h") << QStringList{"-h"} << true << 0 << kUsageStart << none << none << none;
    QTest::newRow("--version") << QStringList{"--version"} << true << 0
                               << "batch-renamer " RENAMER_VERSION "\n"
                               << none << none << none;
    QTest::newRow("unknown") << QStringList{"--bogus", "d"} << true << 2 << none
                             << "未知选项：--bogus\n" + kUsageStart << none << none;
    QTest::newRow("two folders") << QStringList{"d", "d"} << true << 2 << none
                                 << "只能给出一个目录。\n" + kUsageStart << none << none;
  }

  void readsTheArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, readable);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QFETCH(QString, folder);
    QFETCH(QString, problem);
    QTemporaryDir root;
    InDirectory inRoot(root.path());
    QDir().mkdir(QStringLiteral("d"));
    QDir().mkdir(QStringLiteral("-d"));
    MakeFile(QStringLiteral("d/f.txt"));
    AsOrdinaryOwner owner;
    if (!readable) {
      if (!owner.Active()) QSKIP("cannot give up the permission override of root");
      QFile::setPermissions(QStringLiteral("d"), QFileDevice::WriteOwner);
    }

    const CommandLine line = ParseCommandLine(QStringList{"batch-renamer"} + arguments);
    QFile::setPermissions(QStringLiteral("d"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(line.exitCode.value_or(-1), exitCode);
    QVERIFY2(line.standardOutput.startsWith(output), qPrintable(line.standardOutput));
    QCOMPARE(output.isEmpty(), line.standardOutput.isEmpty());
    QVERIFY2(line.standardError.startsWith(error), qPrintable(line.standardError));
    QCOMPARE(error.isEmpty(), line.standardError.isEmpty());
    const QString expected = folder.isEmpty() ? QString() : QDir(folder).canonicalPath();
    QCOMPARE(QString::fromStdU16String(line.startFolder), expected);
    QVERIFY2(line.problem.contains(problem), qPrintable(line.problem));
    QCOMPARE(problem.isEmpty(), line.problem.isEmpty());
  }

  // What Qt 6 leaves in argv, as seen on its QApplication. The program's name stays.
  void leavesOutQtsOwnOptions_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("apart") << QStringList{"-style", "-platform", "xcb", "--reverse", "d"}
                           << QStringList{"-style", "d"};
    QTest::newRow("joined") << QStringList{"x", "--style=Fusion", "-platform=xcb"}
                            << QStringList{"x", "-platform=xcb"};
    QTest::newRow("last") << QStringList{"x", "-style", "-platform"} << QStringList{"x", "-style"};
    QTest::newRow("passes in order")
        << QStringList{"x", "-style", "-platformtheme", "y", "d"} << QStringList{"x"};
  }

  void leavesOutQtsOwnOptions() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, left);
    QCOMPARE(WithoutToolkitOptions(arguments), left);
  }

  void answersOptionsAsAProcess_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    const QString version = QStringLiteral("batch-renamer " RENAMER_VERSION "\n");
    QTest::newRow("--help") << QStringList{"--help"} << true << 0 << kUsageStart << QString();
    QTest::newRow("--help, no display")
        << QStringList{"--help"} << false << 0 << kUsageStart << QString();
    QTest::newRow("--version, no display")
        << QStringList{"--version"} << false << 0 << version << QString();
    QTest::newRow("Qt's own option")
        << QStringList{"-style", "Fusion", "--version"} << true << 0 << version << QString();
    QTest::newRow("unknown") << QStringList{"--bogus"} << true << 2 << QString()
                             << "未知选项：--bogus\n" + kUsageStart;
    QTest::newRow("unknown, no display")
        << QStringList{"--bogus"} << false << 2 << QString() << "未知选项：--bogus\n" + kUsageStart;
    QTest::newRow("Qt's option with an unknown one, no display")
        << QStringList{"-style", "Fusion", "--bogus"} << false << 2 << QString()
        << "未知选项：--bogus\n" + kUsageStart;
  }

  void answersOptionsAsAProcess() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QProcess program;
    if (!display) {
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
      program.setProcessEnvironment(environment);
    }
    program.start(QStringLiteral(RENAMER_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(out.startsWith(output), qPrintable(out));
    QCOMPARE(output.isEmpty(), out.isEmpty());
    // Qt may add its own notes on standard error, so only the usage is looked for.
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(err.contains(error), qPrintable(err));
  }

  void startsOnTheGivenFolderFromElsewhere() {
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/我的文档-XXXXXX"));
    QDir(root.path()).mkpath(QStringLiteral("elsewhere"));
    QDir(root.path()).mkpath(QStringLiteral("假期照片"));
    const QDir photos(QDir(root.path()).filePath(QStringLiteral("假期照片")));
    const QStringList names = {"IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.jpg", "说明.txt"};
    for (const QString& name : names) MakeFile(photos.filePath(name));
    MakeFile(QDir(root.path()).filePath(QStringLiteral("elsewhere/other.txt")));
    InDirectory inElsewhere(QDir(root.path()).filePath(QStringLiteral("elsewhere")));

    QPointer<MainWindow> window;
    const auto seen = CatchMessageBox([&] {
      window = StartMainWindow(ParseCommandLine({"batch-renamer", "../假期照片"}));
      QTest::qWait(50);
    });
    QVERIFY(!seen.shown);
    QCOMPARE(ShownFolder(*window), photos.canonicalPath());
    QCOMPARE(QString::fromStdU16String(window->FileListPath()), photos.canonicalPath());
    QCOMPARE(Listed(*window), names);
    auto* types = window->findChild<QComboBox*>(QStringLiteral("FileType"));
    QCOMPARE(types->count(), 3);
    QCOMPARE(types->itemText(1), QStringLiteral(".jpg"));

    // The README's picture: a numbering run set up on the photos.
    auto* rules = window->findChild<QComboBox*>(QStringLiteral("Chgtype"));
    rules->setCurrentIndex(rules->findText(QStringLiteral("前加顺序号")));
    emit rules->activated(rules->currentIndex());
    types->setCurrentIndex(1);
    QSignalSpy previewed(window->findChild<Preview*>(), &Preview::Shown);
    window->findChild<QLineEdit*>(QStringLiteral("Chgstr"))->setText(QStringLiteral("3"));
    QVERIFY(previewed.wait(3000));
    const QAbstractItemModel* files =
        window->findChild<QTreeView*>(QStringLiteral("File1"))->model();
    QCOMPARE(files->columnCount(), 2);
    QVERIFY(files->index(0, 1).data().toString().startsWith(QStringLiteral("00")));
    SaveScreenshot(*window, QStringLiteral("window"));
    delete window.data();
  }

  void saysWhyItDoesNotStartOnAMissingFolder() {
    QTemporaryDir root;
    InDirectory inRoot(root.path());
    QPointer<MainWindow> window;
    const auto seen = CatchMessageBox([&] {
      window = StartMainWindow(ParseCommandLine({"batch-renamer", "/no/such/folder"}));
      QTest::qWait(200);
    });
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, QStringLiteral("提示"));
    QCOMPARE(seen.text, QStringLiteral("无法打开“/no/such/folder”：文件不存在。已打开当前目录。"));
    QCOMPARE(ShownFolder(*window), QDir(root.path()).canonicalPath());
    delete window.data();
  }
};

}  // namespace
}  // namespace renamer::ui

QTEST_MAIN(renamer::ui::CommandLineTest)
#include "command_line_test.moc"
