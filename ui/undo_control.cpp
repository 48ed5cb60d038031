#include "ui/undo_control.h"

#include <QDateTime>
#include <QEvent>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

namespace renamer::ui {

UndoControl::UndoControl(RenameEngine& engine, QPushButton& button, QWidget& window)
    : QObject(&window), engine_(engine), button_(button) {
  // A line edit claims Ctrl+Z for its own typing before a window shortcut sees it.
  auto* shortcut = new QShortcut(QKeySequence::Undo, &window);
  shortcut->setContext(Qt::WindowShortcut);
  connect(shortcut, &QShortcut::activated, &button, &QPushButton::click);
  connect(&journals_, &QFileSystemWatcher::directoryChanged, this, &UndoControl::Refresh);
  window.installEventFilter(this);
  Refresh();
}

void UndoControl::Refresh() {
  // The folder may have been made or removed since; a path already watched is kept.
  const QString folder = QString::fromStdString(JournalDirectory());
  if (!journals_.directories().contains(folder)) journals_.addPath(folder);
  offer_ = engine_.NextUndo();
  button_.setEnabled(!busy_ && offer_.has_value());
  button_.setToolTip(UndoToolTip(offer_));
}

void UndoControl::SetBusy(bool busy) {
  busy_ = busy;
  if (busy_) button_.setEnabled(false);
}

bool UndoControl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowActivate) Refresh();
  return QObject::eventFilter(watched, event);
}

QString UndoToolTip(const std::optional<UndoOffer>& offer) {
  if (!offer) return {};
  if (offer->damaged) return QStringLiteral("最近一次改名的撤销记录已损坏");
  const QString when = QDateTime::fromSecsSinceEpoch(offer->startedSeconds)
                           .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  return QStringLiteral("撤销 %1 在“%2”中的改名").arg(when, QString::fromStdU16String(offer->path));
}

}  // namespace renamer::ui
