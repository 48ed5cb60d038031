// The README's table of rules: every example must be what a run in the window really
// does, so the table cannot drift from the program.

#include <QDateTime>
#include <QRegularExpression>

#include "engine/rules/name_rules.h"
#include "tests/ui/main_window_support.h"
#include "tests/ui/test_main.h"

namespace renamer::ui {
namespace {

using testing::WindowOnDirectory;

// The texts quoted in a table cell, in order: "`a.txt`, `b.txt`" gives both names.
QStringList Quoted(const QString& cell) {
  static const QRegularExpression quoted(QStringLiteral("`([^`]*)`"));
  QStringList texts;
  for (const QRegularExpressionMatch& match : quoted.globalMatch(cell)) texts << match.captured(1);
  return texts;
}

// The cells of the README's table rows that start with a rule's item text.
QList<QStringList> RuleRows() {
  QFile readme(QStringLiteral(RENAMER_README));
  readme.open(QIODevice::ReadOnly);
  QList<QStringList> rows;
  for (const QString& line : QString::fromUtf8(readme.readAll()).split(QLatin1Char('\n'))) {
    QStringList cells = line.split(QLatin1Char('|'));
    if (cells.size() < 8) continue;
    for (QString& cell : cells) cell = cell.trimmed();
    if (!RuleCodeForItem(cells[1].toStdU16String()).empty()) rows << cells.mid(1, 6);
  }
  return rows;
}

class ReadmeTest : public QObject {
  Q_OBJECT

 private slots:
  void showsEveryRuleOnce() {
    QStringList shown;
    for (const QStringList& cells : RuleRows()) shown << cells[0];
    QStringList rules;
    for (const Rule& rule : kRules)
      rules << QString::fromStdU16String(std::u16string(rule.itemText));
    QCOMPARE(shown, rules);
  }

  void examplesAreWhatARunDoes_data() {
    QTest::addColumn<QString>("string");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    for (const QStringList& cells : RuleRows()) {
      QTest::newRow(qPrintable(cells[0])) << Quoted(cells[2]).value(0) << Quoted(cells[3]).value(0)
                                          << Quoted(cells[4]) << Quoted(cells[5]);
    }
  }

  void examplesAreWhatARunDoes() {
    QFETCH(QString, string);
    QFETCH(QString, value);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    WindowOnDirectory view(before);
    // The table lists the files from the oldest to the newest.
    const QDateTime start = QDateTime::currentDateTime().addDays(-1);
    for (int i = 0; i < before.size(); ++i) {
      QFile file(view.dir.filePath(before[i]));
      file.open(QIODevice::ReadWrite);
      QVERIFY(file.setFileTime(start.addSecs(60 * i), QFileDevice::FileModificationTime));
    }
    view.PickRule(QString::fromUtf8(QTest::currentDataTag()));
    view.SetType(QStringLiteral("*.*"));
    view.SetString(string);
    view.SetValue(value);
    const auto seen = view.Run();
    QVERIFY2(!seen.shown, qPrintable(seen.text));
    QStringList entries = view.Entries();
    entries.sort();
    after.sort();
    QCOMPARE(entries, after);
  }
};

}  // namespace
}  // namespace renamer::ui

RENAMER_TEST_MAIN(renamer::ui::ReadmeTest)
#include "readme_test.moc"
