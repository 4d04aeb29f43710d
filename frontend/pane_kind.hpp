// What sets the window's two panes apart, in one place: the notation each
// holds and what follows from it (names, file filter, the marking its
// converted lines carry, the translator that converts it into the other).
//
// The texts are marked for translation here and translated where they are
// shown (MainWindow::tr), never at static initialisation.
#pragma once

#include <QtGlobal>
#include <string_view>

#include "engine/dialect.hpp"
#include "engine/pipeline.hpp"
#include "frontend/pane_commands.hpp"

namespace frontend {

struct PaneKind {
  engine::Notation notation;
  const char* name;           // "Z80", "8080"
  const char* untitled;       // the close question's name for its untitled text
  const char* open_action;    // File menu: the object name and text of its Open
  const char* open_text;
  const char* conversion;     // the history's name for converting it
  const char* open_title;     // the file dialogs' captions
  const char* save_title;
  const char* filter;         // the file dialogs' filter for its sources
  std::u16string_view marking;  // what a conversion into it writes on a line it cannot convert
  engine::Direction from_here;  // converting it into the other pane
  Translator translate;
};

inline const PaneKind kZ80Kind{
    engine::Notation::z80,
    QT_TRANSLATE_NOOP("frontend::MainWindow", "Z80"),
    QT_TRANSLATE_NOOP("frontend::MainWindow", "the untitled Z80 text"),
    "open_z80",
    QT_TRANSLATE_NOOP("frontend::MainWindow", "Open Z80..."),
    QT_TRANSLATE_NOOP("frontend::MainWindow", "conversion Z80 -> 8080"),
    QT_TRANSLATE_NOOP("frontend::MainWindow", "Open Z80 source"),
    QT_TRANSLATE_NOOP("frontend::MainWindow", "Save Z80 source"),
    QT_TRANSLATE_NOOP("frontend::MainWindow", "Z80 source (*.z80 *.asm *.mac *.s *.inc)"),
    engine::marking(engine::Direction::i8080_to_z80),
    engine::Direction::z80_to_8080,
    engine::translate_z80_to_8080,
};

inline const PaneKind k8080Kind{
    engine::Notation::i8080,
    QT_TRANSLATE_NOOP("frontend::MainWindow", "8080"),
    QT_TRANSLATE_NOOP("frontend::MainWindow", "the untitled 8080 text"),
    "open_8080",
    QT_TRANSLATE_NOOP("frontend::MainWindow", "Open 8080..."),
    QT_TRANSLATE_NOOP("frontend::MainWindow", "conversion 8080 -> Z80"),
    QT_TRANSLATE_NOOP("frontend::MainWindow", "Open 8080 source"),
    QT_TRANSLATE_NOOP("frontend::MainWindow", "Save 8080 source"),
    QT_TRANSLATE_NOOP("frontend::MainWindow", "8080 source (*.asm *.a80 *.mac *.s *.inc)"),
    engine::marking(engine::Direction::z80_to_8080),
    engine::Direction::i8080_to_z80,
    engine::translate_8080_to_z80,
};

}  // namespace frontend
