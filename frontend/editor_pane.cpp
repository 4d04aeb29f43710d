#include "frontend/editor_pane.hpp"

#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include "frontend/fixed_font.hpp"
#include "frontend/pane_commands.hpp"
#include "frontend/verdict_gutter.hpp"

namespace frontend {
namespace {

const QColor kMarkedLine(255, 226, 190);
const QColor kMarkTick(230, 120, 20);
const char* const kOneEmptyLine = "one_empty_line";

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

bool marked(const QTextBlock& b) { return b.userState() >= 0 && (b.userState() & 1) != 0; }

bool unproven(const QTextBlock& b) { return verdict_of(b) == engine::Proof::unproven; }

// Where F8 stops.
bool stop(const QTextBlock& b) { return marked(b) || unproven(b); }

}  // namespace

// The vertical scroll bar with a tick beside it for each marked line.
class MarkScrollBar : public QScrollBar {
 public:
  explicit MarkScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {}

  void set_marks(std::vector<int> lines, int total) {
    lines_ = std::move(lines);
    total_ = std::max(total, 1);
    update();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QScrollBar::paintEvent(event);
    if (lines_.empty()) return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, this);
    QPainter painter(this);
    int last_row = -1;
    // One tick per pixel row, however many lines fall on it.
    for (const int line : lines_) {
      const int row = groove.top() + static_cast<int>(static_cast<long long>(line) * groove.height() / total_);
      if (row == last_row) continue;
      last_row = row;
      painter.fillRect(QRect(groove.left() + 2, row, groove.width() - 4, 2), kMarkTick);
    }
  }

 private:
  std::vector<int> lines_;
  int total_ = 1;
};

EditorPane::EditorPane(const QString& select_all_text, QWidget* parent)
    : QPlainTextEdit(parent),
      menu_(new QMenu(this)),
      scroll_bar_(new MarkScrollBar(this)),
      gutter_(new VerdictGutter(this)),
      ticks_timer_(new QTimer(this)) {
  setVerticalScrollBar(scroll_bar_);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(false);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setFont(fixed_pitch_font());
  set_font_points(font().pointSize());

  // Keep the selection visible without the focus.
  QPalette p = palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(p);

  // The keys are shown; pressed, they reach the pane or the window, not the menu.
  const auto item = [this](const QString& text, QKeySequence keys, auto slot) {
    QAction* a = menu_->addAction(text, this, slot);
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WidgetShortcut);
    a->setShortcutVisibleInContextMenu(true);
    return a;
  };
  item(tr("Undo"), QKeySequence::Undo, &EditorPane::undo_asked);
  item(tr("Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y), &EditorPane::redo_asked);
  menu_->addSeparator();
  cut_ = item(tr("Cut"), QKeySequence::Cut, &QPlainTextEdit::cut);
  copy_ = item(tr("Copy"), QKeySequence::Copy, &QPlainTextEdit::copy);
  item(tr("Paste"), QKeySequence::Paste, &QPlainTextEdit::paste);
  menu_->addSeparator();
  item(select_all_text, QKeySequence::SelectAll, &QPlainTextEdit::selectAll);
  connect(menu_, &QMenu::aboutToShow, this, [this] {
    cut_->setEnabled(textCursor().hasSelection());
    copy_->setEnabled(textCursor().hasSelection());
  });

  // The ticks follow a burst of edits once, when it is over.
  ticks_timer_->setSingleShot(true);
  ticks_timer_->setInterval(0);
  connect(ticks_timer_, &QTimer::timeout, this, &EditorPane::update_ticks);

  // The gutter scrolls with the text and repaints the rows the editor repaints.
  connect(this, &QPlainTextEdit::updateRequest, gutter_, [this](const QRect& rect, int dy) {
    if (dy != 0) {
      gutter_->scroll(0, dy);
    } else {
      gutter_->update(0, rect.y(), gutter_->width(), rect.height());
    }
  });

  install(make_document({}));
}

void EditorPane::place_gutter() {
  setViewportMargins(gutter_->gutter_width(), 0, 0, 0);
  const QRect r = contentsRect();
  gutter_->setGeometry(QRect(r.left(), r.top(), gutter_->gutter_width(), viewport()->height()));
}

void EditorPane::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  place_gutter();
}

QTextBlock EditorPane::first_visible_block() const { return firstVisibleBlock(); }

QRectF EditorPane::block_rect(const QTextBlock& block) const {
  return blockBoundingGeometry(block).translated(contentOffset());
}

void EditorPane::verdicts_changed() { gutter_->update(); }

bool EditorPane::has_stops() const {
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    if (stop(b)) return true;
  }
  return false;
}

std::size_t EditorPane::count_unproven() const {
  std::size_t n = 0;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) n += unproven(b) ? 1 : 0;
  return n;
}

QTextDocument* EditorPane::make_document(const std::vector<std::u16string>& lines, const std::vector<int>& states) {
  std::size_t size = lines.size();
  for (const auto& line : lines) size += line.size();
  QString text;
  text.reserve(static_cast<qsizetype>(size));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += QLatin1Char('\n');
    text += to_qstring(lines[i]);
  }
  return make_document(text, lines.size() == 1 && lines[0].empty(), states);
}

QTextDocument* EditorPane::make_document(const QString& text, bool one_empty_line, const std::vector<int>& states) {
  auto* document = new QTextDocument(this);
  document->setDocumentLayout(new QPlainTextDocumentLayout(document));
  // Font and tab stops go in before the text: set after it, they would lay
  // out every line again.
  document->setDefaultFont(font());
  QTextOption option = document->defaultTextOption();
  option.setTabStopDistance(tabStopDistance());
  option.setWrapMode(QTextOption::NoWrap);
  document->setDefaultTextOption(option);
  document->setPlainText(text);
  document->setProperty(kOneEmptyLine, one_empty_line);
  document->setModified(false);
  if (!states.empty()) {
    std::size_t i = 0;
    for (QTextBlock b = document->begin(); b.isValid() && i < states.size(); b = b.next(), ++i) b.setUserState(states[i]);
  } else if (!marking_.empty()) {
    for (QTextBlock b = document->begin(); b.isValid(); b = b.next()) {
      if (marked_text(b)) b.setUserState(kMarkedByText);
    }
  }
  return document;
}

void EditorPane::install(QTextDocument* document) {
  setDocument(document);
  watch(document);
  update_ticks();
  viewport()->update();
  gutter_->update();
  emit document_installed();
}

void EditorPane::fill(const QString& text, bool one_empty_line, const std::vector<int>& states) {
  QTextDocument* d = document();
  d->setPlainText(text);
  d->setProperty(kOneEmptyLine, one_empty_line);
  std::size_t i = 0;
  for (QTextBlock b = d->begin(); b.isValid() && i < states.size(); b = b.next(), ++i) b.setUserState(states[i]);
  d->setModified(false);
  update_ticks();
  viewport()->update();
}

void EditorPane::watch(QTextDocument* document) {
  if (watched_) disconnect(watched_, nullptr, this, nullptr);
  watched_ = document;
  // An edit (also an undo or a redo) drops the state of the lines it touches,
  // no other; a touched line that carries the marking is marked (keeping the
  // conversion's state if it had one).
  connect(document, &QTextDocument::contentsChange, this, [this](int position, int, int added) {
    QTextDocument* d = this->document();
    if (added > 0 || d->property(kOneEmptyLine).toBool()) d->setProperty(kOneEmptyLine, false);
    QTextBlock last = d->findBlock(position + added);
    if (!last.isValid()) last = d->lastBlock();
    bool changed = false;
    for (QTextBlock b = d->findBlock(position); b.isValid(); b = b.next()) {
      const bool was = marked(b);
      const bool is = marked_text(b);
      if (!(was && is)) b.setUserState(is ? kMarkedByText : -1);
      changed = changed || was != is;
      if (b == last) break;
    }
    if (changed) ticks_timer_->start();
  });
  connect(document, &QTextDocument::blockCountChanged, ticks_timer_, qOverload<>(&QTimer::start));
}

void EditorPane::set_marking(std::u16string_view marking) { marking_ = marking; }

bool EditorPane::marked_text(const QTextBlock& block) const {
  if (marking_.empty()) return false;
  const QString text = block.text();
  return carries_marking(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<std::size_t>(text.size())),
                         marking_);
}

void EditorPane::update_ticks() {
  ticks_timer_->stop();
  std::vector<int> lines;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    if (marked(b)) lines.push_back(b.blockNumber());
  }
  scroll_bar_->set_marks(std::move(lines), document()->blockCount());
  emit marks_changed();
}

std::size_t EditorPane::count_lines() const {
  if (document()->isEmpty()) return document()->property(kOneEmptyLine).toBool() ? 1 : 0;
  return static_cast<std::size_t>(document()->blockCount());
}

std::u16string EditorPane::get_line(std::size_t index) const {
  return document()->findBlockByNumber(static_cast<int>(index)).text().toStdU16String();
}

std::vector<std::u16string> EditorPane::all_lines() const {
  std::vector<std::u16string> lines;
  lines.reserve(count_lines());
  if (count_lines() == 0) return lines;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) lines.push_back(b.text().toStdU16String());
  return lines;
}

void EditorPane::clear_pane() { install(make_document({})); }

void EditorPane::append_line(std::u16string_view text) {
  const bool empty = document()->isEmpty();
  const bool one_empty_line = document()->property(kOneEmptyLine).toBool();
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  if (!empty || one_empty_line) cursor.insertText(QStringLiteral("\n"));
  cursor.insertText(to_qstring(text));
  if (empty && text.empty()) document()->setProperty(kOneEmptyLine, true);
  setTextCursor(cursor);
}

void EditorPane::replace_lines(std::span<const std::u16string> lines) {
  install(make_document(std::vector<std::u16string>(lines.begin(), lines.end())));
}

void EditorPane::set_marked_lines(const std::vector<std::size_t>& lines) {
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) b.setUserState(-1);
  for (const std::size_t line : lines) {
    QTextBlock b = document()->findBlockByNumber(static_cast<int>(line));
    if (b.isValid()) b.setUserState(1);
  }
  update_ticks();
  viewport()->update();
}

std::vector<std::size_t> EditorPane::marked_lines() const {
  std::vector<std::size_t> lines;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    if (marked(b)) lines.push_back(static_cast<std::size_t>(b.blockNumber()));
  }
  return lines;
}

bool EditorPane::is_marked(int line) const { return marked(document()->findBlockByNumber(line)); }

int EditorPane::line_state(int line) const { return document()->findBlockByNumber(line).userState(); }

int EditorPane::find_marked(int from, bool forward, bool& wrapped) const {
  wrapped = false;
  const QTextBlock start = document()->findBlockByNumber(std::max(from, 0));
  if (!start.isValid()) return -1;
  for (QTextBlock b = forward ? start.next() : start.previous(); b.isValid(); b = forward ? b.next() : b.previous()) {
    if (stop(b)) return b.blockNumber();
  }
  wrapped = true;
  for (QTextBlock b = forward ? document()->begin() : document()->lastBlock(); b.isValid();
       b = forward ? b.next() : b.previous()) {
    if (stop(b)) return b.blockNumber();
    if (b == start) break;
  }
  return -1;
}

int EditorPane::first_visible_line() const { return verticalScrollBar()->value(); }

void EditorPane::scroll_to_line(int line) { verticalScrollBar()->setValue(line); }

void EditorPane::go_to_line(int line, bool select) {
  const QTextBlock b = document()->findBlockByNumber(line);
  if (!b.isValid()) return;
  QTextCursor cursor(b);
  if (select) {  // the caret at the start, where the statement is
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
  }
  setTextCursor(cursor);
  ensureCursorVisible();
}

int EditorPane::font_points() const { return font().pointSize(); }

void EditorPane::set_font_points(int points) {
  QFont f = font();
  f.setPointSize(points);
  setFont(f);
  document()->setDefaultFont(f);
  setTabStopDistance(QFontMetricsF(f).horizontalAdvance(QLatin1Char(' ')) * 8);
  place_gutter();
}

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
  // One history for both panes: the window undoes and redoes.
  const QKeyCombination keys = event->keyCombination();
  if (event->matches(QKeySequence::Undo)) {
    emit undo_asked();
    return;
  }
  if (event->matches(QKeySequence::Redo) || keys == QKeyCombination(Qt::CTRL, Qt::Key_Y) ||
      keys == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z)) {
    emit redo_asked();
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
  QPainter painter(viewport());
  const QPointF offset = contentOffset();
  const int width = viewport()->width();
  for (QTextBlock b = firstVisibleBlock(); b.isValid(); b = b.next()) {
    const QRectF r = blockBoundingGeometry(b).translated(offset);
    if (r.top() > event->rect().bottom()) break;
    if (marked(b)) painter.fillRect(QRectF(0, r.top(), width, r.height()), kMarkedLine);
  }
  painter.end();
  QPlainTextEdit::paintEvent(event);
}

}  // namespace frontend
