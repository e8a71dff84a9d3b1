// Fuzz target: the last-method file reader on any bytes.
//
// Input: byte 0 chooses the decimal separator; the rest is the file. Besides crashes it checks
// that the reader stays inside its read bound and that what it read, written and read again,
// is written the same way (the writer's text is a fixed point of reading).

#include "app/methodfile.h"
#include "model/settingsrecord.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Values no file of the layout holds, so that a field the reader skips shows.
SettingsRecord startRecord(Numbers::Separators sep)
{
    SettingsRecord r;
    r.RsPort = 7;
    r.Sprache = 4;
    r.Bereich = 3;
    r.EndWert = 6.5;
    r.EndVol = 5.5;
    r.InkZeit = 8.5;
    r.VolInk = 9.25;
    r.separators = sep;
    return r;
}

QByteArray readAndCompose(QByteArray bytes, Numbers::Separators sep)
{
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    SettingsRecord record = startRecord(sep);
    QString dose = QStringLiteral("keep");
    MethodFile::read(in, record, dose);
    check(in.pos() <= MethodFile::MaxBytes + 1);
    return MethodFile::compose(record, dose);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const Numbers::Separators sep
        = (data[0] & 1) ? Numbers::Separators::comma() : Numbers::Separators::dot();
    const QByteArray file(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const QByteArray written = readAndCompose(file, sep);
    check(written.count("\r\n") == 8 && written.endsWith("\r\n"));
    check(readAndCompose(written, sep) == written);
    return 0;
}
