// An editor pane of the window.
//
// A plain-text editor that never wraps lines, with tab stops every 8 character
// widths and both scroll bars. A typed Tab inserts a tab; Tab with Ctrl, Shift
// or Alt moves the focus (Shift: backwards). The selection stays visible when the
// pane loses the focus. A right click (or the menu key) opens the pane's context
// menu at the mouse: "Cut", "Copy", "Paste", a separator and the select-all item.
// The pane accepts dropped files only, with the copy effect, and reports the
// first one; a dragged text selection is refused. Lines set by set_marked_lines
// are shown on a tinted background until the pane is edited or cleared.
//
// As a Pane it holds the lines of its document (see pane.hpp). replace_lines is
// one edit: once the editor's own undo history is used up, Ctrl+Z restores the
// text the pane held before.
#pragma once

#include <QPlainTextEdit>
#include <optional>
#include <vector>

#include "frontend/pane.hpp"

class QMenu;

namespace frontend {

class EditorPane : public QPlainTextEdit, public Pane {
  Q_OBJECT

 public:
  // select_all_text: the fourth item of the context menu.
  EditorPane(const QString& select_all_text, QWidget* parent = nullptr);

  std::size_t count_lines() const override;
  std::u16string get_line(std::size_t index) const override;
  void clear_pane() override;
  void append_line(std::u16string_view text) override;
  std::vector<std::u16string> all_lines() const override;
  void replace_lines(std::span<const std::u16string> lines) override;

  // Tints the given lines (indices from 0).
  void set_marked_lines(const std::vector<std::size_t>& lines);
  std::vector<std::size_t> marked_lines() const;

  QMenu* context_menu() const { return menu_; }
  int first_visible_line() const;
  void scroll_to_line(int line);

 signals:
  void file_dropped(const QString& path);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // Replaces the whole document by text as one edit.
  void set_text(const QString& text);
  // Brings back the text the last set_text replaced, if the editor has no undo
  // steps of its own left. Returns whether it did.
  bool undo_replacement();
  void forget_marks();

  struct Previous {
    QString text;
    bool one_empty_line;
  };
  std::optional<Previous> before_;  // what the last set_text replaced

  QMenu* menu_;
  bool one_empty_line_ = false;  // an empty line was appended to the empty pane
  bool setting_text_ = false;
  std::vector<char> marked_;     // per line: shown tinted
};

}  // namespace frontend
