// The questions and file choosers the window asks, behind an interface: the
// window uses Qt's dialogs, tests answer in their place.
#pragma once

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

namespace frontend {

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  enum class Answer { save, discard, cancel };
  // "Save changes to ...?" with Save, Discard and Cancel; Escape is Cancel.
  virtual Answer ask_save_changes(QWidget* parent, const QString& names) = 0;
  // A question about replacing a file (`text` says why), with Replace and
  // Cancel; Cancel is the default and Escape.
  virtual bool ask_replace(QWidget* parent, const QString& text) = 0;
  // "This does not look like a text file. Open anyway?"
  virtual bool ask_open_anyway(QWidget* parent, const QString& name) = 0;
  virtual void warn(QWidget* parent, const QString& text) = 0;
  // A file to open or to save as (empty: none chosen); starts in `start`.
  virtual QString open_file_name(QWidget* parent, const QString& caption, const QString& start,
                                 const QString& filters) = 0;
  virtual QString save_file_name(QWidget* parent, const QString& caption, const QString& start,
                                 const QString& filters) = 0;
};

std::unique_ptr<Dialogs> qt_dialogs();

// The message boxes qt_dialogs() shows, built but not shown. Every button has
// a mnemonic (Alt+S Save, Alt+D Don't Save, Alt+R Replace); Escape is Cancel.
std::unique_ptr<QMessageBox> save_changes_box(QWidget* parent, const QString& names);
std::unique_ptr<QMessageBox> replace_box(QWidget* parent, const QString& text);

}  // namespace frontend
