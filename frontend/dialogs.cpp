#include "frontend/dialogs.hpp"

#include <QFileDialog>
#include <QMessageBox>

namespace frontend {
namespace {

class QtDialogs final : public Dialogs {
 public:
  Answer ask_save_changes(QWidget* parent, const QString& names) override {
    QMessageBox box(QMessageBox::Warning, QObject::tr("Unsaved changes"),
                    QObject::tr("Save changes to %1?").arg(names),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
      case QMessageBox::Save: return Answer::save;
      case QMessageBox::Discard: return Answer::discard;
      default: return Answer::cancel;
    }
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

std::unique_ptr<Dialogs> qt_dialogs() { return std::make_unique<QtDialogs>(); }

}  // namespace frontend
