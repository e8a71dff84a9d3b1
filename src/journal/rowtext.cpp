#include "rowtext.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <charconv>
#include <iterator>

namespace RowText {

namespace {

template<typename Number>
void appendNumber(QByteArray &text, Number number)
{
    char digits[32];
    const std::to_chars_result end = std::to_chars(std::begin(digits), std::end(digits), number);
    text.append(digits, end.ptr - digits);
}

} // namespace

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
        appendNumber(text, value.toLongLong());
        return;
    case QMetaType::Float:
    case QMetaType::Double: {
        // The shortest text that reads back as the same double.
        const double number = value.toDouble();
        if (qIsFinite(number))
            appendNumber(text, number);
        else
            text += "null";
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
    qsizetype plain = 0; // from here on nothing was escaped yet
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const bool control = static_cast<unsigned char>(c) < 0x20;
        if (c != '"' && c != '\\' && !control)
            continue;
        text.append(utf8.constData() + plain, i - plain);
        plain = i + 1;
        if (control) {
            text += "\\u00";
            text += "0123456789abcdef"[(c >> 4) & 0xf];
            text += "0123456789abcdef"[c & 0xf];
        } else {
            text += '\\';
            text += c;
        }
    }
    text.append(utf8.constData() + plain, utf8.size() - plain);
    text += '"';
}

void append(QByteArray &text, const QSqlQuery &query, int first, int count)
{
    text += '[';
    for (int i = first; i < first + count; ++i) {
        if (i > first)
            text += ',';
        appendValue(text, query.value(i));
    }
    text += ']';
}

QByteArray of(const QSqlQuery &query, int first, int count)
{
    QByteArray text;
    text.reserve(16 * count);
    append(text, query, first, count);
    return text;
}

QByteArray sha256Hex(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

} // namespace RowText
