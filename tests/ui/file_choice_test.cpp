// The check boxes of the file list: every way of checking and clearing them, what the
// boxes do when the list is read again, and that a run takes exactly the checked files.

#include <stdio.h>

#include <QDir>
#include <QMenu>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/ui/main_window_support.h"
#include "tests/ui/test_main.h"
#include "ui/directory_list.h"
#include "ui/file_choice.h"
#include "ui/file_list_model.h"
#include "ui/preview.h"

namespace renamer::ui {
namespace {

using testing::Caption;
using testing::MakeFile;
using testing::WindowOnDirectory;

const QStringList kFiles = {"a.txt", "b.txt", "c.txt", "d.txt"};

enum class Act {
  kClickBox,
  kSpaceOnRange,
  kSpaceTwice,
  kCheckNone,
  kCheckNoneThenAll,
  kInvert,
  kOnlyHighlighted,
  kRelisted,
  kChangedElsewhere,
  kRun,
  kUndo,
  kAnotherFolder,
};

class Choosing {
 public:
  explicit Choosing(const WindowOnDirectory& view) : list_(*view.Child<QTreeView>("File1")) {}

  FileListModel& Model() const { return *qobject_cast<FileListModel*>(list_.model()); }
  /// The row that shows `name`; -1 when none does.
  int Row(const QString& name) const {
    for (int row = 0; row < Model().rowCount(); ++row) {
      if (Model().index(row, 0).data().toString() == name) return row;
    }
    return -1;
  }
  QRect RowRect(const QString& name) const { return list_.visualRect(Model().index(Row(name), 0)); }

  void ClickBox(const QString& name) const {
    QStyleOptionViewItem option;
    option.initFrom(&list_);
    option.rect = RowRect(name);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    const QRect box =
        list_.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list_);
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, {}, box.center());
  }
  /// Highlights `name` with a click on its text, holding `modifiers`.
  void Highlight(const QString& name, Qt::KeyboardModifiers modifiers = {}) const {
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, modifiers, RowRect(name).center());
  }
  void Space() const { QTest::keyClick(&list_, Qt::Key_Space); }
  /// Opens the context menu over the list and picks `item`.
  void Menu(const QString& item) const {
    QTimer::singleShot(0, [item] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY(menu != nullptr);
      for (QAction* action : menu->actions()) {
        if (action->text() == item) action->trigger();
      }
      menu->close();
    });
    const QPoint at = list_.viewport()->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list_.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list_.viewport(), &event);
  }
  /// The names listed now whose box is clear (right after a job the list shows them
  /// under their names before it).
  QStringList Unchecked() const {
    QStringList names;
    for (int row = 0; row < Model().rowCount(); ++row) {
      if (Model().index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Unchecked)
        names << QString::fromStdU16String(Model().Names()[static_cast<std::size_t>(row)]);
    }
    return names;
  }

 private:
  QTreeView& list_;
};

std::u16string Number(std::uint32_t n) { return QString::number(n).toStdU16String(); }

class FileChoiceTest : public QObject {
  Q_OBJECT

 private slots:
  // An undo here takes back the newest run: not one that another test program made in
  // the state folder that ctest gives them all.
  void initTestCase() { QVERIFY(qputenv("XDG_STATE_HOME", stateHome_.path().toLocal8Bit())); }

  // Seeded listings of the same folder one after the other, with files added, taken
  // away, renamed by a job or by another program, saved anew under their names and
  // swapping names in between: each file keeps its box, by its inode number where both
  // listings on one device tell it, else by name; a new one comes checked. Some choices
  // clear most boxes, some few.
  void boxesFollowTheirFilesThroughListings() {
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
      std::mt19937 random(seed);
      const auto below = [&random](std::uint32_t n) {
        return n == 0 ? 0 : static_cast<std::uint32_t>(random() % n);
      };
      std::vector<std::u16string> old;
      for (std::uint32_t k = below(40); k > 0; --k) old.push_back(u"f" + Number(k));
      std::vector<std::uint64_t> inodes;
      for (std::size_t row = 0; row < old.size(); ++row) inodes.push_back(100 + row);
      // 0: no inode numbers, 1: the same device both times, 2: another device the second.
      const std::uint32_t numbers = below(3);
      const bool identified = numbers == 1;
      FileChoice choice;
      choice.Reset(std::make_shared<const std::vector<std::u16string>>(old),
                   numbers == 0 ? ListedInodes{} : ListedInodes{7, inodes});
      const std::uint32_t clear = below(4);  // in quarters
      std::vector<int> rows;
      for (std::size_t row = 0; row < old.size(); ++row) {
        if (below(4) < clear) rows.push_back(static_cast<int>(row));
      }
      choice.Set(rows, false);

      // Each file of the second listing: its name, its inode number, its box.
      struct File {
        std::u16string name;
        std::uint64_t inode;
        bool box;
      };
      std::vector<File> files;
      std::vector<std::size_t> kept;
      std::vector<FileChange> changes;
      std::uint64_t fresh = 1000;
      for (std::size_t row = 0; row < old.size(); ++row) {
        const bool box = choice.Checked(row);
        switch (below(6)) {
          case 0:  // gone
            break;
          case 1:  // renamed by a job
            changes.push_back({old[row], u"r" + old[row], ChangeStatus::kDone, {}, 0, {}, 0});
            files.push_back({u"r" + old[row], inodes[row], box});
            break;
          case 2:  // renamed by another program: known by its number only
            files.push_back({u"o" + old[row], inodes[row], box || !identified});
            break;
          case 3:  // saved anew under its name
            files.push_back({old[row], fresh++, box});
            break;
          default:
            kept.push_back(files.size());
            files.push_back({old[row], inodes[row], box});
            break;
        }
      }
      // Two files swap names: by number each keeps its box, by name each takes the other's.
      if (kept.size() >= 2 && below(2) == 0) {
        File& a = files[kept[0]];
        File& b = files[kept[1]];
        std::swap(a.name, b.name);
        if (!identified) std::swap(a.box, b.box);
      }
      for (std::uint32_t k = below(5); k > 0; --k)
        files.push_back({u"new" + Number(k), fresh++, true});
      std::shuffle(files.begin(), files.end(), random);
      std::vector<std::u16string> listed;
      ListedInodes where{numbers == 2 ? 8u : 7u, {}};
      for (const File& file : files) {
        listed.push_back(file.name);
        where.inodes.push_back(file.inode);
      }

      choice.FollowRenames(changes);
      choice.Relist(std::make_shared<const std::vector<std::u16string>>(listed),
                    numbers == 0 ? ListedInodes{} : where);
      std::size_t unchecked = 0;
      for (std::size_t row = 0; row < listed.size(); ++row) {
        QVERIFY2(choice.Checked(row) == files[row].box, qPrintable(QString::number(seed)));
        unchecked += choice.Checked(row) ? 0 : 1;
      }
      QCOMPARE(choice.UncheckedCount(), unchecked);
      QCOMPARE(choice.Shared() == nullptr, unchecked == 0);
    }
  }

  void eachWayOfChoosingIsWhatTheRunTakes_data() {
    QTest::addColumn<int>("act");
    QTest::addColumn<QStringList>("unchecked");  // afterwards, as listed then
    QTest::newRow("click a box") << int(Act::kClickBox) << QStringList{"b.txt"};
    QTest::newRow("Space on a range") << int(Act::kSpaceOnRange) << QStringList{"b.txt", "c.txt"};
    QTest::newRow("Space twice") << int(Act::kSpaceTwice) << QStringList{};
    QTest::newRow("全不选") << int(Act::kCheckNone) << kFiles;
    QTest::newRow("全选") << int(Act::kCheckNoneThenAll) << QStringList{};
    QTest::newRow("反选") << int(Act::kInvert) << QStringList{"a.txt", "c.txt", "d.txt"};
    QTest::newRow("只选中高亮的文件")
        << int(Act::kOnlyHighlighted) << QStringList{"b.txt", "d.txt"};
    QTest::newRow("a re-listing") << int(Act::kRelisted) << QStringList{"b.txt"};
    QTest::newRow("renamed and saved by other programs")
        << int(Act::kChangedElsewhere) << QStringList{"c.txt", "z.txt"};
    QTest::newRow("a run") << int(Act::kRun) << QStringList{"b.txt"};
    QTest::newRow("an undo") << int(Act::kUndo) << QStringList{"a.txt", "b.txt"};
    QTest::newRow("another folder") << int(Act::kAnotherFolder) << QStringList{};
  }

  void eachWayOfChoosingIsWhatTheRunTakes() {
    QFETCH(int, act);
    QFETCH(QStringList, unchecked);
    WindowOnDirectory view(kFiles);
    QVERIFY(view.active);
    const Choosing choosing(view);
    // Without a rule the list has no boxes.
    QVERIFY(!choosing.Model().index(0, 0).data(Qt::CheckStateRole).isValid());
    view.PickRule(QStringLiteral("增加前缀"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("x"));

    switch (static_cast<Act>(act)) {
      case Act::kClickBox:
        choosing.ClickBox("b.txt");
        break;
      case Act::kSpaceTwice:
      case Act::kSpaceOnRange:
        choosing.Highlight("b.txt");
        choosing.Highlight("c.txt", Qt::ShiftModifier);
        choosing.Space();
        if (static_cast<Act>(act) == Act::kSpaceTwice) choosing.Space();
        break;
      case Act::kCheckNone:
        choosing.Menu("全不选");
        break;
      case Act::kCheckNoneThenAll:
        choosing.Menu("全不选");
        choosing.Menu("全选");
        break;
      case Act::kInvert:
        choosing.ClickBox("b.txt");
        choosing.Menu("反选");
        break;
      case Act::kOnlyHighlighted:
        choosing.Highlight("a.txt");
        choosing.Highlight("c.txt", Qt::ControlModifier);
        choosing.Menu("只选中高亮的文件");
        break;
      case Act::kRelisted: {
        // Another program adds a file and takes one away: the rest keep their boxes.
        choosing.ClickBox("b.txt");
        MakeFile(QDir(view.Path()).filePath("e.txt"));
        QFile::remove(QDir(view.Path()).filePath("d.txt"));
        QVERIFY(QTest::qWaitFor([&] { return choosing.Row("e.txt") >= 0; }, 5000));
        break;
      }
      case Act::kChangedElsewhere: {
        // Another program renames b.txt, and an editor saves c.txt as a new file.
        choosing.ClickBox("b.txt");
        choosing.ClickBox("c.txt");
        const QDir dir(view.Path());
        QVERIFY(QFile::rename(dir.filePath("b.txt"), dir.filePath("z.txt")));
        MakeFile(dir.filePath("c.txt.new"));
        QVERIFY(::rename(QFile::encodeName(dir.filePath("c.txt.new")).constData(),
                         QFile::encodeName(dir.filePath("c.txt")).constData()) == 0);
        QVERIFY(QTest::qWaitFor([&] { return choosing.Row("z.txt") >= 0; }, 5000));
        break;
      }
      case Act::kRun:
      case Act::kUndo: {
        choosing.ClickBox("b.txt");
        QVERIFY(!view.Run().shown);
        QCOMPARE(view.Entries(), (QStringList{"b.txt", "xa.txt", "xc.txt", "xd.txt"}));
        if (static_cast<Act>(act) == Act::kRun) break;
        // A box cleared after the run goes back with its file; the list shows each row
        // under its name before the run.
        choosing.ClickBox("a.txt");
        testing::CatchMessageBox([&] {
          QTest::mouseClick(view.Child<QPushButton>("Command3"), Qt::LeftButton);
          testing::WaitForJob(*view.window);
        });
        QCOMPARE(view.Entries(), kFiles);
        break;
      }
      case Act::kAnotherFolder:
        choosing.ClickBox("b.txt");
        QDir(view.Path()).mkdir("sub");
        view.window->OpenDirectory((view.Path() + "/sub").toStdU16String());
        view.window->OpenDirectory(view.Path().toStdU16String());
        break;
    }
    QCOMPARE(choosing.Unchecked(), unchecked);

    // The preview and the caption say what the run then does: it renames exactly the
    // checked files.
    QSignalSpy previewed(view.window->findChild<Preview*>(), &Preview::Shown);
    view.SetValue(QStringLiteral("y"));
    QVERIFY(previewed.wait(3000));
    QStringList expected;
    for (int row = 0; row < choosing.Model().rowCount(); ++row) {
      const QString name = choosing.Model().index(row, 0).data().toString();
      const bool left = unchecked.contains(name);
      QCOMPARE(choosing.Model().index(row, 1).data().toString(), left ? QString() : "y" + name);
      expected << (left ? name : "y" + name);
    }
    const QString count = QStringLiteral("%1 个未选中").arg(unchecked.size());
    QCOMPARE(Caption(view).contains(count), !unchecked.isEmpty());
    view.Run();
    expected.sort();
    QCOMPARE(view.Entries(), expected);
  }

 private:
  QTemporaryDir stateHome_;
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::FileChoiceTest)
#include "file_choice_test.moc"
