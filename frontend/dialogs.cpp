#include "frontend/dialogs.hpp"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace frontend {
namespace {

class QtDialogs final : public Dialogs {
 public:
  Answer ask_save_changes(QWidget* parent, const QString& names) override {
    switch (save_changes_box(parent, names)->exec()) {
      case QMessageBox::Save: return Answer::save;
      case QMessageBox::Discard: return Answer::discard;
      default: return Answer::cancel;
    }
  }
  bool ask_replace(QWidget* parent, const QString& text) override {
    return replace_box(parent, text)->exec() == QMessageBox::Yes;
  }
  bool ask_open_anyway(QWidget* parent, const QString& name) override {
    return QMessageBox::question(parent, QObject::tr("Open file"),
                                 QObject::tr("%1: This does not look like a text file. Open anyway?").arg(name),
                                 QMessageBox::Open | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Open;
  }
  void warn(QWidget* parent, const QString& text) override {
    QMessageBox::warning(parent, QObject::tr("Z80 / 8080 source converter"), text);
  }
  QString open_file_name(QWidget* parent, const QString& caption, const QString& start,
                         const QString& filters) override {
    return QFileDialog::getOpenFileName(parent, caption, start, filters);
  }
  QString save_file_name(QWidget* parent, const QString& caption, const QString& start,
                         const QString& filters) override {
    return QFileDialog::getSaveFileName(parent, caption, start, filters);
  }
};

}  // namespace

std::unique_ptr<QMessageBox> save_changes_box(QWidget* parent, const QString& names) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QObject::tr("Unsaved changes"),
                                           QObject::tr("Save changes to %1?").arg(names),
                                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box->button(QMessageBox::Save)->setText(QObject::tr("&Save"));
  box->button(QMessageBox::Discard)->setText(QObject::tr("&Don't Save"));
  box->button(QMessageBox::Cancel)->setText(QObject::tr("Cancel"));
  box->setDefaultButton(QMessageBox::Save);
  box->setEscapeButton(QMessageBox::Cancel);
  return box;
}

std::unique_ptr<QMessageBox> replace_box(QWidget* parent, const QString& text) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QObject::tr("Replace file"), text,
                                           QMessageBox::Yes | QMessageBox::Cancel, parent);
  box->button(QMessageBox::Yes)->setText(QObject::tr("&Replace"));
  box->button(QMessageBox::Cancel)->setText(QObject::tr("Cancel"));
  box->setDefaultButton(QMessageBox::Cancel);
  box->setEscapeButton(QMessageBox::Cancel);
  return box;
}

std::unique_ptr<Dialogs> qt_dialogs() { return std::make_unique<QtDialogs>(); }

}  // namespace frontend
