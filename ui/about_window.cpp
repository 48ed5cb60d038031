#include "ui/about_window.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QScreen>
#include <QStringList>

#include "ui/program_icon.h"
#include "ui/twips.h"

namespace renamer::ui {
namespace {

/// The client area's size and its top-left corner on the screen.
constexpr QSize kClientSize(TwipsToPixels(4680), TwipsToPixels(3150));
constexpr QPoint kClientOnScreen(TwipsToPixels(5460), TwipsToPixels(4710));

/// 宋体 12 pt. Linux rarely has SimSun itself, so the request lists the Song-style
/// fonts Linux does ship, and last a CJK sans face: every fallback draws Chinese.
QFont SongFont() {
  QFont font;
  font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                    QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL SungtiL GB"),
                    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")});
  font.setStyleHint(QFont::Serif);
  font.setPointSize(12);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

QLabel* MakeLabel(const QString& name, const QString& text, const QRect& place, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(place);
  label->setFont(SongFont());
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setFocusPolicy(Qt::NoFocus);
  return label;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("关于"));
  setWindowIcon(ProgramIcon());

  Command1 = Make<QPushButton>(this, "Command1", TwipsRect(1440, 2280, 1575, 495));
  Command1->setText(QStringLiteral("确定"));
  Command1->setAutoDefault(true);
  Command1->setDefault(true);
  connect(Command1, &QPushButton::clicked, this, &AboutWindow::Command1_Click);

  Label2 = MakeLabel(
      QStringLiteral("Label2"),
      QStringLiteral("如有问题或建议，请到 batch-renamer\n项目的问题跟踪（issues）中提交。"),
      TwipsRect(240, 1080, 4335, 615), this);
  Label2->setWordWrap(true);
  Label1 = MakeLabel(QStringLiteral("Label1"), QStringLiteral("本程序由 batch-renamer 项目制作"),
                     TwipsRect(240, 360, 4215, 375), this);

  const QPoint screenOrigin = QGuiApplication::primaryScreen()->geometry().topLeft();
  setGeometry(QRect(screenOrigin + kClientOnScreen, kClientSize));
  setFixedSize(kClientSize);
  Command1->setFocus();
}

void AboutWindow::Command1_Click() { close(); }

AboutWindow* ShowAboutWindow() {
  // The program's one about window; empty until first use, and again once it is gone.
  static QPointer<AboutWindow> window;
  if (window.isNull()) window = new AboutWindow();
  window->show();
  return window.data();
}

}  // namespace renamer::ui
