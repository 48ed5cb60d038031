// The window and the command from a terminal are two faces of one engine: given the same
// request on copies of one folder they leave the same names on disk, refuse the same
// input with the same words, and a window open meanwhile hears of the command's runs.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>

#include <algorithm>

#include "engine/disk/file_names.h"
#include "engine/rename_engine.h"
#include "tests/support/photo_files.h"
#include "tests/support/random_folder.h"
#include "tests/ui/main_window_support.h"
#include "tests/ui/test_main.h"
#include "ui/file_list_model.h"
#include "ui/preview.h"

namespace renamer::ui {
namespace {

using renamer::testing::RandomFolder;
using testing::WindowOnDirectory;

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A file at `path` with the modification time `seconds`; `create` false for one that is there.
bool MakeFile(const std::string& path, std::int64_t seconds, bool create = true) {
  const int fd = ::open(path.c_str(), O_WRONLY | (create ? O_CREAT | O_EXCL : 0), 0644);
  if (fd < 0) return false;
  ::close(fd);
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

// A photo taken at one of a few hours, so that some share their time, written by Qt and
// exiv2; its modification time is `seconds`.
bool MakePhoto(const std::string& path, RandomFolder& random, std::int64_t seconds) {
  const std::int64_t taken = 1714521600 + 3600 * static_cast<std::int64_t>(random.Below(4));
  // Written under a plain name: Qt and exiv2 take paths as text, and the name may not be.
  const std::string plain = path.substr(0, path.rfind('/')) + "/.photo.jpg";
  renamer::testing::WritePhoto(
      plain, renamer::testing::PhotoFormat::kJpeg,
      {{"Exif.Photo.DateTimeOriginal", renamer::testing::ExifDateText(taken)}});
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  return ::utimensat(AT_FDCWD, plain.c_str(), times, 0) == 0 &&
         ::rename(plain.c_str(), path.c_str()) == 0;
}

// Every name in `folder` as bytes, sorted.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  while (const dirent* entry = dir != nullptr ? ::readdir(dir) : nullptr) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  if (dir != nullptr) ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// A field text that a command line can carry: a piece of a listed name where it has no
// control characters or bytes outside UTF-8, else a fixed text.
std::u16string Piece(RandomFolder& random, const std::vector<std::u16string>& listed) {
  static const std::vector<std::u16string> kTexts = {u"x_",   u"新",  u"2", u"11", u"x",
                                                     u".png", u"png", u" ", u""};
  if (listed.empty() || random.Chance(50)) return random.Pick(kTexts);
  const std::u16string& name = random.Pick(listed);
  const std::u16string piece = name.substr(random.Below(name.size()), 1 + random.Below(3));
  const bool clean = std::none_of(piece.begin(), piece.end(), [](char16_t unit) {
    return unit < 0x20 || (unit >= 0xD800 && unit <= 0xDFFF);
  });
  return clean ? piece : u"a";
}

struct CommandResult {
  int exitCode = -1;
  QString standardError;
};

// The program from a terminal, with `paths` NUL-separated on standard input.
CommandResult RunCommand(const QStringList& arguments, const std::string& paths) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("DISPLAY"));
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(RENAMER_PROGRAM), arguments);
  process.write(paths.data(), static_cast<qint64>(paths.size()));
  process.closeWriteChannel();
  if (!process.waitForFinished(60000)) return {};
  return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

class TerminalFaceTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY(qputenv("XDG_STATE_HOME", state_.path().toLocal8Bit())); }

  // Seeded folders with photos among the files, rules, fields, types, choices, the time
  // that numbers 前加顺序号 and the order the list is sorted in, each through both faces.
  void leavesTheSameNamesAsTheWindow() {
    for (std::uint64_t seed = 1; seed <= 32; ++seed) {
      RandomFolder random(seed);
      WindowOnDirectory view({});
      QTemporaryDir other;
      const std::string windowFolder = Bytes(view.Path());
      const std::string commandFolder = Bytes(QDir(other.path()).canonicalPath());
      std::vector<std::string> names;
      for (std::size_t k = 0, n = 2 + random.Below(6); k < n; ++k) {
        const bool photo = random.Chance(60);
        const std::string name = random.CaseName(true) + (photo ? ".jpg" : "");
        if (!renamer::testing::IsUsableName(name) || name[0] == '.' ||
            std::find(names.begin(), names.end(), name) != names.end())
          continue;
        const std::int64_t time = random.Time();
        if (photo) {
          QVERIFY(MakePhoto(windowFolder + '/' + name, random, time));
          renamer::testing::WriteWholeFile(
              commandFolder + '/' + name,
              renamer::testing::ReadWholeFile(windowFolder + '/' + name));
          QVERIFY(MakeFile(commandFolder + '/' + name, time, false));
        } else {
          QVERIFY(MakeFile(windowFolder + '/' + name, time));
          QVERIFY(MakeFile(commandFolder + '/' + name, time));
        }
        names.push_back(name);
      }
      view.window->OpenDirectory(DecodeFileName(windowFolder));
      QTRY_COMPARE(view.window->FileListCount(), static_cast<int>(names.size()));

      std::vector<std::u16string> listed;
      for (const std::string& name : names) listed.push_back(DecodeFileName(name));
      std::vector<std::u16string> chosen;
      std::string paths = commandFolder + '\0';
      if (random.Chance(50)) {
        paths.clear();
        for (const std::string& name : names) {
          if (!random.Chance(60)) continue;
          chosen.push_back(DecodeFileName(name));
          paths += commandFolder + '/' + name + '\0';
        }
      }
      view.window->ChooseOnly(chosen);
      if (paths.empty()) paths = commandFolder + '\0';  // none chosen: the window takes all

      // The numbering rules, whose order shows in every name, come up more often than the
      // others, 前加顺序号 most.
      std::size_t pick = random.Below(kRules.size());
      if (random.Chance(45)) {
        const Ordering wanted = random.Chance(65) ? Ordering::kModified : Ordering::kList;
        while (!kRules[pick].numbers || kRules[pick].ordering != wanted)
          pick = random.Below(kRules.size());
      }
      const Rule& rule = kRules[pick];
      QStringList arguments = {QStringLiteral("--rule"),
                               QString::fromLatin1(rule.commandName.data(),
                                                   static_cast<qsizetype>(rule.commandName.size())),
                               QStringLiteral("--apply"), QStringLiteral("--from0"),
                               QStringLiteral("-")};
      view.PickRule(QString::fromStdU16String(std::u16string(rule.itemText)));
      std::u16string type = u"*.*";
      if (random.Chance(30)) type = random.Chance(20) ? u"" : random.Pick(TypesOf(listed));
      view.SetType(QString::fromStdU16String(type));
      arguments << QStringLiteral("--type") << QString::fromStdU16String(type);
      if (rule.stringField) {
        const QString text = QString::fromStdU16String(Piece(random, listed));
        view.SetString(text);
        arguments << QStringLiteral("--string") << text;
      }
      if (rule.valueField) {
        // A numbering rule mostly gets a width it takes, so that its order is seen.
        const QString text = rule.numbers && random.Chance(80)
                                 ? QString::number(1 + random.Below(3))
                                 : QString::fromStdU16String(Piece(random, listed));
        view.SetValue(text);
        arguments << QStringLiteral("--value") << text;
      }
      // 前加顺序号 numbers by either time; any other rule takes the files in the list's
      // order, which the user may have sorted by any column, and which the command is
      // given as the files' order.
      auto* model = view.window->findChild<FileListModel*>();
      const bool taken = random.Chance(70);
      model->SetTimeOrdering(taken ? Ordering::kTaken : Ordering::kModified);
      if (rule.ordering == Ordering::kModified) {
        arguments << QStringLiteral("--order")
                  << (taken ? QStringLiteral("taken") : QStringLiteral("modified"));
      } else if (random.Chance(60)) {
        QTest::qWait(Preview::kDebounceMs);
        QTRY_VERIFY_WITH_TIMEOUT(model->ShownPrediction() != nullptr, 3000);
        model->SortBy(static_cast<ListColumn>(random.Below(3)),
                      random.Chance(50) ? Qt::AscendingOrder : Qt::DescendingOrder);
        arguments << QStringLiteral("--order") << QStringLiteral("list");
        paths.clear();
        for (const std::u16string& name : model->Names()) {
          if (chosen.empty() || std::find(chosen.begin(), chosen.end(), name) != chosen.end())
            paths += commandFolder + '/' + EncodeFileName(name) + '\0';
        }
      }
      const testing::SeenBox box = view.Run();
      const CommandResult command = RunCommand(arguments, paths);

      const QString what = QStringLiteral("seed %1: %2").arg(seed).arg(arguments.join(u' '));
      QVERIFY2(command.exitCode >= 0 && command.exitCode <= 3, qPrintable(what));
      QVERIFY2(Names(windowFolder) == Names(commandFolder), qPrintable(what));
      // The window's check refused the run: the command says the same words.
      if (command.exitCode == 2)
        QVERIFY2(box.shown && command.standardError.contains(box.text), qPrintable(what));
    }
  }

  // The journals are shared: the window's undo button follows the command's run and
  // undo, as it follows another window's.
  void aWindowHearsOfTheCommandsRunAndUndo() {
    WindowOnDirectory view({QStringLiteral("a.txt")});
    QTemporaryDir other;
    QVERIFY(MakeFile(Bytes(other.path()) + "/b.txt", 0));
    auto* undo = view.Child<QPushButton>("Command3");
    const QString folder = QDir(other.path()).canonicalPath();
    const QStringList run = {QStringLiteral("--rule"),  QStringLiteral("prefix"),
                             QStringLiteral("--value"), QStringLiteral("x_"),
                             QStringLiteral("--apply"), folder};
    QCOMPARE(RunCommand(run, {}).exitCode, 0);
    QTRY_VERIFY(undo->isEnabled() && undo->toolTip().contains(folder));
    QCOMPARE(RunCommand({QStringLiteral("--undo"), QStringLiteral("--apply")}, {}).exitCode, 0);
    QTRY_VERIFY(!undo->toolTip().contains(folder));
    QCOMPARE(Names(Bytes(folder)), std::vector<std::string>{"b.txt"});
  }

 private:
  QTemporaryDir state_;
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::TerminalFaceTest)
#include "terminal_face_test.moc"
