#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>
#include <initializer_list>
#include <map>

namespace renamer::ui::testing {

inline constexpr int kGiveUpMs = 5000;
/// The loop's exit code when nothing ended it in time.
inline constexpr int kGaveUp = 99;

/// Runs the application's event loop with `act` as its first step; returns the loop's
/// exit code, kGaveUp when nothing ended the loop in time.
inline int RunLoop(const std::function<void()>& act) {
  QTimer::singleShot(0, qApp, act);
  QTimer giveUp;
  giveUp.setSingleShot(true);
  QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(kGaveUp); });
  giveUp.start(kGiveUpMs);
  return QApplication::exec();
}

/// Ways of acting on the program, by name.
using Ways = std::map<QString, std::function<void()>>;

/// Adds the column "how" to a test's table and one row for each way, named after it.
inline void AddWayRows(std::initializer_list<const char*> names) {
  QTest::addColumn<QString>("how");
  for (const char* name : names) QTest::newRow(name) << QString::fromUtf8(name);
}

/// RunLoop with the way that the current row names out of `ways` as its first step;
/// kGaveUp when there is no such way.
inline int RunLoopWith(const Ways& ways) {
  QFETCH(QString, how);
  const auto way = ways.find(how);
  if (way == ways.end()) {
    qWarning("no way named %s", qPrintable(how));
    return kGaveUp;
  }
  return RunLoop(way->second);
}

}  // namespace renamer::ui::testing
