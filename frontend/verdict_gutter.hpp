// The verdict of each translated line and the narrow column that shows it.
//
// After a conversion each line of the converted pane carries its proof
// (engine/verify.hpp): the source line beside it and the translated line
// encode alike (proven), the line holds no instruction (passed), it is
// marked, or the two differ (unproven). The verdict lives on the text block,
// so it follows the line through edits of the lines around it and through
// undo and redo (each conversion's document keeps its own).
//
// The gutter, left of the pane's text, shows a tick for a proven line, a red
// cross for an unproven one, the mark tint for a marked one and nothing for a
// passed one or a line without a verdict.
#pragma once

#include <QWidget>
#include <optional>
#include <string_view>

#include "engine/pipeline.hpp"

class QTextBlock;

namespace frontend {

class EditorPane;

// The proof of a translated line against its source line (engine::verify_line).
// A line beside no source line is given an empty one: it is unproven if it
// holds an instruction.
engine::Proof line_verdict(engine::Direction direction, std::u16string_view source, std::u16string_view translation,
                           const engine::Options& options = {});

// The verdict a block carries, none if no conversion or edit gave it one.
std::optional<engine::Proof> verdict_of(const QTextBlock& block);
void set_verdict(QTextBlock& block, engine::Proof proof);

class VerdictGutter : public QWidget {
 public:
  explicit VerdictGutter(EditorPane* pane);
  // Width in pixels, from the pane's font.
  int gutter_width() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  EditorPane* pane_;
};

}  // namespace frontend
