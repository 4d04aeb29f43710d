#include "frontend/edit_history.hpp"

#include <QTextDocument>
#include <QUndoCommand>
#include <QUndoStack>

#include "frontend/editor_pane.hpp"

namespace frontend {
namespace {

// One undo level of a document: undone and redone by the document itself.
class DocumentStep : public QUndoCommand {
 public:
  DocumentStep(EditorPane* pane, QTextDocument* document, const QString& text)
      : QUndoCommand(text), pane_(pane), document_(document) {}
  void undo() override {
    if (document_) document_->undo();
  }
  void redo() override {
    if (first_) {  // the document has just made this change itself
      first_ = false;
      return;
    }
    if (document_) document_->redo();
  }
  EditorPane* pane() const { return pane_; }

 private:
  QPointer<EditorPane> pane_;
  QPointer<QTextDocument> document_;
  bool first_ = true;
};

// How many steps can show a document again.
const char* const kHolders = "history_holders";

void hold(QTextDocument* d) { d->setProperty(kHolders, d->property(kHolders).toInt() + 1); }

// A document that no step holds any more and the pane does not show goes.
void release(QTextDocument* d, const EditorPane* pane) {
  const int holders = d->property(kHolders).toInt() - 1;
  d->setProperty(kHolders, holders);
  if (holders <= 0 && (pane == nullptr || pane->document() != d)) d->deleteLater();
}

// A pane's whole document replaced by another.
class ReplaceStep : public QUndoCommand {
 public:
  ReplaceStep(EditorPane* pane, QTextDocument* before, QTextDocument* after, const QString& text)
      : QUndoCommand(text), pane_(pane), before_(before), after_(after) {
    hold(before);
    hold(after);
  }
  ~ReplaceStep() override {
    for (QTextDocument* d : {before_.data(), after_.data()}) {
      if (d != nullptr) release(d, pane_);
    }
  }
  void undo() override { show(before_); }
  void redo() override { show(after_); }
  EditorPane* pane() const { return pane_; }

 private:
  void show(QTextDocument* document) {
    if (pane_ && document != nullptr) pane_->install(document);
  }

  QPointer<EditorPane> pane_;
  QPointer<QTextDocument> before_, after_;
};

EditorPane* pane_of(const QUndoCommand* command) {
  if (const auto* d = dynamic_cast<const DocumentStep*>(command)) return d->pane();
  if (const auto* r = dynamic_cast<const ReplaceStep*>(command)) return r->pane();
  return nullptr;
}

}  // namespace

EditHistory::EditHistory(QObject* parent) : QObject(parent), stack_(new QUndoStack(this)) {
  stack_->setUndoLimit(2000);
  connect(stack_, &QUndoStack::indexChanged, this, &EditHistory::changed);
}

void EditHistory::watch(EditorPane* pane) {
  connect(pane, &EditorPane::document_installed, this, [this, pane] { record(pane, pane->document()); });
  record(pane, pane->document());
}

void EditHistory::record(EditorPane* pane, QTextDocument* document) {
  // Connected once per document.
  if (document->property("recorded").toBool()) return;
  document->setProperty("recorded", true);
  connect(document, &QTextDocument::undoCommandAdded, this, [this, pane, document] {
    if (replaying_) return;
    stack_->push(new DocumentStep(pane, document, tr("Typing")));
  });
}

void EditHistory::replace_document(EditorPane* pane, QTextDocument* document, const QString& what) {
  stack_->push(new ReplaceStep(pane, pane->document(), document, what));
  record(pane, document);
}

bool EditHistory::can_undo() const { return stack_->canUndo(); }
bool EditHistory::can_redo() const { return stack_->canRedo(); }
QString EditHistory::undo_text() const { return stack_->undoText(); }
QString EditHistory::redo_text() const { return stack_->redoText(); }

void EditHistory::undo() {
  if (!stack_->canUndo()) return;
  const QUndoCommand* step = stack_->command(stack_->index() - 1);
  EditorPane* pane = pane_of(step);
  const QString what = step->text();
  replaying_ = true;
  stack_->undo();
  replaying_ = false;
  emit stepped(pane, what, true);
}

void EditHistory::redo() {
  if (!stack_->canRedo()) return;
  const QUndoCommand* step = stack_->command(stack_->index());
  EditorPane* pane = pane_of(step);
  const QString what = step->text();
  replaying_ = true;
  stack_->redo();
  replaying_ = false;
  emit stepped(pane, what, false);
}

}  // namespace frontend
