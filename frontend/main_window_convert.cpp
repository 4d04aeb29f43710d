// The window's conversions: one pane translated into the other as one step
// of the history, each line's verdict proven in the same pass, and the
// verdicts of a converted pane proven again as the user edits it.
#include <QElapsedTimer>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>

#include "engine/macro_names.hpp"
#include "engine/verify.hpp"
#include "frontend/busy.hpp"
#include "frontend/document_file.hpp"
#include "frontend/edit_history.hpp"
#include "frontend/editor_pane.hpp"
#include "frontend/line_status.hpp"
#include "frontend/main_window.hpp"
#include "frontend/pane_kind.hpp"
#include "frontend/verdict_gutter.hpp"

namespace frontend {
namespace {

std::u16string_view view_of(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

}  // namespace

void MainWindow::convert_z80_to_8080() { convert(z80_pane_, i8080_pane_); }

void MainWindow::convert_8080_to_z80() { convert(i8080_pane_, z80_pane_); }

void MainWindow::convert(EditorPane* source, EditorPane* target) {
  const PaneKind& from = kind(source);
  if (busy_) return;
  const int top = source->first_visible_line();
  const int caret = source->textCursor().blockNumber();
  engine::Options options;
  options.jr_as_jump = from.notation == engine::Notation::z80 && action("jr_as_jump")->isChecked();
  options.keep_layout = action("keep_layout")->isChecked();
  // The macros the source defines: their calls go through as typed.
  engine::MacroNames macros;
  for (QTextBlock b = source->document()->begin(); b.isValid(); b = b.next()) {
    const QString t = b.text();
    if (t.contains(QLatin1String("macro"), Qt::CaseInsensitive) || t.contains(QLatin1String("#define"), Qt::CaseInsensitive)) {
      macros.learn_line(std::u16string_view(reinterpret_cast<const char16_t*>(t.utf16()), static_cast<std::size_t>(t.size())));
    }
  }
  if (!macros.empty()) options.macros = &macros;
  // Line by line from the source's own text into one text for the target.
  QString text;
  std::vector<int> states;
  states.reserve(static_cast<std::size_t>(source->document()->blockCount()));
  // Each line's verdict in the same pass, from the source line still at hand:
  // the counts and F8 need every line's, and proving a line costs less than
  // a second pass over the document would.
  std::vector<engine::Proof> verdicts;
  verdicts.reserve(states.capacity());
  const engine::Options proof_options = verdict_options(options);
  QTextBlock block = source->count_lines() > 0 ? source->document()->begin() : QTextBlock();
  QString line;
  // A long conversion shows its progress and keeps the window painting;
  // Escape (or closing the window) cancels it, and then nothing changes.
  // Meanwhile nothing may change the panes.
  Busy busy = working();
  QElapsedTimer clock;
  clock.start();
  int done = 0;
  cancel_ = false;
  convert_each(
      [&]() -> std::optional<std::u16string_view> {
        if (!block.isValid() || cancel_) return std::nullopt;
        if (++done % 2048 == 0 && clock.elapsed() >= progress_after_ms_) {
          busy.progress(done, source->document()->blockCount());
          if (cancel_) return std::nullopt;
        }
        line = block.text();
        block = block.next();
        return std::u16string_view(reinterpret_cast<const char16_t*>(line.utf16()), static_cast<std::size_t>(line.size()));
      },
      from.translate, options,
      [&](std::u16string&& out, int state) {
        if (!states.empty()) text += QLatin1Char('\n');
        text.append(reinterpret_cast<const QChar*>(out.data()), static_cast<qsizetype>(out.size()));
        states.push_back(state);
        // A comment or blank line is passed and a marked line marked, as
        // verify_line would find: only the other lines are encoded.
        const LineState decided = *decode_state(state);
        if (decided.marked) {
          verdicts.push_back(engine::Proof::marked);
        } else if (decided.decision == engine::Decision::blank) {
          verdicts.push_back(engine::Proof::passed);
        } else {
          verdicts.push_back(line_verdict(from.from_here, view_of(line), out, proof_options));
        }
      });
  if (cancel_) {
    statusBar()->showMessage(tr("Conversion cancelled: nothing changed"), 4000);
    return;
  }
  const bool one_empty_line = states.size() == 1 && text.isEmpty();
  // The new document is shown empty and filled there: laid out once.
  QTextDocument* document = target->make_document(QString(), false);
  // A translation belongs to its source: the target keeps its file (and the
  // form of that file) only when it was converted from this same source
  // before; otherwise it is untitled, in the source's form.
  const QTextDocument* was = target->document();
  const QString source_file = file_of(source);
  const qulonglong source_document = number_of(source->document());
  const std::optional<ConvertedFrom> before = converted_from(was);
  const bool same_source = before && before->notation == from.notation &&
                           (source_file.isEmpty() ? before->source_document == source_document
                                                  : before->source_file == source_file);
  const QString path = same_source ? file_path(was) : QString();
  set_file(document, path, path.isEmpty() ? format_of(source->document()) : format_of(was));
  set_converted_from(document, {from.notation, source_file, source_document});
  coupling_ = true;
  history_->replace_document(target, document, tr(from.conversion));
  target->fill(text, one_empty_line, states);
  std::size_t i = 0;
  for (QTextBlock b = document->begin(); b.isValid() && i < verdicts.size(); b = b.next(), ++i) {
    set_verdict(b, verdicts[i]);
  }
  target->verdicts_changed();
  document->setModified(!document->isEmpty());
  target->go_to_line(std::min(caret, document->blockCount() - 1), false);
  target->scroll_to_line(top);
  source->scroll_to_line(top);
  coupling_ = false;
  statusBar()->showMessage(tr("Converted %n line(s)", nullptr, static_cast<int>(states.size())), 4000);
}

void MainWindow::reverify(int position, int, int added) {
  // Only a converted pane's lines have verdicts; an edit there proves the
  // lines it touched again, each against the source line beside it.
  auto* d = qobject_cast<QTextDocument*>(sender());
  EditorPane* pane = d == z80_pane_->document() ? z80_pane_ : d == i8080_pane_->document() ? i8080_pane_ : nullptr;
  if (pane == nullptr || !converted_from(d) || busy_) return;
  const EditorPane* source = other(pane);
  const engine::Direction direction = kind(source).from_here;
  const engine::Options options = verdict_options({});
  QTextBlock last = d->findBlock(position + added);
  if (!last.isValid()) last = d->lastBlock();
  bool counts = false;
  for (QTextBlock b = d->findBlock(position); b.isValid(); b = b.next()) {
    const QTextBlock beside = source->document()->findBlockByNumber(b.blockNumber());
    const QString s = beside.isValid() ? beside.text() : QString();
    const QString t = b.text();
    const engine::Proof proof = line_verdict(direction, view_of(s), view_of(t), options);
    counts = counts || (verdict_of(b) == engine::Proof::unproven) != (proof == engine::Proof::unproven);
    set_verdict(b, proof);
    if (b == last) break;
  }
  if (counts) counts_timer_->start();
  pane->verdicts_changed();
}

}  // namespace frontend
