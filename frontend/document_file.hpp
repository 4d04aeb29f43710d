// What a pane's document carries besides its text, kept as properties of the
// QTextDocument so that it travels with the document through the window's
// history (an undo brings a document back with its file): the file it belongs
// to and the form to write it back in, and, for a conversion's result, what
// it was converted from.
#pragma once

#include <QString>
#include <optional>

#include "engine/dialect.hpp"
#include "frontend/text_file.hpp"

class QTextDocument;

namespace frontend {

// The document's file (an absolute path), empty if it has none.
QString file_path(const QTextDocument* document);
// The form of the document's file; a new file's form if it was never set.
FileFormat format_of(const QTextDocument* document);
void set_file(QTextDocument* document, const QString& path, const FileFormat& format);

// What a conversion's result came from: the source pane's notation, its file,
// and its document (a number of its own, for a source without a file).
struct ConvertedFrom {
  engine::Notation notation = engine::Notation::z80;
  QString source_file;
  qulonglong source_document = 0;
};
std::optional<ConvertedFrom> converted_from(const QTextDocument* document);
void set_converted_from(QTextDocument* document, const ConvertedFrom& from);

// A number that tells a document apart from every other in this run.
qulonglong number_of(QTextDocument* document);

}  // namespace frontend
