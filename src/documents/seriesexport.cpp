#include "seriesexport.h"

#include "documents/chartmodel.h"

namespace SeriesExport {

namespace {

QString rows(
    const ChartModel &chart, QChar delimiter, Numbers::Separators sep, const QString &lineEnd)
{
    QString text;
    for (int row = 1; row <= AbstractChart::RowCount; ++row) {
        QStringList fields;
        bool any = false;
        for (int column = ChartColumn::CurveX; column <= AbstractChart::ColumnCount; ++column) {
            const ChartModel::Cell &cell = chart.cell(row, column);
            if (cell.isNull) {
                fields.append(QString());
            } else {
                fields.append(Numbers::toText(cell.value, sep));
                any = true;
            }
        }
        if (any)
            text += fields.join(delimiter) + lineEnd;
    }
    return text;
}

} // namespace

QString toCsv(
    const ChartModel &chart, const std::optional<EquivalencePoint> &point, const QString &notes)
{
    const auto dot = Numbers::Separators::dot();
    const QString crlf = QStringLiteral("\r\n");
    QString text
        = QStringLiteral("volume [mL],measured value,derivative X [mL],derivative Y") + crlf;
    text += rows(chart, u',', dot, crlf);
    if (point) {
        text += QStringLiteral("# equivalence point: volume ") + Numbers::toText(point->volume, dot)
            + QStringLiteral(" mL, measured value ") + Numbers::toText(point->value, dot) + crlf;
    }
    return text + notes;
}

QString toTabSeparated(const ChartModel &chart, Numbers::Separators sep)
{
    return rows(chart, u'\t', sep, QStringLiteral("\n"));
}

} // namespace SeriesExport
