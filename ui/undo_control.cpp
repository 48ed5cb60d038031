#include "ui/undo_control.h"

#include <QDateTime>
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
  Refresh();
}

void UndoControl::Refresh() {
  const std::optional<UndoOffer> offer = engine_.NextUndo();
  button_.setEnabled(offer.has_value());
  button_.setToolTip(UndoToolTip(offer));
}

QString UndoToolTip(const std::optional<UndoOffer>& offer) {
  if (!offer) return {};
  const QString when = QDateTime::fromSecsSinceEpoch(offer->startedSeconds)
                           .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  return QStringLiteral("撤销 %1 在“%2”中的改名").arg(when, QString::fromStdU16String(offer->path));
}

}  // namespace renamer::ui
