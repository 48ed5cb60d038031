#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

#include <optional>

#include "engine/rename_engine.h"

class QPushButton;
class QWidget;

namespace renamer::ui {

/// Keeps the undo button in step with the journals: enabled exactly when there is a run
/// to take back, its tooltip naming that run's folder and time. Other programs run and
/// undo too, so the offer is read again when the window is activated and when the
/// journals' folder changes; until the first run makes that folder, the nearest folder
/// above it that exists is watched instead. Ctrl+Z presses the button, except in a text
/// field, where Ctrl+Z takes back typing as it always does.
class UndoControl : public QObject {
  Q_OBJECT

 public:
  UndoControl(RenameEngine& engine, QPushButton& button, QWidget& window);

  /// Reads the offer again; after a run, an undo, a start-up or news from elsewhere.
  void Refresh();

  /// While a job works the button stays off, whatever the journals say.
  void SetBusy(bool busy);

  /// The run that the button names now.
  const std::optional<UndoOffer>& Offer() const { return offer_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  /// Watches the journals' folder, or the nearest folder above it that exists.
  void WatchJournals();

  RenameEngine& engine_;
  QPushButton& button_;
  QFileSystemWatcher journals_;
  std::optional<UndoOffer> offer_;
  bool busy_ = false;
};

/// The tooltip for undoing `offer`, or empty for none.
QString UndoToolTip(const std::optional<UndoOffer>& offer);

}  // namespace renamer::ui
