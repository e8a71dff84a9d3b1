#pragma once

#include "documents/richtext.h"

#include <QTest>

// Readable failure messages for the rich-text model.
namespace QTest {
template<>
inline char *toString(const CharFormat &f)
{
    return qstrdup(QByteArray("b%1 i%2 u%3 fs%4 cf%5")
                       .replace("%1", QByteArray::number(f.bold))
                       .replace("%2", QByteArray::number(f.italic))
                       .replace("%3", QByteArray::number(f.underline))
                       .replace("%4", QByteArray::number(f.halfPoints))
                       .replace("%5", f.color ? QByteArray::number(*f.color, 16) : "auto")
                       .constData());
}

template<>
inline char *toString(const RichText &text)
{
    QByteArray out;
    for (const RichParagraph &p : text.paragraphs) {
        out += '[';
        for (const RichRun &run : p.runs) {
            char *format = toString(run.format);
            out += '(' + run.text.toUtf8() + ' ' + format + ')';
            delete[] format;
        }
        out += "]\n";
    }
    return qstrdup(out.constData());
}
} // namespace QTest
