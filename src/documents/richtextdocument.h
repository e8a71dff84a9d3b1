#pragma once

#include "documents/richtext.h"

#include <QTextCursor>

#include <memory>
#include <optional>

class QFont;
class QTextCharFormat;
class QTextDocument;

// The document model of the files and the editor's QTextDocument, one into the other.
namespace RichTextDocument {

RichText fromDocument(const QTextDocument &document);

// Builds a new QTextDocument from formatted text a slice at a time, so a large text can go in
// between turns of the event loop. The document is no editor's while it is built, so nothing
// lays it out: the cost is linear in the text.
class Builder
{
public:
    Builder(RichText text, const QFont &defaultFont);
    ~Builder();

    // Adds paragraphs for about `milliseconds`; true once the whole text is in.
    bool build(int milliseconds);
    int percentDone() const;
    // The finished document, with an empty undo history; the caller owns it.
    std::unique_ptr<QTextDocument> takeDocument();

private:
    RichText m_text;
    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;
    qsizetype m_next = 0; // the next paragraph to add
};

// The narrowest width, `minimum` or wider, at which the text wrapped stands no taller than
// `tallest` pixels; none when it is taller at any width. The height is taken high: every
// line half full, each as high as its paragraph's largest font.
std::optional<qreal> narrowestWrap(
    const RichText &text, const QFont &defaultFont, qreal minimum, qreal tallest);

QTextCharFormat toCharFormat(const CharFormat &format);
// `defaultHalfPoints` stands for a format that sets no size.
CharFormat fromCharFormat(const QTextCharFormat &format, int defaultHalfPoints);

} // namespace RichTextDocument
