// The converter's window: the Z80 pane on the left, the 8080 pane on the right,
// each under its caption, and between them ">" (Z80 -> 8080) and "<" (8080 ->
// Z80). Fixed client area of 640 x 480; no maximise button.
//
// A convert button empties the target pane and fills it with the translation of
// the source pane, one line per line, as one undo step; lines marked not
// convertible are tinted. A file dropped on a pane replaces its text (a file that
// cannot be read leaves the pane as it was). Scrolling one pane scrolls the other
// to the same first visible line, as near as its length allows. The close box,
// Alt+F4 and Escape close the window; nothing is saved.
#pragma once

#include <QWidget>

#include "frontend/pane_commands.hpp"

class QLabel;
class QPushButton;

namespace frontend {

class EditorPane;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);

  EditorPane* z80_pane() const { return z80_pane_; }
  EditorPane* i8080_pane() const { return i8080_pane_; }
  QPushButton* to_8080_button() const { return to_8080_; }
  QPushButton* to_z80_button() const { return to_z80_; }

 public slots:
  void convert_z80_to_8080();
  void convert_8080_to_z80();

 private:
  void convert(EditorPane* source, EditorPane* target, Translator translate);
  void load_dropped_file(EditorPane* pane, const QString& path);
  void couple_scrolling(EditorPane* from, EditorPane* to);

  EditorPane* z80_pane_;
  QPushButton* to_8080_;
  QPushButton* to_z80_;
  QLabel* z80_label_;
  EditorPane* i8080_pane_;
  QLabel* i8080_label_;
  bool coupling_ = false;  // a pane is being scrolled to follow the other
};

// Where a window of outer size `outer` stands centred on `screen`: at the
// screen's edge in a dimension where the window is larger.
QPoint centred_position(QSize outer, QRect screen);

}  // namespace frontend
