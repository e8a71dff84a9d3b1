#include "richtext.h"

QString RichParagraph::text() const
{
    QString result;
    for (const RichRun &run : runs)
        result += run.text;
    return result;
}

void RichParagraph::append(const QString &text, const CharFormat &format)
{
    if (text.isEmpty())
        return;
    if (!runs.isEmpty() && runs.last().format == format)
        runs.last().text += text;
    else
        runs.append(RichRun {text, format});
}

QString RichText::plainText() const
{
    QString result;
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        if (i > 0)
            result += QStringLiteral("\r\n");
        result += paragraphs[i].text();
    }
    result.replace(LineSeparator, QStringLiteral("\r\n"));
    return result;
}

RichText RichText::fromPlainText(const QString &text)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.remove(u'\r');
    RichText result;
    if (normal.isEmpty())
        return result;
    const CharFormat plain;
    for (const QStringView line : QStringView(normal).split(u'\n')) {
        RichParagraph paragraph;
        paragraph.append(line.toString(), plain);
        result.paragraphs.append(paragraph);
    }
    return result;
}
