// Starting the program: its options, the folder it starts on, and the message when
// the folder given cannot be used.

#include "ui/command_line.h"

#include <QComboBox>
#include <QGroupBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTreeView>

#include "tests/ui/main_window_support.h"
#include "tests/ui/ordinary_owner.h"
#include "tests/ui/test_main.h"
#include "ui/directory_list.h"
#include "ui/main_window.h"
#include "ui/preview.h"

namespace renamer::ui {
namespace {

using testing::AsOrdinaryOwner;
using testing::CatchMessageBox;
using testing::MakeFile;
using testing::SaveScreenshot;

const QString kUsageStart = QStringLiteral("用法：batch-renamer [目录 | 文件...]");

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
    QTest::addColumn<QString>("from");  // the current directory, below the test's own
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<int>("exitCode");  // -1: the window opens
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("folder");  // relative to `from`
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>("problem");
    const QString none;
    const QStringList all;
    const QString outside =
        QStringLiteral("一次只能打开一个目录。已打开“%1”，略去了不在其中的 %2 项：\n%3");
    QTest::newRow("nothing") << none << QStringList{} << true << -1 << none << none << none << all
                             << none;
    QTest::newRow("folder") << none << QStringList{"d"} << true << -1 << none << none << "d" << all
                            << none;
    QTest::newRow("file") << none << QStringList{"d/f.txt"} << true << -1 << none << none << "d"
                          << QStringList{"f.txt"} << none;
    QTest::newRow("dots") << none << QStringList{"d/../d/"} << true << -1 << none << none << "d"
                          << all << none;
    QTest::newRow("after --") << none << QStringList{"--", "-d"} << true << -1 << none << none
                              << "-d" << all << none;
    QTest::newRow("missing") << none << QStringList{"gone"} << true << -1 << none << none << none
                             << all << "无法打开“gone”：文件不存在。已打开当前目录。";
    QTest::newRow("below a file") << none << QStringList{"d/f.txt/x"} << true << -1 << none << none
                                  << none << all << "路径中有一部分不是目录";
    QTest::newRow("unreadable") << none << QStringList{"d"} << false << -1 << none << none << none
                                << all << "无法打开“d”：没有权限。";
    QTest::newRow("nothing usable")
        << none << QStringList{"gone", "lost"} << true << -1 << none << none << none << all
        << "无法打开“gone”：文件不存在。\n无法打开“lost”：文件不存在。\n已打开当前目录。";
    QTest::newRow("files of one folder")
        << none << QStringList{"d/g.txt", "./d/../d/f.txt", "d/g.txt", "d/link"} << true << -1
        << none << none << "d" << QStringList{"g.txt", "f.txt", "link"} << none;
    QTest::newRow("files of two folders")
        << none << QStringList{"d/f.txt", "e/h.txt", "d/g.txt", "e"} << true << -1 << none << none
        << "d" << QStringList{"f.txt", "g.txt"} << outside.arg("d", "2", "“e/h.txt”\n“e”");
    QTest::newRow("folder and its file")
        << none << QStringList{"d/f.txt", "d/"} << true << -1 << none << none << "d" << all << none;
    QTest::newRow("folder and a file elsewhere")
        << none << QStringList{"e", "d/f.txt"} << true << -1 << none << none << "e" << all
        << outside.arg("e", "1", "“d/f.txt”");
    QTest::newRow("missing among files")
        << none << QStringList{"gone", "d/f.txt", "d/gone"} << true << -1 << none << none << "d"
        << QStringList{"f.txt"} << "无法打开“gone”：文件不存在。\n无法打开“d/gone”：文件不存在。";
    QTest::newRow("files from elsewhere")
        << "e" << QStringList{"../d/g.txt", "h.txt", "../d/f.txt"} << true << -1 << none << none
        << "../d" << QStringList{"g.txt", "f.txt"} << outside.arg("d", "1", "“h.txt”");
    QTest::newRow("two folders") << none << QStringList{"d", "e", "e", "e", "e", "e", "e"} << true
                                 << -1 << none << none << "d" << all
                                 << outside.arg("d", "6",
                                                QStringList(5, "“e”").join('\n') + "\n……");
    QTest::newRow("--help") << none << QStringList{"--help", "d"} << true << 0 << kUsageStart
                            << none << none << all << none;
    QTest::newRow("-h") << none << QStringList{"-h"} << true << 0 << kUsageStart << none << none
                        << all << none;
    QTest::newRow("--version") << none << QStringList{"--version"} << true << 0
                               << "batch-renamer " RENAMER_VERSION "\n"
                               << none << none << all << none;
    QTest::newRow("unknown") << none << QStringList{"--bogus", "d"} << true << 2 << none
                             << "未知选项：--bogus\n" + kUsageStart << none << all << none;
  }

  void readsTheArguments() {
    QFETCH(QString, from);
    QFETCH(QStringList, arguments);
    QFETCH(bool, readable);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QFETCH(QString, folder);
    QFETCH(QStringList, chosen);
    QFETCH(QString, problem);
    QTemporaryDir root;
    InDirectory inRoot(root.path());
    for (const char* name : {"d", "-d", "e"}) QDir().mkdir(QString::fromLatin1(name));
    for (const char* name : {"d/f.txt", "d/g.txt", "e/h.txt"}) MakeFile(QString::fromLatin1(name));
    // Chosen by its own name, not by its target's in another folder.
    QFile::link(QStringLiteral("../e/h.txt"), QStringLiteral("d/link"));
    AsOrdinaryOwner owner;
    if (!readable) {
      if (!owner.Active()) QSKIP("cannot give up the permission override of root");
      QFile::setPermissions(QStringLiteral("d"), QFileDevice::WriteOwner);
    }
    InDirectory inFrom(from.isEmpty() ? root.path() : from);

    const CommandLine line = ParseCommandLine(QStringList{"batch-renamer"} + arguments);
    QFile::setPermissions(root.filePath(QStringLiteral("d")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(line.exitCode.value_or(-1), exitCode);
    QVERIFY2(line.standardOutput.startsWith(output), qPrintable(line.standardOutput));
    QCOMPARE(output.isEmpty(), line.standardOutput.isEmpty());
    QVERIFY2(line.standardError.startsWith(error), qPrintable(line.standardError));
    QCOMPARE(error.isEmpty(), line.standardError.isEmpty());
    const QString expected = folder.isEmpty() ? QString() : QDir(folder).canonicalPath();
    QCOMPARE(QString::fromStdU16String(line.startFolder), expected);
    QStringList names;
    for (const std::u16string& name : line.chosenFiles) names << QString::fromStdU16String(name);
    QCOMPARE(names, chosen);
    // A folder named in the text is named as opened, wherever the test's folder lies.
    const QString shown =
        QString(line.problem).replace(QDir(root.path()).canonicalPath() + '/', "");
    QVERIFY2(shown.contains(problem), qPrintable(line.problem));
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
    QCOMPARE(files->columnCount(), 3);
    QVERIFY(files->index(0, 1).data().toString().startsWith(QStringLiteral("00")));
    SaveScreenshot(*window, QStringLiteral("window"));
    delete window.data();
  }

  // As a file manager starts it on a selection, from its own current directory.
  void startsOnTheGivenFilesOnlyChecked() {
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/我的文档-XXXXXX"));
    QDir(root.path()).mkpath(QStringLiteral("elsewhere"));
    QDir(root.path()).mkpath(QStringLiteral("假期照片"));
    const QDir photos(QDir(root.path()).filePath(QStringLiteral("假期照片")));
    const QStringList names = {"IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.jpg",
                               "IMG_0004.jpg", "海边.jpg",     "说明.txt"};
    for (const QString& name : names) MakeFile(photos.filePath(name));
    MakeFile(QDir(root.path()).filePath(QStringLiteral("elsewhere/other.txt")));
    InDirectory inElsewhere(QDir(root.path()).filePath(QStringLiteral("elsewhere")));

    QPointer<MainWindow> window;
    const auto seen = CatchMessageBox([&] {
      window = StartMainWindow(
          ParseCommandLine({"batch-renamer", "../假期照片/IMG_0001.jpg", "../假期照片/IMG_0003.jpg",
                            "other.txt", "../假期照片/IMG_0004.jpg", "../假期照片/海边.jpg"}));
      QTest::qWait(200);
    });
    QCOMPARE(seen.title, QStringLiteral("提示"));
    QVERIFY2(seen.text.contains(QStringLiteral("“other.txt”")), qPrintable(seen.text));
    QCOMPARE(ShownFolder(*window), photos.canonicalPath());
    // The boxes show which files were given before any rule is chosen, and the caption
    // says what to choose next.
    const QAbstractItemModel* files =
        window->findChild<QTreeView*>(QStringLiteral("File1"))->model();
    QStringList unchecked;
    for (int row = 0; row < files->rowCount(); ++row) {
      const QVariant box = files->index(row, 0).data(Qt::CheckStateRole);
      QVERIFY(box.isValid());
      if (box.toInt() == Qt::Unchecked) unchecked << files->index(row, 0).data().toString();
    }
    QCOMPARE(unchecked, (QStringList{"IMG_0002.jpg", "说明.txt"}));
    auto* frame = window->findChild<QGroupBox*>(QStringLiteral("Frame2"));
    QTRY_COMPARE(frame->toolTip(), QStringLiteral("选择文件：请在“文件类型”中选 *.* 或一种扩展名"));

    // The README's picture of the boxes: a numbering of the photos chosen.
    auto* rules = window->findChild<QComboBox*>(QStringLiteral("Chgtype"));
    rules->setCurrentIndex(rules->findText(QStringLiteral("后加顺序号")));
    emit rules->activated(rules->currentIndex());
    window->findChild<QComboBox*>(QStringLiteral("FileType"))->setEditText(QStringLiteral("*.*"));
    QSignalSpy previewed(window->findChild<Preview*>(), &Preview::Shown);
    window->findChild<QLineEdit*>(QStringLiteral("Chgstr"))->setText(QStringLiteral("2"));
    QVERIFY(previewed.wait(3000));
    const QString caption = frame->toolTip();
    QVERIFY2(caption.contains(QStringLiteral("将改名 4 个文件，2 个未选中")), qPrintable(caption));
    SaveScreenshot(*window, QStringLiteral("choice"));
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

RENAMER_TEST_MAIN(renamer::ui::CommandLineTest)
#include "command_line_test.moc"
