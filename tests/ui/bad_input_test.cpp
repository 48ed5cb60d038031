// The window under bad input: huge texts, control characters and "/" in the fields, a
// directory that disappears while it is open, and directories the user may not read
// or write. The window must keep working, say what went wrong in Chinese, and leave
// every file where it was unless it was renamed.

#include <sys/stat.h>
#include <unistd.h>

#include <QTreeView>

#include "tests/ui/main_window_support.h"
#include "tests/ui/ordinary_owner.h"
#include "tests/ui/test_main.h"
#include "ui/main_window.h"

namespace renamer::ui {
namespace {

using testing::AsOrdinaryOwner;
using testing::SeenBox;
using testing::WindowOnDirectory;

const QString kBadName = QStringLiteral("新文件名不能含有“/”或空字符，也不能是“.”或“..”或空名");
const QString kTooLong = QStringLiteral("文件名太长");
const QString kNoPermission = QStringLiteral("没有权限");
const QString kUnreadableTime = QStringLiteral("无法读取文件的修改时间：");

QStringList EntriesOf(const QString& path) {
  return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                              QDir::Name);
}

QString Content(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("<missing>");
  return QString::fromUtf8(file.readAll());
}

int FileListRows(const WindowOnDirectory& w) {
  return w.Child<QTreeView>("File1")->model()->rowCount();
}

// A directory "d" inside the window's temporary directory, holding `names`, opened in
// the window; what lies beside "d" shows whether anything left it.
QString OpenInner(WindowOnDirectory& w, const QStringList& names) {
  const QString inner = w.Path() + QStringLiteral("/d");
  QDir().mkdir(inner);
  for (const QString& name : names) {
    QFile file(inner + QLatin1Char('/') + name);
    file.open(QIODevice::WriteOnly);
    file.write(name.toUtf8());
  }
  w.window->OpenDirectory(inner.toStdU16String());
  return inner;
}

class BadInputTest : public QObject {
  Q_OBJECT

 private slots:
  void hugeTextsAreReportedNotCut();
  void controlCharactersBecomePartOfTheName();
  void slashesNeverMoveAFileOut_data();
  void slashesNeverMoveAFileOut();
  void aDirectoryThatDisappearsWhileOpen();
  void aDirectoryWithoutWritePermission();
  void aDirectoryWithoutReadOrSearchPermission();
};

void BadInputTest::hugeTextsAreReportedNotCut() {
  WindowOnDirectory w({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
  w.PickRule(QStringLiteral("增加前缀"));
  w.SetType(QStringLiteral("*.*"));
  w.SetValue(QString(100000, QLatin1Char('x')));
  QCOMPARE(w.Child<QLineEdit>("Chgstr")->text().size(), 100000);
  SeenBox box = w.Run();
  QVERIFY(box.shown);
  QCOMPARE(box.title, QStringLiteral("提示"));
  QCOMPARE(box.text.count(kTooLong), 2);
  QCOMPARE(w.Entries(), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));

  // A huge search text matches nothing: nothing changes and nothing is said.
  w.PickRule(QStringLiteral("替换字符"));
  w.SetString(QString(50000, QLatin1Char('q')));
  w.SetValue(QString(50000, QLatin1Char('z')));
  QVERIFY(!w.Run().shown);

  // A count far outside the numbers the rules take is refused before any run.
  w.PickRule(QStringLiteral("前加顺序号"));
  w.SetValue(QString(5000, QLatin1Char('9')));
  box = w.Run();
  QCOMPARE(box.text, QStringLiteral("请输入整数！"));
  QCOMPARE(w.Entries(), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));

  // And the window still works.
  w.PickRule(QStringLiteral("增加前缀"));
  w.SetValue(QStringLiteral("new-"));
  QVERIFY(!w.Run().shown);
  QCOMPARE(w.Entries(), (QStringList{QStringLiteral("new-a.txt"), QStringLiteral("new-b.txt")}));
  QCOMPARE(Content(w.Path() + QStringLiteral("/new-a.txt")), QStringLiteral("a.txt"));
}

void BadInputTest::controlCharactersBecomePartOfTheName() {
  WindowOnDirectory w({QStringLiteral("a.txt"), QStringLiteral("b\x01"
                                                               "c.txt")});
  w.PickRule(QStringLiteral("增加前缀"));
  w.SetType(QStringLiteral("*.*"));
  const QString prefix = QStringLiteral("\t\x1b\x7f");
  w.SetValue(prefix);
  QCOMPARE(w.Child<QLineEdit>("Chgstr")->text(), prefix);
  QVERIFY(!w.Run().shown);
  QCOMPARE(w.Entries(),
           (QStringList{prefix + QStringLiteral("a.txt"), prefix + QStringLiteral("b\x01"
                                                                                  "c.txt")}));

  // A NUL would end the name early at the kernel: it is reported, not used.
  w.SetValue(QStringLiteral("x") + QChar(u'\0') + QStringLiteral("y"));
  const QStringList before = w.Entries();
  QVERIFY(w.Child<QLineEdit>("Chgstr")->text().contains(QChar(u'\0')));
  const SeenBox box = w.Run();
  QVERIFY(box.shown);
  QCOMPARE(box.text.count(kBadName), 2);
  QCOMPARE(w.Entries(), before);

  // A control character as the text to delete takes it out of the names.
  w.PickRule(QStringLiteral("删除字符"));
  w.SetString(QStringLiteral("\x1b"));
  QVERIFY(!w.Run().shown);
  QVERIFY(!w.Entries().join(QString()).contains(QChar(u'\x1b')));
  QCOMPARE(w.Entries().size(), 2);
}

void BadInputTest::slashesNeverMoveAFileOut_data() {
  QTest::addColumn<QString>("rule");
  QTest::addColumn<QString>("string");
  QTest::addColumn<QString>("value");
  QTest::newRow("ADDPRE ../") << QStringLiteral("增加前缀") << QString() << QStringLiteral("../");
  QTest::newRow("ADDLST /x") << QStringLiteral("增加后缀") << QString() << QStringLiteral("/x");
  QTest::newRow("REP a with ../a")
      << QStringLiteral("替换字符") << QStringLiteral("a") << QStringLiteral("../a");
  QTest::newRow("EXT ./../t") << QStringLiteral("修改扩展名") << QString()
                              << QStringLiteral("./../t");
  QTest::newRow("ADDPRE ..") << QStringLiteral("增加前缀") << QString() << QStringLiteral("..");
}

void BadInputTest::slashesNeverMoveAFileOut() {
  QFETCH(QString, rule);
  QFETCH(QString, string);
  QFETCH(QString, value);
  WindowOnDirectory w({QStringLiteral("beside.txt")});
  const QString inner = OpenInner(w, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
  const QStringList outside = EntriesOf(w.Path());
  w.PickRule(rule);
  w.SetType(QStringLiteral("*.*"));
  w.SetString(string);
  w.SetValue(value);
  const SeenBox box = w.Run();
  QCOMPARE(EntriesOf(w.Path()), outside);
  if (value == QStringLiteral("..")) {
    // "..a.txt" is an ordinary name inside the directory.
    QVERIFY(!box.shown);
    QCOMPARE(EntriesOf(inner), (QStringList{QStringLiteral("..a.txt"), QStringLiteral("..b.txt")}));
    return;
  }
  QVERIFY(box.shown);
  QVERIFY2(box.text.count(kBadName) >= 1, qPrintable(box.text));
  QCOMPARE(EntriesOf(inner), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
}

void BadInputTest::aDirectoryThatDisappearsWhileOpen() {
  WindowOnDirectory w({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
  const QString inner = OpenInner(w, {QStringLiteral("f1.txt"), QStringLiteral("f2.txt")});
  QCOMPARE(FileListRows(w), 2);
  QVERIFY(QDir(inner).removeRecursively());

  w.PickRule(QStringLiteral("增加前缀"));
  w.SetType(QStringLiteral("*.*"));
  w.SetValue(QStringLiteral("x"));
  SeenBox box = w.Run();
  QVERIFY(box.shown);
  QVERIFY2(box.text.startsWith(kUnreadableTime + inner + QStringLiteral("/f1.txt(")),
           qPrintable(box.text));
  QCOMPARE(FileListRows(w), 0);  // the list now shows what is there: nothing
  QVERIFY(!QDir(inner).exists());

  // The same name comes back as a new directory: the stale listing renames nothing
  // in it.
  QVERIFY(QDir().mkdir(inner));
  QFile stranger(inner + QStringLiteral("/f1.txt.keep"));
  QVERIFY(stranger.open(QIODevice::WriteOnly));
  stranger.close();
  w.PickRule(QStringLiteral("增加前缀"));
  w.SetValue(QStringLiteral("x"));
  QVERIFY(!w.Run().shown);  // nothing listed, nothing planned
  QCOMPARE(EntriesOf(inner), QStringList{QStringLiteral("f1.txt.keep")});

  // Opening another directory works as before.
  w.window->OpenDirectory(w.Path().toStdU16String());
  QCOMPARE(FileListRows(w), 2);
  w.PickRule(QStringLiteral("增加前缀"));
  w.SetValue(QStringLiteral("x"));
  QVERIFY(!w.Run().shown);
  QCOMPARE(w.Entries(), (QStringList{QStringLiteral("xa.txt"), QStringLiteral("xb.txt")}));
}

void BadInputTest::aDirectoryWithoutWritePermission() {
  WindowOnDirectory w({QStringLiteral("beside.txt")});
  const QString inner = OpenInner(w, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
  QCOMPARE(::chmod(inner.toLocal8Bit().constData(), 0500), 0);
  {
    AsOrdinaryOwner owner;
    if (!owner.Active()) QSKIP("cannot give up the permission override of root");
    w.PickRule(QStringLiteral("增加前缀"));
    w.SetType(QStringLiteral("*.*"));
    w.SetValue(QStringLiteral("x"));
    const SeenBox box = w.Run();
    QVERIFY(box.shown);
    QCOMPARE(box.text.count(kNoPermission), 2);
    QVERIFY(box.text.startsWith(inner + QStringLiteral("/a.txt -> ") + inner +
                                QStringLiteral("/xa.txt(")));
  }
  QCOMPARE(::chmod(inner.toLocal8Bit().constData(), 0700), 0);
  QCOMPARE(EntriesOf(inner), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
  QCOMPARE(Content(inner + QStringLiteral("/a.txt")), QStringLiteral("a.txt"));
}

void BadInputTest::aDirectoryWithoutReadOrSearchPermission() {
  WindowOnDirectory w({QStringLiteral("beside.txt")});
  const QString inner = OpenInner(w, {QStringLiteral("a.txt"), QStringLiteral("b.txt")});
  const QByteArray path = inner.toLocal8Bit();
  {
    AsOrdinaryOwner owner;
    if (!owner.Active()) QSKIP("cannot give up the permission override of root");

    // Readable but not searchable: the names can be listed, their times not read.
    QCOMPARE(::chmod(path.constData(), 0600), 0);
    w.window->OpenDirectory(w.Path().toStdU16String());
    w.window->OpenDirectory(inner.toStdU16String());
    w.PickRule(QStringLiteral("增加前缀"));
    w.SetType(QStringLiteral("*.*"));
    w.SetValue(QStringLiteral("x"));
    QCOMPARE(FileListRows(w), 2);
    const SeenBox box = w.Run();
    QVERIFY(box.shown);
    QCOMPARE(box.text, kUnreadableTime + inner + QStringLiteral("/a.txt(") + kNoPermission +
                           QStringLiteral(")"));

    // Not readable: the window shows an empty list and a run has nothing to do.
    QCOMPARE(::chmod(path.constData(), 0300), 0);
    w.window->OpenDirectory(w.Path().toStdU16String());
    w.window->OpenDirectory(inner.toStdU16String());
    QCOMPARE(FileListRows(w), 0);
    QVERIFY(!w.Run().shown);
    QCOMPARE(::chmod(path.constData(), 0700), 0);
  }
  QCOMPARE(EntriesOf(inner), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));

  // With the permission back, the same directory lists and renames again.
  w.window->OpenDirectory(w.Path().toStdU16String());
  w.window->OpenDirectory(inner.toStdU16String());
  QCOMPARE(FileListRows(w), 2);
  w.PickRule(QStringLiteral("增加前缀"));
  w.SetValue(QStringLiteral("x"));
  QVERIFY(!w.Run().shown);
  QCOMPARE(EntriesOf(inner), (QStringList{QStringLiteral("xa.txt"), QStringLiteral("xb.txt")}));
}

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::BadInputTest)
#include "bad_input_test.moc"
