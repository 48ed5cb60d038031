#pragma once

#include <QObject>

class QEvent;
class QWidget;

namespace renamer::ui {

/// Ends the program once no window is open and no handler is running.
///
/// Qt would quit as soon as the last visible window closes, which can happen in the
/// middle of a handler that closes one window and then opens another. This object
/// turns that off and instead looks at the windows only after control is back in the
/// event loop: a window that closes schedules a check, and the check quits when no
/// top-level window is visible any more.
class ProgramLifetime : public QObject {
  Q_OBJECT

 public:
  /// Watches every window of the running application; there is one per program.
  explicit ProgramLifetime(QObject* parent = nullptr);
  ~ProgramLifetime() override;

  /// True while some top-level window other than a popup or tool tip is visible.
  static bool AnyWindowOpen();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void ScheduleCheck();
  void Check();

 private:
  bool checkPending_ = false;
};

/// Shows `window` centred on its screen's free area.
void ShowCentred(QWidget& window);

}  // namespace renamer::ui
