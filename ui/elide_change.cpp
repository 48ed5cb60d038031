#include "ui/elide_change.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

namespace renamer::ui {
namespace {

const QString kEllipsis(QChar(0x2026));

// Whether cutting `text` before index `at` would part a surrogate pair.
bool PartsPair(const QString& text, qsizetype at) {
  return at > 0 && at < text.size() && text[at - 1].isHighSurrogate() && text[at].isLowSurrogate();
}

qsizetype Before(const QString& text, qsizetype at) {
  return PartsPair(text, at - 1) ? at - 2 : at - 1;
}

qsizetype After(const QString& text, qsizetype at) {
  return PartsPair(text, at + 1) ? at + 2 : at + 1;
}

struct Span {
  qsizetype begin;
  qsizetype end;
};

// `text` without the start and the end it shares with `other`, which do not overlap;
// widened to whole characters where a shared half of a surrogate pair would cut one.
Span ChangeIn(const QString& text, const QString& other) {
  const qsizetype shorter = std::min(text.size(), other.size());
  qsizetype begin = 0;
  while (begin < shorter && text[begin] == other[begin]) ++begin;
  qsizetype sharedEnd = 0;
  while (sharedEnd < shorter - begin &&
         text[text.size() - 1 - sharedEnd] == other[other.size() - 1 - sharedEnd]) {
    ++sharedEnd;
  }
  qsizetype end = text.size() - sharedEnd;
  if (PartsPair(text, begin)) --begin;
  if (PartsPair(text, end)) ++end;
  return {begin, end};
}

// The characters [begin, end) of `text`, with "…" for what is left out on either side.
QString Window(const QString& text, qsizetype begin, qsizetype end) {
  QString shown;
  if (begin > 0) shown += kEllipsis;
  shown += QStringView(text).mid(begin, end - begin);
  // An empty window inside the text needs only the one "…".
  if (end < text.size() && !(begin == end && begin > 0)) shown += kEllipsis;
  return shown;
}

// Whether one of `text` and `other` has a run of one character repeated where the other
// has nothing: padding, as 长度一致(后补足) adds.
bool IsPadding(const QString& text, const QString& other) {
  const Span mine = ChangeIn(text, other);
  const Span theirs = ChangeIn(other, text);
  QStringView run;
  if (mine.begin == mine.end) {
    run = QStringView(other).mid(theirs.begin, theirs.end - theirs.begin);
  } else if (theirs.begin == theirs.end) {
    run = QStringView(text).mid(mine.begin, mine.end - mine.begin);
  } else {
    return false;
  }
  const qsizetype unit = run.size() >= 2 && run[0].isHighSurrogate() ? 2 : 1;
  if (run.size() < 2 * unit || run.size() % unit != 0) return false;
  for (qsizetype k = unit; k < run.size(); k += unit) {
    if (run.mid(k, unit) != run.first(unit)) return false;
  }
  return true;
}

// `text` as its start, "…" and its end from `change.end` on, whole: as much of the start
// as fits, and, where the whole start fits, as much of the change on either side of the
// "…". Empty when not even "…" and the end fit.
QString KeepEnds(const QString& text, Span change, const QFontMetrics& metrics, int width) {
  const auto cut = [&](qsizetype head, qsizetype tail) {
    return text.left(head) + kEllipsis + text.mid(tail);
  };
  const auto fits = [&](qsizetype head, qsizetype tail) {
    return metrics.horizontalAdvance(cut(head, tail)) <= width;
  };
  qsizetype head = 0;
  qsizetype tail = change.end;
  if (!fits(head, tail)) return {};
  while (head < change.begin && fits(After(text, head), tail)) head = After(text, head);
  for (bool grew = head == change.begin; grew;) {
    grew = false;
    if (head < tail && fits(After(text, head), tail)) {
      head = After(text, head);
      grew = true;
    }
    if (head < tail && fits(head, Before(text, tail))) {
      tail = Before(text, tail);
      grew = true;
    }
  }
  return cut(head, tail);
}

}  // namespace

QString ElideAroundChange(const QString& text, const QString& other, const QFontMetrics& metrics,
                          int width) {
  if (metrics.horizontalAdvance(text) <= width) return text;
  if (other.isEmpty() || other == text) {
    // Qt hands back a single letter whole even where it does not fit.
    const QString elided = metrics.elidedText(text, Qt::ElideMiddle, width);
    return metrics.horizontalAdvance(elided) <= width ? elided : QString();
  }
  const Span change = ChangeIn(text, other);
  // Padding says nothing by its letters; what tells the files apart is the name's start
  // and its extension.
  if (IsPadding(text, other)) {
    const QString kept = KeepEnds(text, change, metrics, width);
    if (!kept.isEmpty()) return kept;
  }
  const auto fits = [&](qsizetype begin, qsizetype end) {
    return metrics.horizontalAdvance(Window(text, begin, end)) <= width;
  };
  if (!fits(change.begin, change.end)) {
    qsizetype end = change.begin;
    while (end < change.end && fits(change.begin, After(text, end))) end = After(text, end);
    if (fits(change.begin, end)) return Window(text, change.begin, end);
    return QString();
  }

  qsizetype begin = change.begin;
  qsizetype end = change.end;
  // Pixels added on either side; the narrower side grows next, which keeps the change
  // in the middle.
  int addedBefore = 0;
  int addedAfter = 0;
  const auto growBefore = [&] {
    if (begin == 0 || !fits(Before(text, begin), end)) return false;
    const qsizetype next = Before(text, begin);
    addedBefore += metrics.horizontalAdvance(text.mid(next, begin - next));
    begin = next;
    return true;
  };
  const auto growAfter = [&] {
    if (end == text.size() || !fits(begin, After(text, end))) return false;
    const qsizetype next = After(text, end);
    addedAfter += metrics.horizontalAdvance(text.mid(end, next - end));
    end = next;
    return true;
  };
  while (addedBefore <= addedAfter ? growBefore() || growAfter() : growAfter() || growBefore()) {
  }
  return Window(text, begin, end);
}

void ChangeElideDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  if (index.model()->columnCount(index.parent()) != 2) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  const QWidget* widget = cell.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  // The style draws the text inside this rectangle, a focus frame's margin in from its
  // sides.
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  const int room =
      style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget).width() - 2 * margin;
  const QString other = displayText(
      index.sibling(index.row(), 1 - index.column()).data(Qt::DisplayRole), cell.locale);
  cell.text = ElideAroundChange(cell.text, other, cell.fontMetrics, room);
  cell.textElideMode = Qt::ElideNone;
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
}

}  // namespace renamer::ui
