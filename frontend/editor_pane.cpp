#include "frontend/editor_pane.hpp"

#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace frontend {
namespace {

const QColor kMarkedLine(255, 226, 190);

// The first local file a drag offers, or an empty text.
QString first_file(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) return url.toLocalFile();
  }
  return {};
}

bool accept_files(QDropEvent* event) {
  if (first_file(event->mimeData()).isEmpty() || !(event->possibleActions() & Qt::CopyAction)) {
    event->ignore();
    return false;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  return true;
}

QString to_qstring(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

}  // namespace

EditorPane::EditorPane(const QString& select_all_text, QWidget* parent)
    : QPlainTextEdit(parent), menu_(new QMenu(this)) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(false);
  setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')) * 8);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);

  // Keep the selection visible without the focus.
  QPalette p = palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText,
             p.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(p);

  menu_->addAction(tr("Cut"), this, &QPlainTextEdit::cut);
  menu_->addAction(tr("Copy"), this, &QPlainTextEdit::copy);
  menu_->addAction(tr("Paste"), this, &QPlainTextEdit::paste);
  menu_->addSeparator();
  menu_->addAction(select_all_text, this, &QPlainTextEdit::selectAll);

  connect(document(), &QTextDocument::contentsChange, this, [this](int, int, int) {
    if (!setting_text_) forget_marks();
  });
}

std::size_t EditorPane::count_lines() const {
  if (document()->isEmpty()) return one_empty_line_ ? 1 : 0;
  return static_cast<std::size_t>(document()->blockCount());
}

std::u16string EditorPane::get_line(std::size_t index) const {
  return document()->findBlockByNumber(static_cast<int>(index)).text().toStdU16String();
}

std::vector<std::u16string> EditorPane::all_lines() const {
  std::vector<std::u16string> lines;
  if (document()->isEmpty()) {
    if (one_empty_line_) lines.emplace_back();
    return lines;
  }
  lines.reserve(static_cast<std::size_t>(document()->blockCount()));
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    lines.push_back(b.text().toStdU16String());
  }
  return lines;
}

void EditorPane::clear_pane() {
  set_text({});
  one_empty_line_ = false;
  forget_marks();
}

void EditorPane::append_line(std::u16string_view text) {
  const bool empty = document()->isEmpty();
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  if (!empty || one_empty_line_) cursor.insertText(QStringLiteral("\n"));
  cursor.insertText(to_qstring(text));
  if (empty && text.empty()) one_empty_line_ = true;
  setTextCursor(cursor);
}

void EditorPane::replace_lines(std::span<const std::u16string> lines) {
  std::size_t size = lines.size();
  for (const auto& line : lines) size += line.size();
  QString text;
  text.reserve(static_cast<qsizetype>(size));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += QLatin1Char('\n');
    text += to_qstring(lines[i]);
  }
  set_text(text);
  one_empty_line_ = lines.size() == 1 && lines[0].empty();
  forget_marks();
}

void EditorPane::set_text(const QString& text) {
  // The editor's own undo would record every line of a large text one by one;
  // the text the pane held is kept instead, for one Ctrl+Z to bring back.
  before_ = Previous{toPlainText(), one_empty_line_};
  setting_text_ = true;
  setPlainText(text);
  setting_text_ = false;
  moveCursor(QTextCursor::End);
}

bool EditorPane::undo_replacement() {
  if (!before_ || document()->isUndoAvailable()) return false;
  const Previous previous = std::move(*before_);
  before_.reset();
  setting_text_ = true;
  setPlainText(previous.text);
  setting_text_ = false;
  one_empty_line_ = previous.one_empty_line;
  forget_marks();
  moveCursor(QTextCursor::End);
  return true;
}

void EditorPane::set_marked_lines(const std::vector<std::size_t>& lines) {
  marked_.assign(static_cast<std::size_t>(document()->blockCount()), 0);
  for (std::size_t line : lines) {
    if (line < marked_.size()) marked_[line] = 1;
  }
  viewport()->update();
}

std::vector<std::size_t> EditorPane::marked_lines() const {
  std::vector<std::size_t> lines;
  for (std::size_t i = 0; i < marked_.size(); ++i) {
    if (marked_[i]) lines.push_back(i);
  }
  return lines;
}

void EditorPane::forget_marks() {
  if (marked_.empty()) return;
  marked_.clear();
  viewport()->update();
}

int EditorPane::first_visible_line() const { return verticalScrollBar()->value(); }

void EditorPane::scroll_to_line(int line) { verticalScrollBar()->setValue(line); }

void EditorPane::contextMenuEvent(QContextMenuEvent* event) {
  // At the mouse, also when the menu is asked for from the keyboard.
  menu_->exec(QCursor::pos() - QPoint(1, 1));
  event->accept();
}

void EditorPane::dragEnterEvent(QDragEnterEvent* event) { accept_files(event); }

void EditorPane::dragMoveEvent(QDragMoveEvent* event) { accept_files(event); }

void EditorPane::dropEvent(QDropEvent* event) {
  if (accept_files(event)) emit file_dropped(first_file(event->mimeData()));
}

void EditorPane::keyPressEvent(QKeyEvent* event) {
  // Once the editor's own undo history is used up, Ctrl+Z takes back the last
  // replacement of the whole text.
  if (event->matches(QKeySequence::Undo) && undo_replacement()) {
    event->accept();
    return;
  }
  const bool tab = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
  const auto modifiers = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
  if (tab && (modifiers != Qt::NoModifier || event->key() == Qt::Key_Backtab)) {
    const bool backwards = event->key() == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier);
    QWidget::focusNextPrevChild(!backwards);
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void EditorPane::paintEvent(QPaintEvent* event) {
  if (!marked_.empty()) {
    QPainter painter(viewport());
    const QPointF offset = contentOffset();
    const int width = viewport()->width();
    for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
      const QRectF r = blockBoundingGeometry(b).translated(offset);
      if (r.top() > event->rect().bottom()) break;
      const auto n = static_cast<std::size_t>(b.blockNumber());
      if (n < marked_.size() && marked_[n]) painter.fillRect(QRectF(0, r.top(), width, r.height()), kMarkedLine);
    }
  }
  QPlainTextEdit::paintEvent(event);
}

}  // namespace frontend
