// What the window remembers between runs, in QSettings ("z80tools",
// "converter"), read and written here only.
//
// The keys and values are those of every earlier version, so that a user's
// stored settings are read as before: fontSize (int), jrAsJump, keepLayout,
// wideWindow (bool), geometry (QWidget::saveGeometry), lastFolder (the folder
// of the last file opened or saved), recent/z80 and recent/8080 (the newest
// file first, at most kRecentFiles), and encodings/PATH (the code page chosen
// for the file PATH, by engine::encoding_short_name).
//
// write_settings writes what is set: a font size of 0, an empty geometry, an
// empty folder and an empty recent list leave their keys as they are, so a
// first run stores nothing it has not chosen. The window reads the settings
// afresh before each change, so that two windows (two runs) lose nothing of
// each other's recent files.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "engine/dialect.hpp"
#include "engine/text_encoding.hpp"

namespace frontend {

inline constexpr int kRecentFiles = 8;

struct WindowSettings {
  int font_points = 0;  // 0: the editor's own size
  bool jr_as_jump = false;
  bool keep_layout = false;
  bool wide_window = false;
  QByteArray geometry;
  QString last_folder;
  QStringList recent_z80, recent_8080;

  QStringList& recent(engine::Notation n) { return n == engine::Notation::z80 ? recent_z80 : recent_8080; }
  const QStringList& recent(engine::Notation n) const {
    return n == engine::Notation::z80 ? recent_z80 : recent_8080;
  }
};

WindowSettings read_settings();
void write_settings(const WindowSettings& settings);

// Puts path first in a recent-files list, once, and keeps kRecentFiles at most.
void add_recent(QStringList& recent, const QString& path);

// The code page chosen for the file (an absolute path), if one was; UTF-8
// forgets the choice.
std::optional<engine::Encoding> chosen_encoding(const QString& path);
void choose_encoding(const QString& path, engine::Encoding encoding);

}  // namespace frontend
