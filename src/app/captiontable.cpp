#include "captiontable.h"

#include <QStringList>

namespace CaptionTable {

QList<Caption> parse(QIODevice &in, int *skipped)
{
    QList<Caption> rows;
    int bad = 0;
    const QString text = QString::fromUtf8(in.readAll());
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList fields = line.split(u'\t');
        if (fields.size() != 4 || fields[0].isEmpty() || fields[1].isEmpty()) {
            ++bad;
            continue;
        }
        rows.append({fields[0], fields[1], fields[2], fields[3]});
    }
    if (skipped)
        *skipped = bad;
    return rows;
}

} // namespace CaptionTable
