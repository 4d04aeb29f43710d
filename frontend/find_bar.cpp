#include "frontend/find_bar.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QToolButton>

namespace frontend {

FindBar::FindBar(QWidget* parent)
    : QWidget(parent), text_(new QLineEdit(this)), match_case_(new QCheckBox(tr("Match ca&se"), this)),
      whole_word_(new QCheckBox(tr("&Whole word"), this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->addWidget(new QLabel(tr("Find:"), this));
  layout->addWidget(text_, 1);
  layout->addWidget(match_case_);
  layout->addWidget(whole_word_);
  auto* next = new QPushButton(tr("&Next"), this);
  auto* previous = new QPushButton(tr("&Previous"), this);
  auto* close = new QToolButton(this);
  close->setText(QStringLiteral("×"));
  close->setToolTip(tr("Close the find bar (Escape)"));
  layout->addWidget(next);
  layout->addWidget(previous);
  layout->addWidget(close);
  connect(next, &QPushButton::clicked, this, &FindBar::find_next);
  connect(previous, &QPushButton::clicked, this, &FindBar::find_previous);
  connect(close, &QToolButton::clicked, this, &FindBar::close_bar);
  connect(text_, &QLineEdit::returnPressed, this, &FindBar::find_next);
  setFocusProxy(text_);
}

void FindBar::open_on(QPlainTextEdit* pane) {
  pane_ = pane;
  const QString selected = pane->textCursor().selectedText();
  if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) text_->setText(selected);
  show();
  text_->setFocus();
  text_->selectAll();
}

void FindBar::close_bar() {
  hide();
  if (pane_ != nullptr) pane_->setFocus();
}

bool FindBar::find_next() { return find(false); }
bool FindBar::find_previous() { return find(true); }

bool FindBar::find(bool backward) {
  if (pane_ == nullptr || text_->text().isEmpty()) return false;
  QTextDocument::FindFlags flags;
  if (backward) flags |= QTextDocument::FindBackward;
  if (match_case_->isChecked()) flags |= QTextDocument::FindCaseSensitively;
  if (whole_word_->isChecked()) flags |= QTextDocument::FindWholeWords;
  if (pane_->find(text_->text(), flags)) {
    emit found(pane_);
    return true;
  }
  // Round the end of the text, from the other end.
  const QTextCursor kept = pane_->textCursor();
  QTextCursor from(pane_->document());
  from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
  pane_->setTextCursor(from);
  if (pane_->find(text_->text(), flags)) {
    emit message(backward ? tr("Found from the end") : tr("Found from the start"));
    emit found(pane_);
    return true;
  }
  pane_->setTextCursor(kept);
  emit message(tr("\"%1\" is not found").arg(text_->text()));
  return false;
}

}  // namespace frontend
