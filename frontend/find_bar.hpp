// The find bar: a text, "Match case" and "Whole word", and buttons for the
// next and previous occurrence. It finds in the pane it was opened on; the
// search goes round the ends of the text, and says so. Closed (Escape, the
// close button), it gives the focus back to that pane. Alt+S, Alt+W, Alt+N
// and Alt+P reach its controls.
#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace frontend {

class FindBar : public QWidget {
  Q_OBJECT

 public:
  explicit FindBar(QWidget* parent = nullptr);

  // Shows the bar for the pane, with the pane's selection as the text to find.
  void open_on(QPlainTextEdit* pane);
  QPlainTextEdit* pane() const { return pane_; }
  QLineEdit* text() const { return text_; }
  QCheckBox* match_case() const { return match_case_; }
  QCheckBox* whole_word() const { return whole_word_; }

 public slots:
  void close_bar();
  // Selects the next (previous) occurrence in the pane. Returns whether there is one.
  bool find_next();
  bool find_previous();

 signals:
  void message(const QString& text);
  void found(QPlainTextEdit* pane);

 private:
  bool find(bool backward);

  QPlainTextEdit* pane_ = nullptr;
  QLineEdit* text_;
  QCheckBox* match_case_;
  QCheckBox* whole_word_;
};

}  // namespace frontend
