#pragma once

#include <QObject>
#include <QString>

#include <optional>

#include "engine/rename_engine.h"

class QPushButton;
class QWidget;

namespace renamer::ui {

/// Keeps the undo button in step with the engine: enabled exactly when there is a run
/// to take back, its tooltip naming that run's folder and time. Ctrl+Z presses it,
/// except in a text field, where Ctrl+Z takes back typing as it always does.
class UndoControl : public QObject {
  Q_OBJECT

 public:
  UndoControl(RenameEngine& engine, QPushButton& button, QWidget& window);

  /// Reads the engine's offer again; after a run, an undo or a start-up.
  void Refresh();

 private:
  RenameEngine& engine_;
  QPushButton& button_;
};

/// The tooltip for undoing `offer`, or empty for none.
QString UndoToolTip(const std::optional<UndoOffer>& offer);

}  // namespace renamer::ui
