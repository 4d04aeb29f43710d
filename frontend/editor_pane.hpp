// An editor pane of the window.
//
// A plain-text editor that never wraps lines, in a fixed-pitch font (fixed_font.hpp)
// with tab stops every 8 characters, and both scroll bars. A typed Tab inserts
// a tab; Tab with Ctrl, Shift or Alt moves the focus (Shift: backwards). The
// selection stays visible when the pane loses the focus. A right click (or the
// menu key) opens the pane's context menu at the mouse: Undo, Redo, Cut, Copy,
// Paste and the select-all item, with their keys; Cut and Copy only with a
// selection. The pane accepts dropped files only, with the copy effect, and
// reports the first one; a dragged text selection is refused.
//
// Each line (text block) may carry the state of a translation
// (pane_commands.hpp): how it was decided and whether it is marked. Marked
// lines are tinted and show as ticks beside the vertical scroll bar. Editing
// a line drops its own state only; the others keep theirs until the document
// is replaced. Whether a line is marked follows its text: a line that carries
// the pane's marking (set_marking) is marked, however it got there (typed,
// undone, redone, read from a file), and one that no longer does is not.
//
// A narrow gutter left of the text shows each line's verdict, if it has one
// (verdict_gutter.hpp). F8's walk (find_marked) stops at marked and at
// unproven lines.
//
// Undo and redo keys are not the editor's: the pane asks the window, which
// keeps one history of both panes (edit_history.hpp). A document is replaced
// whole (a translation, a file) by install().
//
// As a Pane it holds the lines of its document (see pane.hpp).
#pragma once

#include <QPlainTextEdit>
#include <QPointer>
#include <vector>

#include "frontend/pane.hpp"

class QMenu;
class QTimer;
class QTextBlock;
class QTextDocument;

namespace frontend {

class MarkScrollBar;
class VerdictGutter;

class EditorPane : public QPlainTextEdit, public Pane {
  Q_OBJECT

 public:
  // select_all_text: the last item of the context menu.
  EditorPane(const QString& select_all_text, QWidget* parent = nullptr);

  std::size_t count_lines() const override;
  std::u16string get_line(std::size_t index) const override;
  void clear_pane() override;
  void append_line(std::u16string_view text) override;
  std::vector<std::u16string> all_lines() const override;
  void replace_lines(std::span<const std::u16string> lines) override;

  // A new document with these lines and states (-1: none), owned by the pane,
  // not yet shown. Lines "a" and "" make a document of two blocks, no lines
  // one empty block.
  QTextDocument* make_document(const std::vector<std::u16string>& lines, const std::vector<int>& states = {});
  // The same from the lines joined with line feeds.
  QTextDocument* make_document(const QString& text, bool one_empty_line, const std::vector<int>& states = {});
  // Shows the document (one of make_document's), with the pane's font and tab stops.
  void install(QTextDocument* document);
  // Puts text (lines joined with line feeds) and states into the document the
  // pane shows, which must be empty: laid out once, as it goes in.
  void fill(const QString& text, bool one_empty_line, const std::vector<int>& states);

  // The not-convertible marking of this pane's notation (the translation into
  // it writes this text); lines that carry it are marked.
  void set_marking(std::u16string_view marking);
  // The state of a line marked by its text alone, the conversion's decision unknown.
  static constexpr int kMarkedByText = 1;

  // Marks the given lines (indices from 0), dropping every other state.
  void set_marked_lines(const std::vector<std::size_t>& lines);
  std::vector<std::size_t> marked_lines() const;
  bool is_marked(int line) const;
  // The state of a line, -1 if it has none.
  int line_state(int line) const;
  // The next (or previous) marked or unproven line after (or before) `from`,
  // going round the ends; -1 if there is none. `wrapped` tells whether it went round.
  int find_marked(int from, bool forward, bool& wrapped) const;
  // Whether any line is marked or unproven: somewhere find_marked stops.
  bool has_stops() const;
  std::size_t count_unproven() const;
  // The verdicts changed: the gutter shows them again.
  void verdicts_changed();

  // For the gutter: the first block in view, and where a block stands in
  // viewport coordinates.
  QTextBlock first_visible_block() const;
  QRectF block_rect(const QTextBlock& block) const;

  QMenu* context_menu() const { return menu_; }
  int first_visible_line() const;
  void scroll_to_line(int line);
  // Puts the caret at the start of a line (and selects it with `select`,
  // the caret staying at the start).
  void go_to_line(int line, bool select);

  int font_points() const;
  void set_font_points(int points);

 signals:
  void file_dropped(const QString& path);
  void undo_asked();
  void redo_asked();
  // The marked lines may have changed (a document was installed, a line edited).
  void marks_changed();
  // install() showed a new document.
  void document_installed();

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void place_gutter();
  void watch(QTextDocument* document);
  void update_ticks();
  bool marked_text(const QTextBlock& block) const;

  QMenu* menu_;
  QAction* cut_;
  QAction* copy_;
  MarkScrollBar* scroll_bar_;
  VerdictGutter* gutter_;
  QTimer* ticks_timer_;
  bool one_empty_line_ = false;  // an empty line was appended to the empty pane
  QPointer<QTextDocument> watched_;
  std::u16string marking_;
};

}  // namespace frontend
