#pragma once

#include "diskfiles.h"

#include <QList>
#include <QRegularExpression>
#include <QSizeF>

// The page sizes of a PDF file as its page objects declare them, in points; empty when a page
// declares none. Width above height is a landscape page.
inline QList<QSizeF> pdfPageSizes(const QString &path)
{
    const QString pdf = QString::fromLatin1(readAll(path));
    static const QRegularExpression box(
        QStringLiteral(R"(/MediaBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s*\])"));
    QList<QSizeF> pages;
    for (auto it = box.globalMatch(pdf); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        pages.append(QSizeF(m.captured(3).toDouble() - m.captured(1).toDouble(),
            m.captured(4).toDouble() - m.captured(2).toDouble()));
    }
    if (pages.size() != pdf.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))))
        return {};
    return pages;
}

inline bool isLandscape(const QSizeF &page)
{
    return page.width() > page.height();
}
