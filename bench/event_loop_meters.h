#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

#include "ui/message_box.h"

namespace renamer::bench {

/// The longest the event loop went without turning while the meter lives: a timer
/// that should fire every `everyMs` milliseconds measures the gaps.
class StallMeter {
 public:
  explicit StallMeter(int everyMs) {
    ticker_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker_, &QTimer::timeout, [this] {
      longest_ = std::max(longest_, static_cast<double>(sinceTick_.nsecsElapsed()) / 1e6);
      sinceTick_.restart();
    });
    ticker_.start(everyMs);
    sinceTick_.start();
  }

  /// Stops measuring and returns the longest gap in milliseconds, the one that ends
  /// here among them: the work that just ended may not have let the timer fire since.
  double Stop() {
    ticker_.stop();
    return std::max(longest_, static_cast<double>(sinceTick_.nsecsElapsed()) / 1e6);
  }

 private:
  QTimer ticker_;
  QElapsedTimer sinceTick_;
  double longest_ = 0;
};

/// Closes each message box that opens while it lives; a box in a timed run means the
/// run reported failures.
class BoxCloser {
 public:
  BoxCloser() {
    QObject::connect(&closer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<ui::MessageDialog*>(QApplication::activeModalWidget())) {
        shown_ = true;
        box->close();
      }
    });
    closer_.start(100);
  }

  bool Shown() const { return shown_; }

 private:
  QTimer closer_;
  bool shown_ = false;
};

}  // namespace renamer::bench
