#include "frontend/document_file.hpp"

#include <QTextDocument>
#include <QVariant>

namespace frontend {
namespace {

const char* const kPath = "file_path";
const char* const kEncoding = "file_encoding";
const char* const kLineEnd = "file_line_end";
const char* const kFinalLineEnd = "file_final_line_end";
const char* const kConvertedFrom = "converted_from";  // 0: the Z80 pane, 1: the 8080 pane
const char* const kSourceFile = "source_file";
const char* const kSourceDocument = "source_document";
const char* const kDocumentNumber = "document_number";

}  // namespace

QString file_path(const QTextDocument* d) { return d->property(kPath).toString(); }

FileFormat format_of(const QTextDocument* d) {
  FileFormat f;
  if (d->property(kEncoding).isValid()) {
    f.encoding = static_cast<engine::Encoding>(d->property(kEncoding).toInt());
    f.line_end = d->property(kLineEnd).toByteArray().toStdString();
    f.final_line_end = d->property(kFinalLineEnd).toBool();
  }
  return f;
}

void set_file(QTextDocument* d, const QString& path, const FileFormat& f) {
  d->setProperty(kPath, path);
  d->setProperty(kEncoding, static_cast<int>(f.encoding));
  d->setProperty(kLineEnd, QByteArray::fromStdString(f.line_end));
  d->setProperty(kFinalLineEnd, f.final_line_end);
}

std::optional<ConvertedFrom> converted_from(const QTextDocument* d) {
  const QVariant from = d->property(kConvertedFrom);
  if (!from.isValid()) return std::nullopt;
  return ConvertedFrom{from.toInt() == 0 ? engine::Notation::z80 : engine::Notation::i8080,
                       d->property(kSourceFile).toString(), d->property(kSourceDocument).toULongLong()};
}

void set_converted_from(QTextDocument* d, const ConvertedFrom& from) {
  d->setProperty(kConvertedFrom, from.notation == engine::Notation::z80 ? 0 : 1);
  d->setProperty(kSourceFile, from.source_file);
  d->setProperty(kSourceDocument, from.source_document);
}

qulonglong number_of(QTextDocument* d) {
  static qulonglong next = 0;
  if (!d->property(kDocumentNumber).isValid()) d->setProperty(kDocumentNumber, ++next);
  return d->property(kDocumentNumber).toULongLong();
}

}  // namespace frontend
