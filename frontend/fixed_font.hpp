// The font of the source panes: one whose characters all take the same width,
// so that columns and tab stops line up.
//
// The system's fixed-pitch font comes first. Qt calls some monospaced fonts
// proportional (fontconfig's "monospace" may lead to a family that also holds
// wide glyphs), so a font counts as fixed-pitch when Qt says so or when the
// printable ASCII characters all have one advance. If the system's choice is
// neither, the usual monospaced families are tried in turn, then every family
// the font database calls fixed-pitch.
#pragma once

#include <QFont>

namespace frontend {

// Every printable ASCII character has the same advance in this font.
bool monospaced(const QFont& font);

QFont fixed_pitch_font();

}  // namespace frontend
