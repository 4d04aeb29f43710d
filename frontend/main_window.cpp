#include "frontend/main_window.hpp"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>
#include <cmath>

#include "frontend/busy.hpp"
#include "frontend/document_file.hpp"
#include "frontend/edit_history.hpp"
#include "frontend/editor_pane.hpp"
#include "frontend/elided_label.hpp"
#include "frontend/find_bar.hpp"
#include "frontend/line_status.hpp"
#include "frontend/pane_kind.hpp"
#include "frontend/verdict_gutter.hpp"

// The icon lives in this library's resources; they must be registered by name,
// from outside any namespace.
static void init_resources() { Q_INIT_RESOURCE(converter); }

namespace frontend {
namespace {

constexpr QSize kClientSize(640, 480);

QLabel* caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignCenter);
  label->setTextFormat(Qt::PlainText);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  return label;
}

QPushButton* button(const QString& text, const QString& tip, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setToolTip(tip);
  return b;
}

// The client area: lays its children out itself at every size.
class ClientArea : public QWidget {
 public:
  ClientArea(std::function<void(QSize)> place, QWidget* parent) : QWidget(parent), place_(std::move(place)) {
    setMinimumSize(kClientSize);
  }
  QSize sizeHint() const override { return kClientSize; }

 protected:
  void resizeEvent(QResizeEvent*) override { place_(size()); }

 private:
  std::function<void(QSize)> place_;
};

// A status bar whose messages are shown by a label of the window's (which
// elides them to fit), not drawn over the other labels.
class StatusBar : public QStatusBar {
 public:
  using QStatusBar::QStatusBar;

 protected:
  void paintEvent(QPaintEvent*) override {}
};

}  // namespace

MainWindow::MainWindow(std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(std::move(dialogs)), counts_timer_(new QTimer(this)),
      history_(new EditHistory(this)) {
  init_resources();
  setWindowIcon(QIcon(QStringLiteral(":/converter.png")));
  client_ = new ClientArea([this](QSize s) { place(s); }, this);
  setCentralWidget(client_);

  // Created in tab order.
  z80_pane_ = new EditorPane(tr("Select all"), client_);
  to_8080_ = button(QStringLiteral(">"), tr("convert z80 to 8080"), client_);
  to_z80_ = button(QStringLiteral("<"), tr("convert 8080 to z80"), client_);
  z80_label_ = caption(tr("z80 code"), client_);
  i8080_pane_ = new EditorPane(tr("Select All"), client_);
  i8080_label_ = caption(tr("8080 code"), client_);
  find_bar_ = new FindBar(client_);
  find_bar_->hide();
  z80_pane_->set_marking(kZ80Kind.marking);
  i8080_pane_->set_marking(k8080Kind.marking);
  z80_pane_->setObjectName(QStringLiteral("z80_pane"));
  i8080_pane_->setObjectName(QStringLiteral("i8080_pane"));
  last_focused_ = z80_pane_;
  default_points_ = z80_pane_->font_points();

  setStatusBar(new StatusBar(this));
  message_ = new ElidedLabel(Qt::ElideMiddle, this);
  line_status_ = new ElidedLabel(Qt::ElideRight, this);
  z80_status_ = new QLabel(this);
  i8080_status_ = new QLabel(this);
  statusBar()->addPermanentWidget(message_, 3);
  // The message has the larger share: a path keeps both ends beside the
  // longest counts ("8080 1933 lines, 1932 marked, 1 unproven") at 640 pixels.
  statusBar()->addPermanentWidget(line_status_, 1);
  statusBar()->addPermanentWidget(z80_status_);
  statusBar()->addPermanentWidget(i8080_status_);
  // The message area shows only while there is a message: the line text has
  // the room otherwise.
  message_->hide();
  connect(statusBar(), &QStatusBar::messageChanged, message_, [this](const QString& text) {
    message_->set_full_text(text);
    message_->setVisible(!text.isEmpty());
  });
  counts_timer_->setSingleShot(true);
  counts_timer_->setInterval(0);
  connect(counts_timer_, &QTimer::timeout, this, &MainWindow::update_counts);

  connect(to_8080_, &QPushButton::clicked, this, &MainWindow::convert_z80_to_8080);
  connect(to_z80_, &QPushButton::clicked, this, &MainWindow::convert_8080_to_z80);
  for (EditorPane* pane : {z80_pane_, i8080_pane_}) {
    connect(pane, &EditorPane::file_dropped, this, [this, pane](const QString& path) { open_file(pane, path); });
    connect(pane, &EditorPane::undo_asked, this, &MainWindow::undo);
    connect(pane, &EditorPane::redo_asked, this, &MainWindow::redo);
    connect(pane, &EditorPane::marks_changed, counts_timer_, qOverload<>(&QTimer::start));
    connect(pane, &EditorPane::document_installed, this, [this, pane] { follow_document(pane); });
    connect(pane, &QPlainTextEdit::cursorPositionChanged, this, &MainWindow::update_line_status);
    connect(pane, &QPlainTextEdit::selectionChanged, this, &MainWindow::update_edit_actions);
    history_->watch(pane);
    follow_document(pane);
  }
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    for (EditorPane* pane : {z80_pane_, i8080_pane_}) {
      if (now == pane) last_focused_ = pane;
    }
    update_line_status();
    update_edit_actions();
  });
  connect(history_, &EditHistory::changed, this, &MainWindow::update_edit_actions);
  connect(history_, &EditHistory::stepped, this, [this](EditorPane* pane, const QString& what, bool undone) {
    statusBar()->showMessage((undone ? tr("Undone: %1") : tr("Redone: %1")).arg(what), 4000);
    if (pane != nullptr && !pane->hasFocus() && !find_bar_->isAncestorOf(QApplication::focusWidget())) {
      last_focused_ = pane;
    }
  });
  connect(find_bar_, &FindBar::message, this, [this](const QString& text) { statusBar()->showMessage(text, 4000); });
  couple_scrolling(z80_pane_, i8080_pane_);
  couple_scrolling(i8080_pane_, z80_pane_);

  build_menus();

  // Escape quits (asking first if something is unsaved), but in the find bar
  // it closes the find bar.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &MainWindow::escape);

  const WindowSettings s = read_settings();
  set_font_points(s.font_points != 0 ? s.font_points : default_points_);
  action("jr_as_jump")->setChecked(s.jr_as_jump);
  action("keep_layout")->setChecked(s.keep_layout);
  {  // the saved geometry holds the wide size already
    const QSignalBlocker quiet(action("wide_window"));
    action("wide_window")->setChecked(s.wide_window);
  }
  adjustSize();
  if (!restoreGeometry(s.geometry)) resize(sizeHint());
  update_title();
  update_counts();
  update_edit_actions();
}

MainWindow::~MainWindow() {
  // The widgets below this one go in QWidget's destructor, after this one's:
  // focus moves and documents change then, and nothing may call back into a
  // window that is half gone.
  disconnect(qApp, nullptr, this, nullptr);
  for (QObject* sender : std::initializer_list<QObject*>{z80_pane_, i8080_pane_, history_}) sender->disconnect(this);
}

void MainWindow::place(QSize s) {
  const int extra = s.width() - kClientSize.width();
  const int left = 300 + extra / 2;
  const int right = s.width() - left - 20;
  const int height = s.height() - 80;  // the strip below the panes stays free (for the find bar)
  z80_label_->setGeometry(0, 0, left, 20);
  z80_pane_->setGeometry(0, 20, left, height);
  to_8080_->setGeometry(left, 22, 20, 20);
  to_z80_->setGeometry(left, 124, 20, 20);
  i8080_label_->setGeometry(left + 20, 0, right, 20);
  i8080_pane_->setGeometry(left + 20, 20, right, height);
  const int bar = std::min(find_bar_->sizeHint().height(), 56);
  find_bar_->setGeometry(0, 20 + height + (60 - bar) / 2, s.width(), bar);
}

void MainWindow::build_menus() {
  const auto make = [this](QMenu* menu, const char* name, const QString& text, const QList<QKeySequence>& keys,
                           auto slot) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcuts(keys);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };

  QMenu* file = menuBar()->addMenu(tr("&File"));
  // Ctrl+O opens into the pane that has the focus.
  for (EditorPane* pane : {z80_pane_, i8080_pane_}) {
    QAction* open = make(file, kind(pane).open_action, tr(kind(pane).open_text), {QKeySequence::Open},
                         [this, pane] { choose_and_open(pane); });
    open->setShortcutContext(Qt::WidgetShortcut);
    pane->addAction(open);
  }
  make(file, "save", tr("&Save"), {QKeySequence::Save}, [this] { save(focused_pane()); });
  make(file, "save_as", tr("Save &As..."), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
       [this] { save_as(focused_pane()); });
  // An 8-bit file in another code page than the one guessed: read it again in
  // the one chosen (remembered for that file; saving writes it back in it).
  QMenu* encodings = file->addMenu(tr("Reopen with &Encoding"));
  encodings->menuAction()->setObjectName(QStringLiteral("reopen_encoding"));
  for (const engine::Encoding e : {engine::Encoding::utf8, engine::Encoding::cp1251, engine::Encoding::koi8r,
                                   engine::Encoding::cp866, engine::Encoding::latin1}) {
    QAction* a = encodings->addAction(QString::fromLatin1(engine::encoding_name(e)),
                                      this, [this, e] { reopen_with_encoding(focused_pane(), e); });
    a->setObjectName(QStringLiteral("encoding_") + QString::fromLatin1(engine::encoding_short_name(e)));
  }
  recent_menu_ = file->addMenu(tr("Recent Files"));
  recent_menu_->menuAction()->setObjectName(QStringLiteral("recent"));
  connect(recent_menu_, &QMenu::aboutToShow, this, &MainWindow::fill_recent_menu);
  file->addSeparator();
  make(file, "quit", tr("&Quit"), {QKeySequence(Qt::CTRL | Qt::Key_Q)}, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  make(edit, "undo", tr("&Undo"), {QKeySequence::Undo}, &MainWindow::undo);
  make(edit, "redo", tr("&Redo"), {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
       &MainWindow::redo);
  edit->addSeparator();
  make(edit, "cut", tr("Cu&t"), {QKeySequence::Cut}, [this] { focused_pane()->cut(); });
  make(edit, "copy", tr("&Copy"), {QKeySequence::Copy}, [this] { focused_pane()->copy(); });
  make(edit, "paste", tr("&Paste"), {QKeySequence::Paste}, [this] { focused_pane()->paste(); });
  make(edit, "select_all", tr("Select &All"), {QKeySequence::SelectAll}, [this] { focused_pane()->selectAll(); });
  edit->addSeparator();
  make(edit, "find", tr("&Find..."), {QKeySequence::Find}, [this] { find_bar_->open_on(focused_pane()); });
  make(edit, "find_next", tr("Find &Next"), {QKeySequence(Qt::Key_F3)}, [this] {
    if (find_bar_->pane() == nullptr) find_bar_->open_on(focused_pane());
    find_bar_->find_next();
  });
  make(edit, "find_previous", tr("Find Pre&vious"), {QKeySequence(Qt::SHIFT | Qt::Key_F3)}, [this] {
    if (find_bar_->pane() == nullptr) find_bar_->open_on(focused_pane());
    find_bar_->find_previous();
  });
  edit->addSeparator();
  make(edit, "next_marked", tr("Next &Marked Line"), {QKeySequence(Qt::Key_F8)}, &MainWindow::next_marked);
  make(edit, "previous_marked", tr("Previous Mar&ked Line"), {QKeySequence(Qt::SHIFT | Qt::Key_F8)},
       &MainWindow::previous_marked);

  QMenu* view = menuBar()->addMenu(tr("&View"));
  make(view, "zoom_in", tr("&Larger Font"), {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)},
       [this] { set_font_points(z80_pane_->font_points() + 1); });
  make(view, "zoom_out", tr("&Smaller Font"), {QKeySequence::ZoomOut}, [this] { set_font_points(z80_pane_->font_points() - 1); });
  make(view, "zoom_reset", tr("&Normal Font Size"), {QKeySequence(Qt::CTRL | Qt::Key_0)},
       [this] { set_font_points(default_points_); });
  view->addSeparator();
  QAction* wide = make(view, "wide_window", tr("&Wide Window"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)},
                       &MainWindow::set_wide);
  wide->setCheckable(true);

  QMenu* convert = menuBar()->addMenu(tr("&Convert"));
  make(convert, "convert_to_8080", tr("Z80 -> 8080"), {QKeySequence(Qt::CTRL | Qt::Key_Period)},
       &MainWindow::convert_z80_to_8080);
  make(convert, "convert_to_z80", tr("8080 -> Z80"), {QKeySequence(Qt::CTRL | Qt::Key_Comma)},
       &MainWindow::convert_8080_to_z80);
  convert->addSeparator();
  QAction* jr = make(convert, "jr_as_jump", tr("Relative Jumps as Absolute Jumps"), {}, [this](bool on) {
    change_settings([on](WindowSettings& s) { s.jr_as_jump = on; });
  });
  jr->setCheckable(true);
  jr->setToolTip(tr("Z80 -> 8080: jr as jmp and jr cc as jcc, one byte longer each"));
  QAction* layout = make(convert, "keep_layout", tr("Keep Columns and Case"), {}, [this](bool on) {
    change_settings([on](WindowSettings& s) { s.keep_layout = on; });
  });
  layout->setCheckable(true);
  layout->setToolTip(tr("A rewritten line keeps the columns and the case it was typed in"));
}

QAction* MainWindow::action(const char* name) const {
  return findChild<QAction*>(QString::fromLatin1(name));
}

QLabel* MainWindow::pane_status(const EditorPane* pane) const { return pane == z80_pane_ ? z80_status_ : i8080_status_; }

const PaneKind& MainWindow::kind(const EditorPane* pane) const { return pane == z80_pane_ ? kZ80Kind : k8080Kind; }

EditorPane* MainWindow::pane_of(engine::Notation notation) const {
  return notation == engine::Notation::z80 ? z80_pane_ : i8080_pane_;
}

Busy MainWindow::working() { return Busy(this, {z80_pane_, i8080_pane_}, {to_8080_, to_z80_}, busy_); }

EditorPane* MainWindow::focused_pane() const {
  const QWidget* f = QApplication::focusWidget();
  if (f == z80_pane_ || f == i8080_pane_) return static_cast<EditorPane*>(const_cast<QWidget*>(f));
  return last_focused_;
}

EditorPane* MainWindow::other(const EditorPane* pane) const { return pane == z80_pane_ ? i8080_pane_ : z80_pane_; }

void MainWindow::couple_scrolling(EditorPane* from, EditorPane* to) {
  const auto follow = [this, from, to] {
    if (coupling_ || to->first_visible_line() == from->first_visible_line()) return;
    coupling_ = true;  // `to` is following us: do not follow it back
    to->scroll_to_line(from->first_visible_line());
    coupling_ = false;
  };
  // The scroll bar reports the bar and the wheel; the editor moves its bar
  // without a word when the keyboard or the caret scrolls it, but then asks
  // for the view to be redrawn, shifted.
  connect(from->verticalScrollBar(), &QScrollBar::valueChanged, this, follow);
  connect(from, &QPlainTextEdit::updateRequest, this, [follow](const QRect&, int dy) {
    if (dy != 0) follow();
  });
}

void MainWindow::undo() {
  if (!busy_) history_->undo();
}
void MainWindow::redo() {
  if (!busy_) history_->redo();
}

void MainWindow::follow_document(EditorPane* pane) {
  connect(pane->document(), &QTextDocument::modificationChanged, this, &MainWindow::update_title,
          Qt::UniqueConnection);
  connect(pane->document(), &QTextDocument::blockCountChanged, counts_timer_, qOverload<>(&QTimer::start),
          Qt::UniqueConnection);
  connect(pane->document(), &QTextDocument::contentsChange, this, &MainWindow::reverify, Qt::UniqueConnection);
  update_title();
  counts_timer_->start();
}


void MainWindow::update_counts() {
  for (EditorPane* pane : {z80_pane_, i8080_pane_}) {
    const engine::Encoding encoding = format_of(pane->document()).encoding;
    // The code page of an 8-bit file is worth knowing; UTF-8 goes without saying.
    const QString code_page = engine::is_single_byte(encoding)
                                  ? QStringLiteral(", ") + QString::fromLatin1(engine::encoding_name(encoding))
                                  : QString();
    // Unproven lines are named only when there are any: the label stays short.
    const std::size_t unproven = pane->count_unproven();
    pane_status(pane)->setText(tr("%1 %2 lines, %3 marked%4%5")
                                   .arg(QString::fromLatin1(kind(pane).name))
                                   .arg(pane->count_lines())
                                   .arg(pane->marked_lines().size())
                                   .arg(unproven > 0 ? tr(", %1 unproven").arg(unproven) : QString())
                                   .arg(code_page));
  }
  update_line_status();
}

QString MainWindow::line_description(const EditorPane* pane, int line) const {
  if (line >= static_cast<int>(pane->count_lines())) return {};
  const std::u16string text = pane->get_line(static_cast<std::size_t>(line));
  const EditorPane* source = other(pane);
  const std::u16string beside =
      line < static_cast<int>(source->count_lines()) ? source->get_line(static_cast<std::size_t>(line)) : std::u16string();
  const LineStatus status = frontend::line_status({kind(pane).notation, text, beside,
                                         verdict_of(pane->document()->findBlockByNumber(line)) == engine::Proof::unproven,
                                         pane->is_marked(line), decode_state(pane->line_state(line)),
                                         action("jr_as_jump")->isChecked()});
  const QString detail = QString::fromStdString(status.detail);
  QString described;
  switch (status.kind) {
    case LineStatus::Kind::decision: described = detail; break;
    case LineStatus::Kind::comment: described = tr("comment"); break;
    case LineStatus::Kind::marked: described = detail.isEmpty() ? tr("marked") : detail; break;
    case LineStatus::Kind::unproven: described = tr("unproven: %1").arg(detail); break;
  }
  if (status.warning.empty()) return described;
  return described + (described.isEmpty() ? QString() : QStringLiteral("; ")) + tr("warning: ") +
         QString::fromStdString(status.warning);
}

void MainWindow::update_line_status() {
  EditorPane* pane = focused_pane();
  const int line = pane->textCursor().blockNumber();
  const QString text = line_description(pane, line);
  line_status_->set_full_text(text.isEmpty() ? tr("Line %1").arg(line + 1) : tr("Line %1: %2").arg(line + 1).arg(text));
}

void MainWindow::update_edit_actions() {
  const bool selection = focused_pane()->textCursor().hasSelection();
  action("cut")->setEnabled(selection);
  action("copy")->setEnabled(selection);
  action("undo")->setEnabled(history_->can_undo());
  action("redo")->setEnabled(history_->can_redo());
  action("undo")->setText(history_->can_undo() ? tr("&Undo %1").arg(history_->undo_text()) : tr("&Undo"));
  action("redo")->setText(history_->can_redo() ? tr("&Redo %1").arg(history_->redo_text()) : tr("&Redo"));
}

void MainWindow::next_marked() { go_to_marked(true); }
void MainWindow::previous_marked() { go_to_marked(false); }

void MainWindow::go_to_marked(bool forward) {
  // The marks are in the pane a conversion wrote: the focused one if it holds
  // any, else the other; the walk starts from the focused pane's caret line.
  EditorPane* focused = focused_pane();
  EditorPane* pane = focused->has_stops() ? focused : other(focused);
  bool wrapped = false;
  const int from = std::min(focused->textCursor().blockNumber(), pane->document()->blockCount() - 1);
  const int line = pane->find_marked(from, forward, wrapped);
  if (line < 0) {
    statusBar()->showMessage(tr("No marked lines"), 4000);
    return;
  }
  pane->setFocus();
  // Both panes on the line, centred, from column 0 (the statement in view,
  // also on a long line); the marked line selected with the caret at its start.
  for (EditorPane* p : {other(pane), pane}) p->go_to_line(line, p == pane);
  const int rows = std::max(1, pane->viewport()->height() / std::max(1, pane->fontMetrics().lineSpacing()));
  pane->scroll_to_line(std::max(0, line - rows / 2));
  for (EditorPane* p : {z80_pane_, i8080_pane_}) p->horizontalScrollBar()->setValue(0);
  if (wrapped) {
    statusBar()->showMessage(forward ? tr("Past the last marked line: back to the first")
                                     : tr("Before the first marked line: on to the last"),
                             4000);
  }
}

void MainWindow::escape() {
  if (busy_) {
    cancel_ = true;
    return;
  }
  if (find_bar_->isVisible() && find_bar_->isAncestorOf(QApplication::focusWidget())) {
    find_bar_->close_bar();
    return;
  }
  close();
}

void MainWindow::set_font_points(int points) {
  points = std::clamp(points, 6, 48);
  z80_pane_->set_font_points(points);
  i8080_pane_->set_font_points(points);
  change_settings([points](WindowSettings& s) { s.font_points = points; });
}


void MainWindow::set_wide(bool on) {
  change_settings([on](WindowSettings& s) { s.wide_window = on; });
  const QRect available = screen() != nullptr ? screen()->availableGeometry() : QRect(QPoint(), size());
  const QSize frame = frameGeometry().size() - size();
  if (!on) {
    resize(narrow_size_.isValid() ? narrow_size_ : sizeHint());
    change_settings([this](WindowSettings& s) { s.geometry = saveGeometry(); });
    return;
  }
  narrow_size_ = size();
  // What a pane needs around its text: frame, scroll bar, margins, the caret.
  const int chrome = z80_pane_->width() - z80_pane_->viewport()->width() +
                     2 * static_cast<int>(z80_pane_->document()->documentMargin()) + 2;
  const qreal column = QFontMetricsF(z80_pane_->font()).horizontalAdvance(QLatin1Char(' '));
  const int width = std::max(this->width(), std::min(wide_client_width(80, column, chrome) + this->width() - client_->width(),
                                                     available.width() - frame.width()));
  resize(width, height());
  // Still on the screen: moved left as far as it must.
  const int right = available.x() + available.width() - frame.width() - width;
  if (x() > right) move(std::max(available.x(), right), y());
  change_settings([this](WindowSettings& s) { s.geometry = saveGeometry(); });
}

int wide_client_width(int columns, qreal column_width, int pane_chrome) {
  // place(): the left pane is 20 pixels narrower than the right one, and the
  // buttons between them take 20.
  const int pane = static_cast<int>(std::ceil(columns * column_width)) + pane_chrome;
  return 2 * pane + 40;
}

QPoint centred_position(QSize outer, QRect screen) {
  return {screen.x() + std::max(0, (screen.width() - outer.width()) / 2),
          screen.y() + std::max(0, (screen.height() - outer.height()) / 2)};
}

}  // namespace frontend
