#include "ui/lifetime.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>

namespace renamer::ui {
namespace {

/// Windows that come and go with another window and never keep the program alive.
bool IsTransient(const QWidget& widget) {
  const Qt::WindowType type = widget.windowType();
  return type == Qt::Popup || type == Qt::ToolTip || type == Qt::Desktop ||
         type == Qt::SplashScreen;
}

}  // namespace

ProgramLifetime::ProgramLifetime(QObject* parent) : QObject(parent) {
  QGuiApplication::setQuitOnLastWindowClosed(false);
  qApp->installEventFilter(this);
}

ProgramLifetime::~ProgramLifetime() { qApp->removeEventFilter(this); }

bool ProgramLifetime::AnyWindowOpen() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (const QWidget* window : windows) {
    if (window->isVisible() && !IsTransient(*window)) return true;
  }
  return false;
}

bool ProgramLifetime::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (!widget->isWindow()) return false;
  switch (event->type()) {
    case QEvent::Show:
      // A window deleted while shown sends no hide event to us, so watch its end too.
      connect(widget, &QObject::destroyed, this, &ProgramLifetime::ScheduleCheck,
              Qt::UniqueConnection);
      break;
    case QEvent::Hide:
    case QEvent::Close:
      ScheduleCheck();
      break;
    default:
      break;
  }
  return false;
}

void ProgramLifetime::ScheduleCheck() {
  if (checkPending_) return;
  checkPending_ = true;
  // A zero timer fires only once the event loop runs again, that is after the handler
  // that closed the window has returned, and with it any window that handler opened.
  QTimer::singleShot(0, this, &ProgramLifetime::Check);
}

void ProgramLifetime::Check() {
  checkPending_ = false;
  if (!AnyWindowOpen()) QCoreApplication::quit();
}

void ShowCentred(QWidget& window) {
  const QScreen* screen =
      window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  if (!window.testAttribute(Qt::WA_Resized)) window.adjustSize();
  window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                         screen->availableGeometry()));
  window.show();
}

}  // namespace renamer::ui
