// The window's one history of changes to both panes.
//
// Every undo level a pane's document records (typing, cut, paste, replace)
// becomes a step of the history; so does each replacement of a pane's whole
// document (a translation, an opened file), which keeps the document it
// replaced, with its own undo levels and the states of its lines. Undo and
// redo walk the steps in the order they were made, whichever pane they belong
// to: after a translation, undo brings back the text the target pane held,
// and nothing typed before it is lost.
//
// A document that no step can bring back any more is deleted with the last
// step that held it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QUndoStack;
class QTextDocument;

namespace frontend {

class EditorPane;

class EditHistory : public QObject {
  Q_OBJECT

 public:
  explicit EditHistory(QObject* parent = nullptr);

  // Records the pane's edits from now on, whatever document it shows.
  void watch(EditorPane* pane);

  // Shows `document` in the pane as one step.
  void replace_document(EditorPane* pane, QTextDocument* document, const QString& what);

  bool can_undo() const;
  bool can_redo() const;
  QString undo_text() const;
  QString redo_text() const;

 public slots:
  void undo();
  void redo();

 signals:
  // The pane a step was undone or redone in.
  void stepped(EditorPane* pane, const QString& what, bool undone);
  void changed();

 private:
  void record(EditorPane* pane, QTextDocument* document);

  QUndoStack* stack_;
  bool replaying_ = false;  // a step is being undone or redone: the documents' own signals are ours
};

}  // namespace frontend
