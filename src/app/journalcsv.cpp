#include "journalcsv.h"

#include "app/journaljson.h"
#include "journal/journaltexts.h"

#include <QLocale>
#include <QStringList>

namespace JournalCsv {

namespace {

// The shortest text that reads back as the same double, without an exponent for the sizes
// a measurement has ("0.0005", not "5e-04").
QString number(double value)
{
    const double size = qAbs(value);
    const bool plain = value == 0 || (size >= 1e-6 && size < 1e15);
    return QString::number(value, plain ? 'f' : 'g', QLocale::FloatingPointShortest);
}

} // namespace

QString field(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n')
        && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray list(const std::vector<JournalStore::RunSummary> &runs)
{
    QString csv
        = QStringLiteral("id,kind,sample,started,ended,end_reason,readings,value,u,unit\r\n");
    for (const JournalStore::RunSummary &run : runs) {
        QStringList fields {QString::number(run.id), Journal::runKindText(run.kind), run.sample,
            JournalJson::timeText(run.started), JournalJson::timeText(run.ended),
            Journal::endReasonText(run.endReason), QString::number(run.readings)};
        if (run.result)
            fields << number(run.result->value) << number(run.result->u) << run.result->unit;
        else
            fields << QString() << QString() << QString();
        for (QString &f : fields)
            f = field(f);
        csv += fields.join(u',') + QStringLiteral("\r\n");
    }
    return csv.toUtf8();
}

} // namespace JournalCsv
