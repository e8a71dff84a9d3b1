#include "richtextdocument.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

namespace RichTextDocument {

QTextCharFormat toCharFormat(const CharFormat &format)
{
    QTextCharFormat result;
    result.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    result.setFontItalic(format.italic);
    result.setFontUnderline(format.underline);
    result.setFontPointSize(format.halfPoints / 2.0);
    if (format.color)
        result.setForeground(QColor(QRgb(0xFF000000u | *format.color)));
    return result;
}

CharFormat fromCharFormat(const QTextCharFormat &format, int defaultHalfPoints)
{
    CharFormat result;
    result.bold = format.fontWeight() >= QFont::DemiBold;
    result.italic = format.fontItalic();
    result.underline = format.fontUnderline();
    const qreal points = format.fontPointSize();
    result.halfPoints = points > 0 ? int(std::lround(points * 2)) : defaultHalfPoints;
    if (format.hasProperty(QTextFormat::ForegroundBrush)
        && format.foreground().style() != Qt::NoBrush)
        result.color = format.foreground().color().rgb() & 0xFFFFFFu;
    return result;
}

RichText fromDocument(const QTextDocument &document)
{
    const qreal defaultPoints = document.defaultFont().pointSizeF();
    const int defaultHalfPoints
        = defaultPoints > 0 ? int(std::lround(defaultPoints * 2)) : CharFormat::DefaultHalfPoints;
    RichText result;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        RichParagraph paragraph;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QString text = fragment.text();
            // Pictures and other objects are not kept in the file.
            text.remove(QChar::ObjectReplacementCharacter);
            paragraph.append(text, fromCharFormat(fragment.charFormat(), defaultHalfPoints));
        }
        result.paragraphs.append(paragraph);
    }
    return result;
}

void toDocument(const RichText &text, QTextDocument &document)
{
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    bool first = true;
    for (const RichParagraph &paragraph : text.paragraphs) {
        if (!first)
            cursor.insertBlock();
        first = false;
        for (const RichRun &run : paragraph.runs)
            cursor.insertText(run.text, toCharFormat(run.format));
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(true);
}

} // namespace RichTextDocument
