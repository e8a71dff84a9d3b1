#include "methodfile.h"

#include "common/atomicfile.h"
#include "documents/codepage.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <optional>

namespace MethodFile {

namespace {

using Line = std::optional<QString>; // no value: the line is too long to be read

QString fromWindows1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char b : bytes)
        *out++ = CodePage::fromWindows1252Lossless(uchar(b));
    return text;
}

// A character the code page lacks becomes "?".
QByteArray toWindows1252(const QString &text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (const QChar c : text)
        *out++ = char(CodePage::toWindows1252Lossless(c).value_or(uchar('?')));
    return bytes;
}

// Splits bounded data into at most `wanted` lines. An unterminated tail counts when the data
// is whole.
QList<Line> splitLines(const QByteArray &data, bool whole, int wanted)
{
    QList<Line> lines;
    QByteArray line;
    bool overlong = false;
    auto finish = [&] {
        lines.append(overlong ? Line() : Line(fromWindows1252(line)));
        line.clear();
        overlong = false;
    };
    for (qsizetype i = 0; i < data.size() && lines.size() < wanted; ++i) {
        const char c = data.at(i);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < data.size() && data.at(i + 1) == '\n')
                ++i;
            finish();
        } else if (line.size() < MaxLineLength) {
            line.append(c);
        } else {
            overlong = true;
        }
    }
    if (whole && lines.size() < wanted && (!line.isEmpty() || overlong))
        finish();
    return lines;
}

void readNumber(const QList<Line> &lines, int index, Numbers::Separators sep, double &field)
{
    if (index < lines.size() && lines[index]) {
        if (const auto value = Numbers::toNumber(*lines[index], sep))
            field = *value;
    }
}

void readByte(const QList<Line> &lines, int index, Numbers::Separators sep, quint8 &field)
{
    if (index < lines.size() && lines[index]) {
        if (const auto value = Numbers::toByte(*lines[index], sep))
            field = *value;
    }
}

} // namespace

QString path()
{
    return QDir::current().filePath(QLatin1StringView(FileName));
}

void read(QIODevice &in, SettingsRecord &record, QString &dosText)
{
    // One byte beyond the bound tells a cut file from a whole one. Read in pieces: a read
    // reserves all it is asked for, and the file is usually a few dozen bytes.
    constexpr qint64 Piece = 64 * 1024;
    QByteArray data;
    while (data.size() <= MaxBytes) {
        const QByteArray chunk = in.read(qMin(Piece, MaxBytes + 1 - data.size()));
        if (chunk.isEmpty())
            break;
        data.append(chunk);
    }
    const bool whole = data.size() <= MaxBytes;
    if (!whole)
        data.truncate(MaxBytes);

    const QList<Line> lines = splitLines(data, whole, 8);
    const Numbers::Separators sep = record.separators;
    readNumber(lines, 0, sep, record.VolInk);
    readNumber(lines, 1, sep, record.InkZeit);
    readByte(lines, 2, sep, record.RsPort);
    readNumber(lines, 3, sep, record.EndWert);
    readNumber(lines, 4, sep, record.EndVol);
    if (lines.size() > 5 && lines[5])
        dosText = *lines[5];
    readByte(lines, 6, sep, record.Sprache);
    readByte(lines, 7, sep, record.Bereich);
}

void readFile(const QString &filePath, SettingsRecord &record, QString &dosText)
{
    QFile file(filePath);
    if (file.open(QIODevice::ReadOnly))
        read(file, record, dosText);
}

QByteArray compose(const SettingsRecord &record, const QString &dosText)
{
    const Numbers::Separators sep = record.separators;
    QString dose = dosText;
    // A line break inside the dose text would shift the lines after it.
    dose.remove(u'\r');
    dose.remove(u'\n');
    const QStringList lines = {
        Numbers::toText(record.VolInk, sep),
        Numbers::toText(record.InkZeit, sep),
        QString::number(record.RsPort),
        Numbers::toText(record.EndWert, sep),
        Numbers::toText(record.EndVol, sep),
        dose,
        QString::number(record.Sprache),
        QString::number(record.Bereich),
    };
    QByteArray out;
    for (const QString &line : lines) {
        out.append(toWindows1252(line));
        out.append("\r\n");
    }
    return out;
}

bool write(const QString &filePath, const QByteArray &content, QString *error)
{
    QString reason;
    if (AtomicFile::write(filePath, content, &reason))
        return true;
    if (error)
        *error = QStringLiteral("%1: %2").arg(filePath, reason);
    return false;
}

} // namespace MethodFile
