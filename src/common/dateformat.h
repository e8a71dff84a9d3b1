#pragma once

#include <QLocale>
#include <QString>

// The locale's short date with a four-digit year (04.12.2026), so a date in a document or on
// screen stays unambiguous.
inline QString shortDateFormat(const QLocale &locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}
