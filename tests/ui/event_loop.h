#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

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

}  // namespace renamer::ui::testing
