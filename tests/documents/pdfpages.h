#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QSizeF>

// The page sizes of a PDF file as its page objects declare them (points; width > height is a
// landscape page).
inline QList<QSizeF> pdfPageSizes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString pdf = QString::fromLatin1(file.readAll());
    static const QRegularExpression mediaBox(
        QStringLiteral(R"(/MediaBox\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s*\])"));
    QList<QSizeF> pages;
    for (auto it = mediaBox.globalMatch(pdf); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        pages.append(QSizeF(m.captured(3).toDouble() - m.captured(1).toDouble(),
            m.captured(4).toDouble() - m.captured(2).toDouble()));
    }
    // Every page object carries its own box.
    if (pages.size() != pdf.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))))
        return {};
    return pages;
}

inline bool isLandscape(const QSizeF &page)
{
    return page.width() > page.height();
}
