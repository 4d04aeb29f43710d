// The converter's window: the Z80 pane on the left, the 8080 pane on the
// right, each under its caption, and between them ">" (Z80 -> 8080) and "<"
// (8080 -> Z80); a menu bar above and a status bar below.
//
// The client area opens at 640 x 480 with the controls where they have always
// been; the window can grow (and be maximised, not shrunk below that): the
// panes share the width equally and take the height, the buttons stay between
// them, the find bar opens in the strip below the panes.
//
// A convert button (or Ctrl+. and Ctrl+,) replaces the target pane with the
// translation of the source pane, one line per line, as one step of the
// window's history (edit_history.hpp); marked lines are tinted. The target
// keeps showing the lines the source shows, its caret on the source caret's
// line. The panes scroll together however they scroll.
//
// A conversion's result belongs to its source: the target keeps its file only
// when it was converted from the same source before. A conversion that runs
// over half a second shows a progress bar; Escape cancels it, and then
// neither pane changes. F8 walks the converted pane's marked and unproven
// lines from either pane. Each converted line shows its verdict in the
// pane's gutter (verdict_gutter.hpp), proven again as the user edits it.
//
// Files: File > Open (Ctrl+O into the focused pane), Save, Save As, Recent
// Files; a dropped file opens like a chosen one; a file from the command line
// alone goes to the pane of its notation. A pane's document carries its file
// and the form to write it back in (text_file.hpp). Saving over the other
// pane's file, a read-only file or another user's file asks first
// (save_target.hpp). The window asks before it closes with unsaved text.
//
// The status bar: a message area (shown while there is a message), the caret
// line's decision, the reason for its mark or why it is unproven, and each
// pane's counts (unproven lines named only when there are any); texts that
// do not fit are elided, with the whole text as tooltip.
//
// Sizes, the wide window, recent files, the last folder, the font size and
// the relative-jump choice are remembered (window_settings.hpp).
//
// The title names each pane's file ("untitled" without one), an unsaved one
// followed by "*" (Qt's "[*]", the window modified while either is).
// The window's code is split by job: main_window.cpp lays out, builds the
// menus and keeps the status bar; main_window_convert.cpp converts and keeps
// the verdicts; main_window_files.cpp opens, saves, remembers files and asks
// before closing.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "engine/text_encoding.hpp"
#include "frontend/dialogs.hpp"
#include "frontend/pane_commands.hpp"
#include "frontend/window_settings.hpp"

class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace frontend {

class Busy;
class EditHistory;
class ElidedLabel;
class EditorPane;
class FindBar;
struct PaneKind;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(std::unique_ptr<Dialogs> dialogs = qt_dialogs(), QWidget* parent = nullptr);
  ~MainWindow() override;

  EditorPane* z80_pane() const { return z80_pane_; }
  EditorPane* i8080_pane() const { return i8080_pane_; }
  QPushButton* to_8080_button() const { return to_8080_; }
  QPushButton* to_z80_button() const { return to_z80_; }
  QWidget* client() const { return client_; }
  FindBar* find_bar() const { return find_bar_; }
  EditHistory* history() const { return history_; }
  QLabel* pane_status(const EditorPane* pane) const;
  ElidedLabel* line_status() const { return line_status_; }
  ElidedLabel* message_area() const { return message_; }
  // A menu action by its object name ("save", "undo", "next_marked", ...).
  QAction* action(const char* name) const;

  // Opens the file into the pane (a question for a file that does not look
  // like text, a message for one that cannot be opened). True if it was opened.
  // With `detect`, a file whose notation is clear (engine/notation_detect.hpp)
  // goes into the pane of that notation instead, and the status bar says so.
  bool open_file(EditorPane* pane, const QString& path, bool detect = false);
  // Reads the pane's file again in the code page given, remembered for it.
  bool reopen_with_encoding(EditorPane* pane, engine::Encoding encoding);
  bool save(EditorPane* pane);
  bool save_as(EditorPane* pane);
  // The pane's file, empty if it has none.
  QString file_of(const EditorPane* pane) const;
  // The pane holds text that is not saved.
  bool unsaved(const EditorPane* pane) const;

 public slots:
  void convert_z80_to_8080();
  void convert_8080_to_z80();
  void undo();
  void redo();
  void next_marked();
  void previous_marked();
  // A conversion that runs longer than this shows its progress and can be
  // cancelled (500 ms unless set).
  void set_progress_after(int ms) { progress_after_ms_ = ms; }

  // View > Wide Window: at least 80 columns in each pane where the screen
  // allows (else as wide as it allows), and back to the size before.
  void set_wide(bool on);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void build_menus();
  void place(QSize size);
  void convert(EditorPane* source, EditorPane* target);
  void couple_scrolling(EditorPane* from, EditorPane* to);
  EditorPane* focused_pane() const;
  EditorPane* other(const EditorPane* pane) const;
  // What sets the pane apart (its notation, names, marking, translator).
  const PaneKind& kind(const EditorPane* pane) const;
  EditorPane* pane_of(engine::Notation notation) const;
  // The window works (opens, converts, saves) while the Busy lives.
  Busy working();
  // Reads the stored settings, lets `change` change them and stores them.
  static void change_settings(const std::function<void(WindowSettings&)>& change);
  bool write_pane(EditorPane* pane, const QString& path);
  void choose_and_open(EditorPane* pane);
  void go_to_marked(bool forward);
  void escape();
  void set_font_points(int points);
  void remember_file(EditorPane* pane, const QString& path);
  void fill_recent_menu();
  void update_title();
  void update_counts();
  void update_line_status();
  // How the line was decided, or why it is marked or unproven, and a warning
  // for a reserved name ("" past the last line): line_status.hpp in words.
  QString line_description(const EditorPane* pane, int line) const;
  void update_edit_actions();
  void follow_document(EditorPane* pane);
  // Proves again the lines an edit of a converted pane touched (QTextDocument::contentsChange).
  void reverify(int position, int removed, int added);

  std::unique_ptr<Dialogs> dialogs_;
  QWidget* client_;
  EditorPane* z80_pane_;
  QPushButton* to_8080_;
  QPushButton* to_z80_;
  QLabel* z80_label_;
  EditorPane* i8080_pane_;
  QLabel* i8080_label_;
  FindBar* find_bar_;
  QLabel* z80_status_;
  QLabel* i8080_status_;
  ElidedLabel* line_status_;
  ElidedLabel* message_;
  QMenu* recent_menu_ = nullptr;
  QTimer* counts_timer_;
  EditHistory* history_;
  EditorPane* last_focused_;
  bool coupling_ = false;  // a pane is being scrolled to follow the other
  int default_points_;
  QSize narrow_size_;
  bool busy_ = false;     // opening, converting or saving
  bool cancel_ = false;   // Escape during a conversion
  int progress_after_ms_ = 500;
};

// The window's title: each pane's file name, "[*]" after an unsaved one.
QString window_title(const QString& z80_name, bool z80_unsaved, const QString& i8080_name, bool i8080_unsaved);

// The client width that gives each pane `columns` columns of `column_width`
// pixels, a pane needing `pane_chrome` pixels more than its text.
int wide_client_width(int columns, qreal column_width, int pane_chrome);

// Where a window of outer size `outer` stands centred on `screen`: at the
// screen's edge in a dimension where the window is larger.
QPoint centred_position(QSize outer, QRect screen);

}  // namespace frontend
