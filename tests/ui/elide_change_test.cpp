// Long names elided around where the old and the new name differ: the change stays in
// sight, the result fits its width, and no character is cut in half.

#include "ui/elide_change.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

#include "tests/ui/test_main.h"

namespace renamer::ui {
namespace {

const QString kEllipsis(QChar(0x2026));

// What must stay visible, in whole characters: `text` less the start and end it shares
// with `other`, or for a deletion the letters on either side of it.
QString InSight(const QString& text, const QString& other) {
  const QList<uint> a = text.toUcs4();
  const QList<uint> b = other.toUcs4();
  const qsizetype shorter = std::min(a.size(), b.size());
  qsizetype start = 0;
  while (start < shorter && a[start] == b[start]) ++start;
  qsizetype end = a.size();
  while (a.size() - end < shorter - start && a[end - 1] == b[end - 1 + b.size() - a.size()]) --end;
  const bool deletion = start == end;
  const qsizetype from = deletion ? std::max<qsizetype>(start - 1, 0) : start;
  const qsizetype to = deletion ? std::min(end + 1, a.size()) : end;
  return QString::fromUcs4(reinterpret_cast<const char32_t*>(a.constData()) + from, to - from);
}

// Whether `text` and `other` differ only by a run of one character repeated, which one
// of them has where the other has nothing: padding, as 长度一致(后补足) adds.
bool IsPadding(const QString& text, const QString& other) {
  QList<uint> a = text.toUcs4();
  QList<uint> b = other.toUcs4();
  if (a.size() < b.size()) std::swap(a, b);
  qsizetype start = 0;
  while (start < b.size() && a[start] == b[start]) ++start;
  qsizetype shared = 0;
  while (shared < b.size() - start && a[a.size() - 1 - shared] == b[b.size() - 1 - shared])
    ++shared;
  if (start + shared != b.size() || a.size() - b.size() < 2) return false;
  const auto run = a.mid(start, a.size() - b.size());
  return std::all_of(run.begin(), run.end(), [&](uint c) { return c == run.front(); });
}

// Whether `result` may stand for `text` in `width`: it fits, cuts no character in half,
// and is `text` itself when that fits.
bool Elides(const QString& text, const QString& result, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(text) <= width) return result == text;
  return metrics.horizontalAdvance(result) <= width && QStringView(result).isValidUtf16();
}

class ElideChangeTest : public QObject {
  Q_OBJECT

 private slots:
  void keepsTheChangeInSight_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("room");  // in Chinese letters
    QTest::addColumn<QString>("shown");
    const QString name = QStringLiteral("这是一个非常非常长的报告%1最终版.docx");
    const QString tail = QStringLiteral("年度报告这是一个非常非常长的名字.docx");
    const QString wide = QStringLiteral("甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳");
    QTest::newRow("in the middle") << name.arg("2023") << name.arg("2024") << 12 << "报告2023最终";
    QTest::newRow("at the start") << "2023" + tail << "2024" + tail << 10 << "2023年度";
    QTest::newRow("at the end") << name.arg("") << name.arg("").replace("docx", "txt") << 10
                                << "版.docx";
    QTest::newRow("pure deletion") << name.arg("") << name.arg("(1)") << 10 << "报告最终";
    QTest::newRow("wider than the room") << name.arg(wide) << name.arg("") << 8 << "…甲乙丙丁";
    // 😀 shares the first half of its surrogate pair with 😁, the second with 🈀.
    QTest::newRow("outside the BMP") << name.arg("😀") << name.arg("😁") << 8 << "告😀最";
    QTest::newRow("second half shared, little room")
        << name.arg("😀") << name.arg("🈀") << 3 << kEllipsis;
    QTest::newRow("equal names") << name.arg("2023") << name.arg("2023") << 8 << kEllipsis;
  }

  void keepsTheChangeInSight() {
    QFETCH(QString, text);
    QFETCH(QString, other);
    QFETCH(int, room);
    QFETCH(QString, shown);
    const QFontMetrics metrics(QApplication::font());
    const int width = room * metrics.horizontalAdvance(QChar(u'中'));
    const QString result = ElideAroundChange(text, other, metrics, width);
    QVERIFY2(Elides(text, result, metrics, width), qPrintable(result));
    QVERIFY2(result.contains(shown), qPrintable(result));
    if (other == text) QCOMPARE(result, metrics.elidedText(text, Qt::ElideMiddle, width));
  }

  void holdsForRandomNames() {
    const QStringList letters = {"报", "告", "终", "版", "a", "1", ".", "😀", "😁", "🈀"};
    const QFontMetrics metrics(QApplication::font());
    QRandomGenerator random(20240607);
    const auto pick = [&](int most) {
      QStringList picked;
      for (int n = random.bounded(most + 1); n > 0; --n)
        picked << letters[random.bounded(int(letters.size()))];
      return picked;
    };
    for (int round = 0; round < 1000; ++round) {
      // The other name has a stretch of this one replaced by a few random letters.
      const QStringList picked = pick(30);
      const int from = random.bounded(int(picked.size()) + 1);
      const int to = from + random.bounded(int(picked.size()) - from + 1);
      const QString text = picked.join(QString());
      const QString other = (picked.mid(0, from) + pick(4) + picked.mid(to)).join(QString());
      const int width = random.bounded(metrics.horizontalAdvance(text) + 1);
      const QString result = ElideAroundChange(text, other, metrics, width);
      const QString why = QStringLiteral("%1 / %2 in %3: %4").arg(text, other).arg(width);
      QVERIFY2(Elides(text, result, metrics, width), qPrintable(why.arg(result)));
      if (other == text || IsPadding(text, other)) continue;
      QString wanted = InSight(text, other);
      // Too wide for the room: its start is enough, where there is room for that.
      if (metrics.horizontalAdvance(kEllipsis + wanted + kEllipsis) > width)
        wanted = wanted.left(wanted.front().isHighSurrogate() ? 2 : 1);
      if (metrics.horizontalAdvance(kEllipsis + wanted + kEllipsis) <= width)
        QVERIFY2(result.contains(wanted), qPrintable(why.arg(result)));
    }
  }

  // Padding tells nothing by its letters: where the name does not fit, the start of the
  // name and its extension stay in sight in both columns, and the padding is cut.
  void keepsTheStartAndTheExtensionAroundPadding() {
    const QStringList letters = {"报", "告", "终", "a", "1", " ", "😀", "🈀"};
    const QStringList pads = {"@", "_", "0", "😁"};
    const QStringList extensions = {"", ".txt", ".docx", ".报告", ".😀"};
    const QFontMetrics metrics(QApplication::font());
    QRandomGenerator random(20240611);
    for (int round = 0; round < 1000; ++round) {
      QString start;
      for (int n = 1 + random.bounded(20); n > 0; --n)
        start += letters[random.bounded(int(letters.size()))];
      const QString extension = extensions[random.bounded(int(extensions.size()))];
      const QString padded =
          start + pads[random.bounded(int(pads.size()))].repeated(2 + random.bounded(30)) +
          extension;
      const QString name = start + extension;
      const int width = random.bounded(metrics.horizontalAdvance(padded) + 1);
      for (const auto& [text, other] : {std::pair{padded, name}, std::pair{name, padded}}) {
        const QString result = ElideAroundChange(text, other, metrics, width);
        const QString why =
            QStringLiteral("%1 / %2 in %3: %4").arg(text, other).arg(width).arg(result);
        QVERIFY2(Elides(text, result, metrics, width), qPrintable(why));
        const auto fits = [&](const QString& shown) {
          return metrics.horizontalAdvance(shown) <= width;
        };
        if (result == text || !fits(kEllipsis + extension)) continue;
        QVERIFY2(result.endsWith(extension), qPrintable(why));
        const QString first = start.left(start.front().isHighSurrogate() ? 2 : 1);
        if (fits(first + kEllipsis + extension))
          QVERIFY2(result.startsWith(first), qPrintable(why));
        if (fits(start + kEllipsis + extension))
          QVERIFY2(result.startsWith(start), qPrintable(why));
      }
    }
  }
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::ElideChangeTest)
#include "elide_change_test.moc"
