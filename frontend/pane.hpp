// A pane as the translators see it: a list of lines.
//
// An empty pane holds no lines, except that after an empty line has been
// appended to an empty pane it holds one empty line (until it is cleared).
// Otherwise its lines are its text split at line breaks: a text that ends with a
// line break has an empty last line. A line carries no line-break character.
//
// The interface knows nothing of any window system: the editor panes of the
// window implement it, and so does MemoryPane, which tests use.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace frontend {

class Pane {
 public:
  virtual ~Pane() = default;

  virtual std::size_t count_lines() const = 0;
  // The line at index, from 0; called only with 0 <= index < count_lines().
  virtual std::u16string get_line(std::size_t index) const = 0;
  // The pane holds no lines; the one-empty-line state is forgotten.
  virtual void clear_pane() = 0;
  // text becomes the new last line, wherever the caret stands.
  virtual void append_line(std::u16string_view text) = 0;

  // Every line in order, each read once: the same as get_line for every index.
  virtual std::vector<std::u16string> all_lines() const;
  // The same as clear_pane and then append_line for every line; an editor does
  // it as one edit (one undo step, one layout).
  virtual void replace_lines(std::span<const std::u16string> lines);
};

// A pane held in memory.
class MemoryPane final : public Pane {
 public:
  MemoryPane() = default;
  explicit MemoryPane(std::vector<std::u16string> lines) : lines_(std::move(lines)) {}

  std::size_t count_lines() const override { return lines_.size(); }
  std::u16string get_line(std::size_t index) const override { return lines_.at(index); }
  void clear_pane() override { lines_.clear(); }
  void append_line(std::u16string_view text) override { lines_.emplace_back(text); }

  const std::vector<std::u16string>& lines() const { return lines_; }

 private:
  std::vector<std::u16string> lines_;
};

}  // namespace frontend
