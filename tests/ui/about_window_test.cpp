#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "tests/ui/event_loop.h"
#include "tests/ui/test_main.h"
#include "ui/about_window.h"
#include "ui/lifetime.h"

using renamer::ui::AboutWindow;
using renamer::ui::ProgramLifetime;
using renamer::ui::ShowAboutWindow;
using renamer::ui::testing::AddWayRows;
using renamer::ui::testing::RunLoopWith;

namespace {

bool IsCjk(char32_t c) { return c >= 0x3000 && c <= 0x9FFF; }

}  // namespace

class AboutWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void createdOnceAndShownWithoutOwner();
  void windowGeometryAndTitle();
  void controlsInPlace_data();
  void controlsInPlace();
  void labelsDrawChineseInASongFont_data();
  void labelsDrawChineseInASongFont();
  void buttonHasTheFocus();
  void screenshot();
  void pressingTheButtonEndsTheProgram_data();
  void pressingTheButtonEndsTheProgram();
};

void AboutWindowTest::createdOnceAndShownWithoutOwner() {
  AboutWindow* first = ShowAboutWindow();
  QVERIFY(first != nullptr);
  QVERIFY(first->isVisible());
  QVERIFY(first->parentWidget() == nullptr);
  QVERIFY(!first->isModal());
  first->close();
  QCOMPARE(ShowAboutWindow(), first);
  int named = 0;
  for (const QWidget* w : QApplication::topLevelWidgets())
    named += w->objectName() == QStringLiteral("Form2") ? 1 : 0;
  QCOMPARE(named, 1);
}

void AboutWindowTest::windowGeometryAndTitle() {
  AboutWindow* window = ShowAboutWindow();
  QVERIFY(QTest::qWaitForWindowExposed(window));
  QCOMPARE(window->objectName(), QStringLiteral("Form2"));
  QCOMPARE(window->windowTitle(), QStringLiteral("关于"));
  QCOMPARE(window->geometry(), QRect(364, 314, 312, 210));
  QCOMPARE(window->minimumSize(), QSize(312, 210));
  QCOMPARE(window->maximumSize(), QSize(312, 210));
  const Qt::WindowFlags flags = window->windowFlags();
  QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
  QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!window->windowIcon().isNull());
  QVERIFY(window->windowIcon().availableSizes().contains(QSize(16, 16)));
  QVERIFY(window->windowIcon().availableSizes().contains(QSize(32, 32)));
}

void AboutWindowTest::controlsInPlace_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("place");
  QTest::newRow("Command1") << QStringLiteral("Command1") << QRect(96, 152, 105, 33);
  QTest::newRow("Label2") << QStringLiteral("Label2") << QRect(16, 72, 289, 41);
  QTest::newRow("Label1") << QStringLiteral("Label1") << QRect(16, 24, 281, 25);
}

void AboutWindowTest::controlsInPlace() {
  QFETCH(QString, name);
  QFETCH(QRect, place);
  auto* control = ShowAboutWindow()->findChild<QWidget*>(name);
  QVERIFY(control != nullptr);
  QCOMPARE(control->geometry(), place);
  QVERIFY(control->isVisible());
}

void AboutWindowTest::labelsDrawChineseInASongFont_data() {
  QTest::addColumn<QString>("name");
  QTest::newRow("Label1") << QStringLiteral("Label1");
  QTest::newRow("Label2") << QStringLiteral("Label2");
}

void AboutWindowTest::labelsDrawChineseInASongFont() {
  QFETCH(QString, name);
  auto* label = ShowAboutWindow()->findChild<QLabel*>(name);
  QVERIFY(label != nullptr);
  QVERIFY(!label->text().isEmpty());
  const QFont font = label->font();
  QCOMPARE(font.pointSize(), 12);
  QCOMPARE(font.weight(), QFont::Normal);
  QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());

  const QFontInfo info(font);
  const QString family = info.family();
  qInfo("%s resolves to %s", qPrintable(name), qPrintable(family));
  QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese),
           qPrintable(family + QStringLiteral(" has no Chinese")));
  const QFontMetrics metrics(font);
  for (const char32_t c : label->text().toUcs4()) {
    if (IsCjk(c))
      QVERIFY2(metrics.inFontUcs4(c), qPrintable(family + QStringLiteral(" lacks a glyph")));
  }
  // The whole text shows: one line for the credit, at most two for the contact.
  if (label->wordWrap())
    QVERIFY(label->heightForWidth(label->width()) <= label->height());
  else
    QVERIFY(label->sizeHint().width() <= label->width());
  QVERIFY(label->focusPolicy() == Qt::NoFocus);
}

void AboutWindowTest::buttonHasTheFocus() {
  AboutWindow* window = ShowAboutWindow();
  auto* button = window->findChild<QPushButton*>(QStringLiteral("Command1"));
  QCOMPARE(button->text(), QStringLiteral("确定"));
  QCOMPARE(window->focusWidget(), button);
  QApplication::setActiveWindow(window);
  QVERIFY(QTest::qWaitForWindowActive(window));
  QCOMPARE(QApplication::focusWidget(), button);
}

void AboutWindowTest::screenshot() {
  const QString dir = qEnvironmentVariable("RENAMER_SCREENSHOT_DIR");
  if (dir.isEmpty()) QSKIP("RENAMER_SCREENSHOT_DIR is not set");
  QDir().mkpath(dir);
  QVERIFY(ShowAboutWindow()->grab().save(dir + QStringLiteral("/about_window.png")));
}

void AboutWindowTest::pressingTheButtonEndsTheProgram_data() {
  AddWayRows({"click", "enter", "return", "space"});
}

void AboutWindowTest::pressingTheButtonEndsTheProgram() {
  ProgramLifetime lifetime;
  AboutWindow* window = ShowAboutWindow();
  QApplication::setActiveWindow(window);
  auto* button = window->findChild<QPushButton*>(QStringLiteral("Command1"));
  // A key goes to whatever has the focus when the loop starts.
  const auto press = [window](Qt::Key key) {
    return [window, key] { QTest::keyClick(window->focusWidget(), key); };
  };
  const int code = RunLoopWith({
      {QStringLiteral("click"), [button] { QTest::mouseClick(button, Qt::LeftButton); }},
      {QStringLiteral("enter"), press(Qt::Key_Enter)},
      {QStringLiteral("return"), press(Qt::Key_Return)},
      {QStringLiteral("space"), press(Qt::Key_Space)},
  });
  QCOMPARE(code, 0);
  QVERIFY(!window->isVisible());
  QCOMPARE(ShowAboutWindow(), window);
}

RENAMER_TEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"
