#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "tests/ui/test_main.h"
#include "ui/message_box.h"

using renamer::ui::DisplayText;
using renamer::ui::MessageDialog;
using renamer::ui::ShowMessage;

namespace {

constexpr int kGiveUpMs = 5000;

/// Shows `text` through ShowMessage and, once the modal box is up, hands it to
/// `inspect` and then presses its button. Gives up (closing whatever modal window is
/// open) after a few seconds, so a box that never shows cannot hang the test.
bool ShowAndInspect(const QString& text, const std::function<void(MessageDialog&)>& inspect) {
  bool seen = false;
  QElapsedTimer clock;
  clock.start();
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<MessageDialog*>(QApplication::activeModalWidget());
    if (box != nullptr) {
      poll.stop();
      seen = true;
      inspect(*box);
      QTest::mouseClick(box->OkButton(), Qt::LeftButton);
      return;
    }
    if (clock.elapsed() > kGiveUpMs) {
      poll.stop();
      if (QWidget* other = QApplication::activeModalWidget()) other->close();
    }
  });
  poll.start();
  ShowMessage(nullptr, text);
  return seen;
}

QString Report(int entries, int nameLength = 12) {
  QString report;
  for (int i = 0; i < entries; ++i) {
    report += QStringLiteral("/tmp/dir/%1 改名失败：文件已存在\n\r")
                  .arg(QString::number(i).rightJustified(nameLength, u'x'));
  }
  return report;
}

void SaveScreenshot(QWidget& widget, const QString& name) {
  const QString dir = qEnvironmentVariable("RENAMER_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  QVERIFY(widget.grab().save(dir + u'/' + name));
}

}  // namespace

class MessageBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void displayText_data();
  void displayText();
  void boxShowsTextTitleAndOneButton_data();
  void boxShowsTextTitleAndOneButton();
  void shortTextFitsWithoutScrolling();
  void shortReportsShowWholeWithoutScrollBars_data();
  void shortReportsShowWholeWithoutScrollBars();
  void fewWideEntriesScrollSidewaysOnly();
  void longReportStaysOnScreen_data();
  void longReportStaysOnScreen();
  void enterClosesTheBox();
};

void MessageBoxTest::displayText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("shown");
  QTest::newRow("check message") << QStringLiteral("请输入整数！")
                                 << QStringLiteral("请输入整数！");
  QTest::newRow("one entry") << QStringLiteral("a 失败\n\r") << QStringLiteral("a 失败");
  QTest::newRow("three entries") << QStringLiteral("a\n\rb\n\rc\n\r") << QStringLiteral("a\nb\nc");
  QTest::newRow("stray CR in a name")
      << QStringLiteral("x\ry\n\rz\n\r") << QStringLiteral("x\u240Dy\nz");
  QTest::newRow("entry end without its CR") << QStringLiteral("a\nb") << QStringLiteral("a\nb");
  QTest::newRow("empty entry kept") << QStringLiteral("\n\ra\n\r") << QStringLiteral("\na");
}

void MessageBoxTest::displayText() {
  QFETCH(QString, text);
  QFETCH(QString, shown);
  QCOMPARE(DisplayText(text), shown);
}

void MessageBoxTest::boxShowsTextTitleAndOneButton_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("lines");
  QTest::newRow("check message") << QStringLiteral("顺序号太长！") << 1;
  QTest::newRow("report") << Report(3) << 3;
  QTest::newRow("unreadable time")
      << QStringLiteral("无法读取文件的修改时间：/tmp/dir/a.txt\n\r") << 1;
}

void MessageBoxTest::boxShowsTextTitleAndOneButton() {
  QFETCH(QString, text);
  QFETCH(int, lines);
  const QString given = text;
  const bool seen = ShowAndInspect(text, [&](MessageDialog& box) {
    QCOMPARE(box.objectName(), QStringLiteral("MessageBox"));
    QCOMPARE(box.windowTitle(), QStringLiteral("提示"));
    QVERIFY(box.isModal());
    QCOMPARE(box.Text(), given);
    const QStringList shownLines = box.ShownText().split(u'\n');
    QCOMPARE(shownLines.size(), lines);
    for (const QString& line : shownLines)
      QVERIFY2(!line.isEmpty(), "a blank line between entries");
    const QList<QPushButton*> buttons = box.findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons.front()->text(), QStringLiteral("确定"));
    QVERIFY(buttons.front()->isVisible());
    for (const QLabel* label : box.findChildren<QLabel*>())
      QVERIFY2(label->pixmap().isNull(), "the box shows an icon");
  });
  QVERIFY(seen);
  QCOMPARE(text, given);
}

void MessageBoxTest::shortTextFitsWithoutScrolling() {
  const bool seen = ShowAndInspect(QStringLiteral("扩展名请以 . 开始"), [](MessageDialog& box) {
    auto* view = box.findChild<QPlainTextEdit*>(QStringLiteral("messageText"));
    QVERIFY(view != nullptr);
    QVERIFY(!view->verticalScrollBar()->isVisible());
    QVERIFY(!view->horizontalScrollBar()->isVisible());
    SaveScreenshot(box, QStringLiteral("message_box_short.png"));
  });
  QVERIFY(seen);
}

void MessageBoxTest::shortReportsShowWholeWithoutScrollBars_data() {
  QTest::addColumn<int>("entries");
  for (int entries : {1, 2, 3, 40}) QTest::newRow(qPrintable(QString::number(entries))) << entries;
}

void MessageBoxTest::shortReportsShowWholeWithoutScrollBars() {
  QFETCH(int, entries);
  QString report;
  for (int i = 1; i <= entries; ++i) {
    const QString dir = QStringLiteral("/home/user/图片/holiday 2024/");
    report += QStringLiteral("%1照片%2.jpg -> %1新_照片%2.jpg(目标文件已存在)\n\r").arg(dir).arg(i);
  }
  const bool seen = ShowAndInspect(report, [&](MessageDialog& box) {
    auto* view = box.findChild<QPlainTextEdit*>(QStringLiteral("messageText"));
    QVERIFY(view != nullptr);
    QVERIFY(!view->horizontalScrollBar()->isVisible());
    QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
    // Only a screen too low for the lines may make the box scroll up and down.
    if (box.height() < box.maximumHeight()) {
      QVERIFY(!view->verticalScrollBar()->isVisible());
      QCOMPARE(view->verticalScrollBar()->maximum(), 0);
    }
    if (entries == 1) SaveScreenshot(box, QStringLiteral("message_box_one_entry.png"));
  });
  QVERIFY(seen);
}

void MessageBoxTest::fewWideEntriesScrollSidewaysOnly() {
  const bool seen = ShowAndInspect(Report(2, 300), [](MessageDialog& box) {
    auto* view = box.findChild<QPlainTextEdit*>(QStringLiteral("messageText"));
    QVERIFY(view != nullptr);
    QVERIFY(view->horizontalScrollBar()->isVisible());
    QVERIFY2(!view->verticalScrollBar()->isVisible(), "two lines should not scroll up and down");
  });
  QVERIFY(seen);
}

void MessageBoxTest::longReportStaysOnScreen_data() {
  QTest::addColumn<int>("entries");
  QTest::addColumn<int>("nameLength");
  QTest::newRow("5000 entries") << 5000 << 12;
  QTest::newRow("long names") << 20 << 300;
  QTest::newRow("many long names") << 2000 << 200;
}

void MessageBoxTest::longReportStaysOnScreen() {
  QFETCH(int, entries);
  QFETCH(int, nameLength);
  const QString report = Report(entries, nameLength);
  const bool seen = ShowAndInspect(report, [&](MessageDialog& box) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(box.frameGeometry().width() <= available.width(), "box wider than the screen");
    QVERIFY2(box.frameGeometry().height() <= available.height(), "box higher than the screen");
    QPushButton* button = box.OkButton();
    QVERIFY(button->isVisible());
    const QRect buttonInBox(button->mapTo(&box, QPoint(0, 0)), button->size());
    QVERIFY2(box.rect().contains(buttonInBox), "button outside the box");
    QCOMPARE(box.ShownText().count(u'\n'), entries - 1);
    auto* view = box.findChild<QPlainTextEdit*>(QStringLiteral("messageText"));
    QVERIFY(view->verticalScrollBar()->maximum() > 0 || view->horizontalScrollBar()->maximum() > 0);
    if (entries == 5000) SaveScreenshot(box, QStringLiteral("message_box_long.png"));
  });
  QVERIFY(seen);
}

void MessageBoxTest::enterClosesTheBox() {
  MessageDialog box(Report(2));
  QTimer::singleShot(0, &box, [&box] { QTest::keyClick(&box, Qt::Key_Return); });
  QTimer::singleShot(kGiveUpMs, &box, &QDialog::reject);
  QCOMPARE(box.exec(), int(QDialog::Accepted));
}

RENAMER_TEST_MAIN(MessageBoxTest)
#include "message_box_test.moc"
