// The time column: which time numbers 前加顺序号, chosen from its header; the list sorted
// by any column; and a run that numbers exactly as the list showed.

#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTreeView>

#include <fcntl.h>
#include <sys/stat.h>

#include "tests/support/photo_files.h"
#include "tests/ui/main_window_support.h"
#include "tests/ui/test_main.h"
#include "ui/file_list_model.h"
#include "ui/main_window.h"
#include "ui/preview.h"

namespace renamer::ui {
namespace {

namespace photos = renamer::testing;
using testing::SaveScreenshot;
using testing::WindowOnDirectory;

constexpr std::int64_t kMay1 = 1714521600;  // 2024-05-01 00:00:00 UTC

bool WaitForPreview(const WindowOnDirectory& view) {
  QSignalSpy shown(view.window->findChild<Preview*>(), &Preview::Shown);
  return shown.wait(5000);
}

bool SetModified(const QString& path, std::int64_t seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  return ::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), times, 0) == 0;
}

// Each row's cell of `column`, from the top.
QStringList Column(const WindowOnDirectory& view, int column) {
  const QAbstractItemModel* model = view.Child<QTreeView>("File1")->model();
  QStringList cells;
  for (int row = 0; row < model->rowCount(); ++row)
    cells << model->index(row, column).data().toString();
  return cells;
}

// Opens the context menu of the time column's header and picks the item that contains `text`.
void PickFromHeaderMenu(const WindowOnDirectory& view, const QString& text) {
  QHeaderView* header = view.Child<QTreeView>("File1")->header();
  QTimer::singleShot(0, [text] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    for (QAction* action : menu->actions()) {
      if (action->text().contains(text)) action->trigger();
    }
    menu->close();
  });
  emit header->customContextMenuRequested(QPoint(header->sectionViewportPosition(2) + 4, 4));
}

void ClickHeader(const WindowOnDirectory& view, int section) {
  QHeaderView* header = view.Child<QTreeView>("File1")->header();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(section) + 8, header->height() / 2));
}

class TimeColumnTest : public QObject {
  Q_OBJECT

 private slots:
  // The photos were copied in another order than they were taken, so their modification
  // times disagree with their capture times; the notes have no capture time at all.
  void numbersPhotosByWhenTheyWereTaken() {
    WindowOnDirectory view({});
    QVERIFY(view.active);
    const std::string dir = view.Path().toStdString();
    const auto taken = [](std::int64_t seconds) {
      return std::vector<photos::MetadataEntry>{
          {"Exif.Photo.DateTimeOriginal", photos::ExifDateText(seconds)}};
    };
    photos::WritePhoto(dir + "/海边.jpg", photos::PhotoFormat::kJpeg, taken(kMay1 + 12 * 3600));
    photos::WritePhoto(dir + "/IMG_0002.jpg", photos::PhotoFormat::kJpeg, taken(kMay1 + 10 * 3600));
    photos::WritePhoto(dir + "/sunset.png", photos::PhotoFormat::kPng, taken(kMay1 + 14 * 3600));
    photos::WriteWholeFile(dir + "/notes.txt", "packing list");
    QVERIFY(SetModified(view.dir.filePath(QStringLiteral("海边.jpg")), kMay1 + 86400));
    QVERIFY(SetModified(view.dir.filePath(QStringLiteral("notes.txt")), kMay1 + 11 * 3600));
    QVERIFY(SetModified(view.dir.filePath(QStringLiteral("IMG_0002.jpg")), kMay1 + 2 * 86400));
    QVERIFY(SetModified(view.dir.filePath(QStringLiteral("sunset.png")), kMay1 + 3 * 86400));
    view.window->OpenDirectory(view.Path().toStdU16String());
    QTRY_COMPARE(view.window->FileListCount(), 4);

    view.PickRule(QStringLiteral("前加顺序号"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("2"));
    QVERIFY(WaitForPreview(view));
    auto* files = view.Child<QTreeView>("File1");
    QCOMPARE(files->model()->columnCount(), 3);
    QCOMPARE(files->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("修改时间"));
    // By modification time until the user says otherwise.
    QCOMPARE(Column(view, 0), (QStringList{"IMG_0002.jpg", "notes.txt", "sunset.png", "海边.jpg"}));
    QCOMPARE(Column(view, 1),
             (QStringList{"03IMG_0002.jpg", "01notes.txt", "04sunset.png", "02海边.jpg"}));
    QCOMPARE(Column(view, 2).at(1), QStringLiteral("2024-05-01 11:00:00"));

    PickFromHeaderMenu(view, QStringLiteral("拍摄时间"));
    QCOMPARE(files->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("拍摄时间"));
    QVERIFY(WaitForPreview(view));
    QCOMPARE(Column(view, 1),
             (QStringList{"01IMG_0002.jpg", "02notes.txt", "04sunset.png", "03海边.jpg"}));
    QCOMPARE(Column(view, 2), (QStringList{"2024-05-01 10:00:00", "2024-05-01 11:00:00",
                                           "2024-05-01 14:00:00", "2024-05-01 12:00:00"}));
    // The notes' modification time stands in, in grey, and says so.
    const QModelIndex notes = files->model()->index(1, 2);
    QCOMPARE(notes.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(0x80, 0x80, 0x80));
    QVERIFY(notes.data(Qt::ToolTipRole)
                .toString()
                .startsWith(QStringLiteral("无拍摄时间，用修改时间\n")));
    QVERIFY(!files->model()->index(0, 2).data(Qt::ToolTipRole).isValid());
    ClickHeader(view, 2);
    QVERIFY(WaitForPreview(view));
    SaveScreenshot(*view.window, QStringLiteral("photos"));

    const auto box = view.Run();
    QVERIFY2(!box.shown, qPrintable(box.text));
    QCOMPARE(view.Entries(),
             (QStringList{"01IMG_0002.jpg", "02notes.txt", "03海边.jpg", "04sunset.png"}));
  }

  // 后加顺序号 numbers the rows from the top, in whatever order the user sorted them.
  void sortsByAnyColumnAndNumbersInTheShownOrder() {
    WindowOnDirectory view({});
    QVERIFY(view.active);
    const std::vector<std::string> names =
        photos::WriteJpegSeries(view.Path().toStdString(), 12, kMay1, -60, "p");
    view.window->OpenDirectory(view.Path().toStdU16String());
    QTRY_COMPARE(view.window->FileListCount(), 12);
    view.PickRule(QStringLiteral("后加顺序号"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("2"));
    QVERIFY(WaitForPreview(view));
    PickFromHeaderMenu(view, QStringLiteral("拍摄时间"));
    QVERIFY(WaitForPreview(view));

    // Each click sorts by the column, a second one the other way; every order numbers
    // from the top.
    const QStringList byName = Column(view, 0);
    QCOMPARE(byName.first(), QStringLiteral("p00001.jpg"));
    QStringList oldestFirst = byName;
    std::reverse(oldestFirst.begin(), oldestFirst.end());
    const std::pair<int, QStringList> clicks[] = {
        {2, oldestFirst}, {2, byName}, {0, byName}, {0, oldestFirst}, {1, byName}};
    for (const auto& [section, expected] : clicks) {
      ClickHeader(view, section);
      QVERIFY(WaitForPreview(view));
      QCOMPARE(Column(view, 0), expected);
      for (int row = 0; row < expected.size(); ++row) {
        const QString number = QStringLiteral("%1.jpg").arg(row + 1, 2, 10, QLatin1Char('0'));
        QVERIFY2(Column(view, 1).at(row).endsWith(number), qPrintable(Column(view, 1).at(row)));
      }
    }
    // The order lasts through a new listing of the folder, and the new file takes its place.
    for (int click = 0; click < 2; ++click) {
      ClickHeader(view, 2);
      QVERIFY(WaitForPreview(view));
    }
    QCOMPARE(Column(view, 0), byName);
    photos::WriteJpegSeries(view.Path().toStdString(), 1, kMay1 + 3600, 60, "q");
    QTRY_COMPARE(view.window->FileListCount(), 13);
    QTRY_COMPARE(Column(view, 0).first(), QStringLiteral("q00001.jpg"));
    QTRY_VERIFY(Column(view, 1).first().endsWith(QStringLiteral("0101.jpg")));

    const QStringList shown = Column(view, 1);
    const auto box = view.Run();
    QVERIFY2(!box.shown, qPrintable(box.text));
    QStringList sorted = shown;
    sorted.sort();
    QCOMPARE(view.Entries(), sorted);
  }
};

}  // namespace
}  // namespace renamer::ui

#include "time_column_test.moc"

RENAMER_TEST_MAIN(renamer::ui::TimeColumnTest)
