#include "ui/message_box.h"

#include <QAbstractTextDocumentLayout>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStringList>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace renamer::ui {
namespace {

/// Shown in place of a carriage return that ends no entry (a file name may hold one),
/// so that it cannot break the line.
constexpr QChar kCarriageReturnSymbol = QChar(0x240D);

/// The smallest text area, so that a short message still gives a box of usual size.
constexpr QSize kMinimumTextSize(160, 24);

/// Share of the screen's free area the whole box may take at most.
constexpr double kScreenShare = 0.85;

QScreen* ScreenFor(const QWidget* parent) {
  if (parent != nullptr && parent->screen() != nullptr) return parent->screen();
  return QGuiApplication::primaryScreen();
}

/// The height of one shown line. Chinese text is drawn with a fallback font whose lines
/// can be taller than the widget font's, so the laid-out first lines are measured.
int LineHeight(const QPlainTextEdit& view, const QFontMetrics& metrics) {
  qreal tallest = metrics.lineSpacing();
  QAbstractTextDocumentLayout* layout = view.document()->documentLayout();
  QTextBlock block = view.document()->firstBlock();
  for (int i = 0; i < 50 && block.isValid(); ++i, block = block.next()) {
    tallest = std::max(tallest, layout->blockBoundingRect(block).height());
  }
  return static_cast<int>(std::ceil(tallest));
}

/// The size the text needs with neither wrapping nor scrolling.
QSize NaturalTextSize(const QString& shown, const QPlainTextEdit& view) {
  const QFontMetrics metrics(view.font());
  const QStringList lines = shown.split(u'\n');
  int width = 0;
  for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
  const int margin =
      static_cast<int>(2 * view.document()->documentMargin()) + 2 * view.frameWidth();
  // Capped so that the product cannot overflow; such a text scrolls anyway.
  const int lineCount = static_cast<int>(std::min<qsizetype>(lines.size(), 1 << 20));
  const int height = lineCount * LineHeight(view, metrics);
  // A little slack so that rounding never brings up a scroll bar for text that fits.
  return QSize(width + margin + metrics.averageCharWidth(), height + margin + 2);
}

/// The text area's size: the natural size, but never so large that the box, with its
/// button row, leaves the screen; the area then scrolls.
QSize BoundedTextSize(QSize natural, QSize available, int reserved, const QPlainTextEdit& view) {
  const int scrollBar = view.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int maxWidth = static_cast<int>(available.width() * kScreenShare) - reserved;
  const int maxHeight = static_cast<int>(available.height() * kScreenShare) - reserved;
  QSize size = natural.expandedTo(kMinimumTextSize);
  const bool tooWide = size.width() > maxWidth;
  const bool tooHigh = size.height() > maxHeight;
  if (tooHigh) size.rwidth() += scrollBar;
  if (tooWide) size.rheight() += scrollBar;
  return size.boundedTo(QSize(std::max(maxWidth, kMinimumTextSize.width()),
                              std::max(maxHeight, kMinimumTextSize.height())));
}

/// A read-only text area that looks like the box's background.
QPlainTextEdit* MakeTextView(const QString& shown, QWidget* parent) {
  auto* view = new QPlainTextEdit(parent);
  view->setObjectName(QStringLiteral("messageText"));
  view->setReadOnly(true);
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  view->setFrameShape(QFrame::NoFrame);
  view->setFocusPolicy(Qt::ClickFocus);
  QPalette palette = view->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  view->setPalette(palette);
  view->setPlainText(shown);
  return view;
}

}  // namespace

QString DisplayText(const QString& text) {
  QString shown = text;
  // A report entry ends with a line feed and then a carriage return.
  shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
  shown.replace(u'\r', kCarriageReturnSymbol);
  if (shown.endsWith(u'\n')) shown.chop(1);
  return shown;
}

MessageDialog::MessageDialog(const QString& text, QWidget* parent) : QDialog(parent), text_(text) {
  setObjectName(QString::fromLatin1(kMessageBoxName));
  setWindowTitle(QStringLiteral("提示"));
  setModal(true);

  textView_ = MakeTextView(DisplayText(text_), this);
  auto* buttons = new QDialogButtonBox(Qt::Horizontal, this);
  buttons->setCenterButtons(true);
  okButton_ = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
  okButton_->setObjectName(QStringLiteral("okButton"));
  okButton_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(textView_, 1);
  layout->addWidget(buttons);

  const QMargins margins = layout->contentsMargins();
  const QSize available = ScreenFor(parent)->availableGeometry().size();
  const int reserved = buttons->sizeHint().height() + 2 * layout->spacing() + margins.top() +
                       margins.bottom() + margins.left() + margins.right();
  const QSize textSize = BoundedTextSize(NaturalTextSize(textView_->toPlainText(), *textView_),
                                         available, reserved, *textView_);
  // The default minimum of a scroll area is taller than a one-line message.
  textView_->setMinimumSize(kMinimumTextSize);
  setMaximumSize(available * kScreenShare);
  resize(textSize.width() + margins.left() + margins.right(),
         textSize.height() + buttons->sizeHint().height() + layout->spacing() + margins.top() +
             margins.bottom());
  okButton_->setFocus();
}

void MessageDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  GrowToFitText();
}

void MessageDialog::GrowToFitText() {
  // The size is estimated before anything is laid out, and Chinese text is drawn with a
  // fallback font that the estimate measures only roughly. Once shown, the text area
  // knows what it lacks: the horizontal range in pixels, the vertical one in lines.
  const int lineHeight = std::max(1, textView_->fontMetrics().lineSpacing());
  for (int attempt = 0; attempt < 4; ++attempt) {
    const QScrollBar* across = textView_->horizontalScrollBar();
    const QScrollBar* down = textView_->verticalScrollBar();
    if (across->maximum() == 0 && down->maximum() == 0) return;
    int width = across->maximum();
    int height = down->maximum() * LineHeight(*textView_, textView_->fontMetrics());
    // A scroll bar that goes away gives its room back; one that stays needs room.
    if (down->maximum() > 0) width += textView_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (across->maximum() > 0) height += lineHeight;
    const QSize wanted = (size() + QSize(width, height)).boundedTo(maximumSize());
    if (wanted == size()) return;
    resize(wanted);
  }
}

QString MessageDialog::ShownText() const { return textView_->toPlainText(); }

void ShowMessage(QWidget* parent, const QString& text) {
  MessageDialog box(text, parent);
  box.exec();
}

}  // namespace renamer::ui
