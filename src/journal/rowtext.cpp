#include "rowtext.h"

#include <QCryptographicHash>
#include <QLocale>
#include <QSqlQuery>

namespace RowText {

void appendValue(QByteArray &text, const QVariant &value)
{
    if (value.isNull()) {
        text += "null";
        return;
    }
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        text += value.toBool() ? "true" : "false";
        return;
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        text += QByteArray::number(value.toLongLong());
        return;
    case QMetaType::Float:
    case QMetaType::Double: {
        const double number = value.toDouble();
        text += qIsFinite(number) ? QByteArray::number(number, 'g', QLocale::FloatingPointShortest)
                                  : QByteArray("null");
        return;
    }
    case QMetaType::QByteArray:
        appendString(text, value.toByteArray().toBase64());
        return;
    default:
        appendString(text, value.toString().toUtf8());
    }
}

void appendString(QByteArray &text, const QByteArray &utf8)
{
    text += '"';
    for (const char c : utf8) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            text += "\\u00";
            text += "0123456789abcdef"[(c >> 4) & 0xf];
            text += "0123456789abcdef"[c & 0xf];
        } else {
            text += c;
        }
    }
    text += '"';
}

QByteArray of(const QSqlQuery &query, int first, int count)
{
    QByteArray text;
    text.reserve(16 * count);
    text += '[';
    for (int i = first; i < first + count; ++i) {
        if (i > first)
            text += ',';
        appendValue(text, query.value(i));
    }
    text += ']';
    return text;
}

QByteArray sha256Hex(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

} // namespace RowText
