// The window's folder from outside: folders dropped onto it.

#include <QDropEvent>
#include <QMimeData>

#include "tests/ui/main_window_support.h"
#include "ui/main_window.h"

namespace renamer::ui {
namespace {

using testing::WindowOnDirectory;

QStringList Listed(const WindowOnDirectory& view) {
  QStringList names;
  for (int k = 0; k < view.window->FileListCount(); ++k)
    names << QString::fromStdU16String(view.window->FileListItem(k));
  return names;
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
    const QString expected = opened.isEmpty() ? view.Path() : view.Path() + QLatin1Char('/') + opened;
    QCOMPARE(QString::fromStdU16String(view.window->FileListPath()), expected);
    QCOMPARE(Listed(view), opened.isEmpty() ? QStringList{"a.txt"} : QStringList{"b.txt"});
    QCOMPARE(TypeItems(view), QStringList({"*.*", ".txt"}));
  }
};

}  // namespace
}  // namespace renamer::ui

QTEST_MAIN(renamer::ui::FolderTest)
#include "folder_test.moc"
