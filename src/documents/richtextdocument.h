#pragma once

#include "documents/richtext.h"

class QTextCharFormat;
class QTextDocument;

// The document model of the files and the editor's QTextDocument, one into the other.
namespace RichTextDocument {

RichText fromDocument(const QTextDocument &document);
// Replaces the document's content; undo starts afresh.
void toDocument(const RichText &text, QTextDocument &document);

QTextCharFormat toCharFormat(const CharFormat &format);
// `defaultHalfPoints` stands for a format that sets no size.
CharFormat fromCharFormat(const QTextCharFormat &format, int defaultHalfPoints);

} // namespace RichTextDocument
