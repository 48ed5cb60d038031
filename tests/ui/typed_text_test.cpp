// What the user types into the two editable lists is what the run reads, whichever way
// the user leaves the list; and the disabled string field stays readable.

#include <QAbstractItemView>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QTreeView>

#include <cmath>

#include "tests/ui/main_window_support.h"
#include "tests/ui/test_main.h"
#include "ui/main_window.h"

namespace renamer::ui {
namespace {

using testing::SaveScreenshot;
using testing::SeenBox;
using testing::WindowOnDirectory;

enum class Leave { kTab, kClickElsewhere, kEnter, kPopupThenTab };

constexpr std::pair<const char*, Leave> kWaysToLeave[] = {
    {"tab", Leave::kTab},
    {"click elsewhere", Leave::kClickElsewhere},
    {"enter", Leave::kEnter},
    {"popup, then tab", Leave::kPopupThenTab},
};

/// One row per way of leaving a list, after typing each of `texts`.
void AddLeaveRows(const QStringList& texts) {
  QTest::addColumn<int>("leaveCode");
  QTest::addColumn<QString>("typed");
  for (const QString& text : texts) {
    for (const auto& [name, leave] : kWaysToLeave) {
      QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(text, QString::fromUtf8(name))))
          << static_cast<int>(leave) << text;
    }
  }
}

/// Types `text` into `combo` from an empty edit text and leaves it the way `leave` says.
void TypeAndLeave(const WindowOnDirectory& view, QComboBox& combo, const QString& text,
                  Leave leave) {
  combo.setFocus(Qt::TabFocusReason);
  combo.clearEditText();
  for (const QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(combo.lineEdit(), c.toLatin1());
      continue;
    }
    // Chinese arrives from an input method, one committed character at a time.
    QInputMethodEvent commit;
    commit.setCommitString(QString(c));
    QApplication::sendEvent(combo.lineEdit(), &commit);
  }
  switch (leave) {
    case Leave::kTab:
      QTest::keyClick(combo.lineEdit(), Qt::Key_Tab);
      break;
    case Leave::kClickElsewhere: {
      auto* files = view.Child<QTreeView>("File1");
      // On a name, not on its box.
      QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                        QPoint(files->viewport()->width() / 2, 5));
      if (QApplication::focusWidget() != files) files->setFocus(Qt::MouseFocusReason);
      break;
    }
    case Leave::kEnter:
      QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
      break;
    case Leave::kPopupThenTab:
      combo.showPopup();
      QTest::keyClick(combo.view(), Qt::Key_Escape);
      QTest::keyClick(combo.lineEdit(), Qt::Key_Tab);
      break;
  }
  QApplication::processEvents();
}

/// Relative luminance of an sRGB colour, as contrast ratios are computed.
double Luminance(QColor color) {
  auto channel = [](double c) {
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
         0.0722 * channel(color.blueF());
}

double Contrast(QColor a, QColor b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class TypedTextTest : public QObject {
  Q_OBJECT

 private slots:
  void typeTextStaysAsTypedAndSelectsByExactCase_data() { AddLeaveRows({QStringLiteral(".jpg")}); }
  void typeTextStaysAsTypedAndSelectsByExactCase() {
    QFETCH(int, leaveCode);
    WindowOnDirectory view(
        {QStringLiteral("holiday.JPG"), QStringLiteral("照片1.jpg"), QStringLiteral("照片2.jpg")});
    QVERIFY(view.active);
    view.PickRule(QStringLiteral("增加前缀"));
    auto* types = view.Child<QComboBox>("FileType");
    TypeAndLeave(view, *types, QStringLiteral(".jpg"), static_cast<Leave>(leaveCode));
    QCOMPARE(types->currentText(), QStringLiteral(".jpg"));

    view.SetValue(QStringLiteral("新_"));
    const SeenBox box = view.Run();
    QVERIFY2(!box.shown, qPrintable(box.text));
    QCOMPARE(view.Entries(),
             (QStringList{QStringLiteral("holiday.JPG"), QStringLiteral("新_照片1.jpg"),
                          QStringLiteral("新_照片2.jpg")}));
  }

  void ruleTextThatIsNoItemKeepsThePreviousRule_data() {
    AddLeaveRows({QStringLiteral("删除前n个字符"), QStringLiteral("前加"), QStringLiteral("增加")});
  }
  void ruleTextThatIsNoItemKeepsThePreviousRule() {
    QFETCH(int, leaveCode);
    QFETCH(QString, typed);
    WindowOnDirectory view({QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    QVERIFY(view.active);
    view.PickRule(QStringLiteral("后加顺序号"));
    view.SetValue(QStringLiteral("2"));
    auto* rules = view.Child<QComboBox>("Chgtype");
    const auto leave = static_cast<Leave>(leaveCode);
    TypeAndLeave(view, *rules, typed, leave);

    QCOMPARE(rules->currentText(), typed);
    // Enter keeps the focus in the list; leave it, and the text must still stand.
    if (leave == Leave::kEnter) {
      QTest::keyClick(rules->lineEdit(), Qt::Key_Tab);
      QCOMPARE(rules->currentText(), typed);
    }
    QVERIFY(view.window->Engine().ChgMode == u"ADDLSTNO");
    // Leaving the list applies the rule that stays: its caption, both fields empty.
    QCOMPARE(view.Child<QGroupBox>("Frame4")->title(), QStringLiteral("请输入顺序号长度"));
    QVERIFY(view.Child<QLineEdit>("Chgstr")->text().isEmpty());
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("2"));
    const SeenBox box = view.Run();
    QVERIFY2(!box.shown, qPrintable(box.text));
    QCOMPARE(view.Entries(), (QStringList{QStringLiteral("a01.txt"), QStringLiteral("b02.txt")}));
  }

  void ruleTextTypedExactlyIsApplied() {
    WindowOnDirectory view({QStringLiteral("abc.txt")});
    QVERIFY(view.active);
    view.PickRule(QStringLiteral("后加顺序号"));
    auto* rules = view.Child<QComboBox>("Chgtype");
    TypeAndLeave(view, *rules, QStringLiteral("删除前N个字符"), Leave::kTab);
    QVERIFY(view.window->Engine().ChgMode == u"DELPREN");
    QCOMPARE(view.Child<QGroupBox>("Frame4")->title(), QStringLiteral("修改值"));
  }

  void theRunningNumberInTheGreyedFieldCanBeRead() {
    WindowOnDirectory view({QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    QVERIFY(view.active);
    view.PickRule(QStringLiteral("前加顺序号"));
    view.SetType(QStringLiteral("*.*"));
    view.SetValue(QStringLiteral("3"));
    QVERIFY(!view.Run().shown);
    auto* field = view.Child<QLineEdit>("Strchar");
    QVERIFY(!field->isEnabled());
    QCOMPARE(field->text(), QStringLiteral("2"));

    // Judge what is drawn: the background is the most common colour inside the frame,
    // the text the one that differs most from it.
    const QImage image = field->grab().toImage();
    const QRect inside = image.rect().adjusted(4, 4, -4, -4);
    std::map<QRgb, int> counts;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
      for (int x = inside.left(); x <= inside.right(); ++x) ++counts[image.pixel(x, y)];
    }
    const QColor background(
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
          return a.second < b.second;
        })->first);
    double best = 1;
    for (const auto& [rgb, count] : counts)
      best = std::max(best, Contrast(QColor(rgb), background));
    QVERIFY2(best >= 2.0, qPrintable(QStringLiteral("contrast only %1").arg(best)));
    // The picture shows the window as the user sees it once the next run is predicted.
    QTRY_VERIFY(view.Child<QGroupBox>("Frame2")->title() != QStringLiteral("选择文件"));
    SaveScreenshot(*view.window, QStringLiteral("window_after_numbering"));
  }
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::TypedTextTest)
#include "typed_text_test.moc"
