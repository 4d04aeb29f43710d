// The window's files: opening, reading again in another code page, saving,
// the recent files and the last folder, the title, and the question before
// the window closes with unsaved text.
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStatusBar>

#include "engine/notation_detect.hpp"
#include "fileio/safe_file.hpp"
#include "frontend/busy.hpp"
#include "frontend/document_file.hpp"
#include "frontend/edit_history.hpp"
#include "frontend/editor_pane.hpp"
#include "frontend/main_window.hpp"
#include "frontend/pane_kind.hpp"
#include "frontend/save_target.hpp"
#include "frontend/text_file.hpp"

namespace frontend {

QString MainWindow::file_of(const EditorPane* pane) const { return file_path(pane->document()); }

bool MainWindow::unsaved(const EditorPane* pane) const {
  return pane->document()->isModified() && !pane->document()->isEmpty();
}

QString window_title(const QString& z80_name, bool z80_unsaved, const QString& i8080_name, bool i8080_unsaved) {
  const auto name = [](const QString& file, bool unsaved) {
    return (file.isEmpty() ? MainWindow::tr("untitled") : file) + (unsaved ? QStringLiteral("[*]") : QString());
  };
  return MainWindow::tr("%1 | %2 - Z80 / 8080 source converter")
      .arg(name(z80_name, z80_unsaved), name(i8080_name, i8080_unsaved));
}

void MainWindow::update_title() {
  const auto name = [this](const EditorPane* pane) { return QFileInfo(file_of(pane)).fileName(); };
  // The title first: it has its "[*]" by the time the window is modified.
  setWindowTitle(window_title(name(z80_pane_), unsaved(z80_pane_), name(i8080_pane_), unsaved(i8080_pane_)));
  setWindowModified(unsaved(z80_pane_) || unsaved(i8080_pane_));
}

void MainWindow::change_settings(const std::function<void(WindowSettings&)>& change) {
  WindowSettings s = read_settings();
  change(s);
  write_settings(s);
}

void MainWindow::choose_and_open(EditorPane* pane) {
  const PaneKind& k = kind(pane);
  const QString folder = read_settings().last_folder;
  const QString path = dialogs_->open_file_name(this, tr(k.open_title), folder.isEmpty() ? QDir::homePath() : folder,
                                                tr(k.filter) + QStringLiteral(";;") + tr("All files (*)"));
  if (!path.isEmpty()) open_file(pane, path);
}

bool MainWindow::open_file(EditorPane* pane, const QString& path, bool detect) {
  if (busy_) return false;
  const std::optional<engine::Encoding> chosen = chosen_encoding(QFileInfo(path).absoluteFilePath());
  const auto read_file = [&](bool accept_binary) {
    Busy busy = working();
    return read_text_file(path.toStdString(), accept_binary, chosen);
  };
  ReadResult read = read_file(false);
  if (read.status.refusal() == fileio::Status::Refusal::not_text) {
    if (!dialogs_->ask_open_anyway(this, path)) return false;
    read = read_file(true);
  }
  if (!read.status.ok()) {
    dialogs_->warn(this, QString::fromStdString(describe_problem(read.status)));
    return false;
  }
  Busy busy = working();
  bool detected = false;
  if (detect) {
    // The file's own notation picks its pane; a near tie keeps the one asked for.
    engine::NotationCount count;
    for (const std::u16string& line : read.file.lines) count.add_line(line);
    if (const std::optional<engine::Notation> n = count.notation()) {
      pane = pane_of(*n);
      detected = true;
    }
  }
  QTextDocument* document = pane->make_document(read.file.lines);
  set_file(document, QFileInfo(path).absoluteFilePath(), read.file.format);
  history_->replace_document(pane, document, tr("open %1").arg(QFileInfo(path).fileName()));
  pane->moveCursor(QTextCursor::Start);
  pane->scroll_to_line(0);
  remember_file(pane, QFileInfo(path).absoluteFilePath());
  if (detected) {
    statusBar()->showMessage(
        tr("%1 looks like %2 source: opened in the %2 pane").arg(QFileInfo(path).fileName(), tr(kind(pane).name)), 6000);
  }
  return true;
}

bool MainWindow::reopen_with_encoding(EditorPane* pane, engine::Encoding encoding) {
  const QString path = file_of(pane);
  if (path.isEmpty()) {
    statusBar()->showMessage(tr("This pane has no file to read again"), 4000);
    return false;
  }
  choose_encoding(QFileInfo(path).absoluteFilePath(), encoding);  // the next open reads it so too
  return open_file(pane, path);
}

bool MainWindow::save(EditorPane* pane) {
  const QString path = file_of(pane);
  return path.isEmpty() ? save_as(pane) : write_pane(pane, path);
}

bool MainWindow::save_as(EditorPane* pane) {
  QString start = file_of(pane);
  if (const std::optional<ConvertedFrom> from = converted_from(pane->document()); start.isEmpty() && from) {
    // A converted pane proposes the other pane's file with this notation's extension.
    start = QString::fromStdString(
        converted_name(file_of(pane_of(from->notation)).toStdString(), from->notation == engine::Notation::z80));
  }
  if (start.isEmpty()) start = read_settings().last_folder;
  if (start.isEmpty()) start = QDir::homePath();
  const PaneKind& k = kind(pane);
  const QString path =
      dialogs_->save_file_name(this, tr(k.save_title), start, tr(k.filter) + QStringLiteral(";;") + tr("All files (*)"));
  return !path.isEmpty() && write_pane(pane, path);
}

bool MainWindow::write_pane(EditorPane* pane, const QString& path) {
  if (busy_) return false;
  const EditorPane* shown = other(pane);
  const QString name = QFileInfo(path).fileName();
  switch (replace_concern(path.toStdString(), file_of(shown).toStdString())) {
    case ReplaceConcern::none: break;
    case ReplaceConcern::other_pane:
      if (!dialogs_->ask_replace(this, tr("%1 is the file shown in the %2 pane. Replace it with the text of the %3 pane?")
                                           .arg(name, tr(kind(shown).name), tr(kind(pane).name)))) {
        return false;
      }
      break;
    case ReplaceConcern::read_only:
      if (!dialogs_->ask_replace(this, tr("%1 is read-only. Replace it all the same?").arg(name))) return false;
      break;
    case ReplaceConcern::other_owner:
      if (!dialogs_->ask_replace(this, tr("%1 belongs to another user. Replace it all the same?").arg(name))) return false;
      break;
  }
  const bool replaces_shown = same_file(path.toStdString(), file_of(shown).toStdString());
  QTextDocument* document = pane->document();
  const FileFormat format = format_of(document);
  fileio::Status written;
  {
    Busy busy = working();
    written = fileio::write_file(path.toStdString(), file_bytes(pane->all_lines(), format));
  }
  if (!written.ok()) {
    dialogs_->warn(this, tr("The file was not saved: %1.").arg(QString::fromStdString(written.message())));
    return false;
  }
  set_file(document, QFileInfo(path).absoluteFilePath(), format);
  document->setModified(false);
  // The other pane's text is now kept nowhere: it is unsaved (saving it puts
  // it back).
  if (replaces_shown) shown->document()->setModified(true);
  remember_file(pane, QFileInfo(path).absoluteFilePath());
  update_title();
  statusBar()->showMessage(tr("Saved %1").arg(path), 4000);
  return true;
}

void MainWindow::remember_file(EditorPane* pane, const QString& path) {
  change_settings([&](WindowSettings& s) {
    add_recent(s.recent(kind(pane).notation), path);
    s.last_folder = QFileInfo(path).absolutePath();
  });
}

void MainWindow::fill_recent_menu() {
  recent_menu_->clear();
  const WindowSettings s = read_settings();
  bool any = false;
  for (EditorPane* pane : {z80_pane_, i8080_pane_}) {
    const QStringList& recent = s.recent(kind(pane).notation);
    if (recent.isEmpty()) continue;
    recent_menu_->addSection(tr(kind(pane).name));
    for (const QString& path : recent) {
      recent_menu_->addAction(path, this, [this, pane, path] { open_file(pane, path); });
    }
    any = true;
  }
  if (!any) recent_menu_->addAction(tr("No recent files"))->setEnabled(false);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {  // a conversion is running: it stops, the window stays
    cancel_ = true;
    event->ignore();
    return;
  }
  std::vector<EditorPane*> panes;
  QStringList names;
  for (EditorPane* pane : {z80_pane_, i8080_pane_}) {
    if (!unsaved(pane)) continue;
    panes.push_back(pane);
    const QString path = file_of(pane);
    names << (path.isEmpty() ? tr(kind(pane).untitled) : QFileInfo(path).fileName());
  }
  if (!panes.empty()) {
    switch (dialogs_->ask_save_changes(this, names.join(tr(" and ")))) {
      case Dialogs::Answer::cancel:
        event->ignore();
        return;
      case Dialogs::Answer::save:
        for (EditorPane* pane : panes) {
          if (!save(pane)) {
            event->ignore();
            return;
          }
        }
        break;
      case Dialogs::Answer::discard:
        break;
    }
  }
  change_settings([this](WindowSettings& s) { s.geometry = saveGeometry(); });
  event->accept();
}

}  // namespace frontend
