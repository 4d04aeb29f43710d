// While the window works (opens, converts, saves): the busy cursor and the
// panes read-only, and `flag` set, until the Busy goes. progress() shows a
// bar in the window's status bar, turns the menus and the given controls off
// (until the Busy goes) and lets the window paint and hear Escape.
#pragma once

#include <initializer_list>
#include <vector>

class QMainWindow;
class QPlainTextEdit;
class QProgressBar;
class QWidget;

namespace frontend {

class Busy {
 public:
  // The window, the panes and the controls must outlive the Busy.
  Busy(QMainWindow* window, std::initializer_list<QPlainTextEdit*> panes, std::initializer_list<QWidget*> controls,
       bool& flag);
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;
  ~Busy();

  void progress(int done, int total);

 private:
  QMainWindow* window_;
  std::vector<QPlainTextEdit*> panes_;
  std::vector<bool> read_only_;
  std::vector<QWidget*> controls_;
  bool& flag_;
  QProgressBar* bar_ = nullptr;
};

}  // namespace frontend
