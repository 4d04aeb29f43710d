#include "frontend/busy.hpp"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>

namespace frontend {

Busy::Busy(QMainWindow* window, std::initializer_list<QPlainTextEdit*> panes, std::initializer_list<QWidget*> controls,
           bool& flag)
    : window_(window), panes_(panes), controls_(controls), flag_(flag) {
  flag_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  for (QPlainTextEdit* p : panes_) {
    read_only_.push_back(p->isReadOnly());
    p->setReadOnly(true);
  }
}

Busy::~Busy() {
  QApplication::restoreOverrideCursor();
  for (std::size_t i = 0; i < panes_.size(); ++i) panes_[i]->setReadOnly(read_only_[i]);
  if (bar_ != nullptr) {
    window_->statusBar()->removeWidget(bar_);
    delete bar_;
    window_->menuBar()->setEnabled(true);
    for (QWidget* c : controls_) c->setEnabled(true);
  }
  flag_ = false;
}

void Busy::progress(int done, int total) {
  if (bar_ == nullptr) {
    bar_ = new QProgressBar(window_);
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setMaximumWidth(160);
    bar_->setFormat(QApplication::translate("frontend::MainWindow", "%p% (Escape cancels)"));
    window_->statusBar()->insertPermanentWidget(0, bar_);
    window_->menuBar()->setEnabled(false);
    for (QWidget* c : controls_) c->setEnabled(false);
  }
  bar_->setRange(0, total);
  bar_->setValue(done);
  QCoreApplication::processEvents();
}

}  // namespace frontend
