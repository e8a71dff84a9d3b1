#include "rowscanner.h"

#include "documents/abstractchart.h"

namespace RowScanner {

void scan(QStringView line, Variant variant, Numbers::Separators sep, MeasurementStore &store,
    AbstractChart *chart)
{
    // The grid has 500 rows; the store's 501st row is never filled from a listing.
    if (store.AnzahlWerte < 0)
        return;
    const bool full = store.AnzahlWerte >= AbstractChart::RowCount;

    const QChar decimal = sep.decimal;
    const QChar other = sep.other();
    QString token;
    int field = 0;

    for (const QChar c : line) {
        const bool digit = c >= u'0' && c <= u'9';
        if (variant == Variant::Report) {
            if (digit || c == u'-' || c == decimal)
                token.append(c);
        } else {
            if (digit || c == u'.' || c == u',' || c == u'-')
                token.append(c == other ? decimal : c);
        }

        if (c != u' ' || token.size() <= 2)
            continue;

        if (field >= 3)
            return; // the rest of the line is not part of the row

        const auto value = Numbers::toNumber(token, sep);
        if (!value)
            return; // not a number (a date, a list, dashes): leave the row as it is
        if (full) {
            // A row past the grid is only counted, so the loss can be reported.
            if (field++ == 2)
                ++store.droppedRows;
            token.clear();
            continue;
        }
        const int row = store.AnzahlWerte;
        switch (field) {
        case 0:
            store.Messwerte[row][0] = *value;
            if (chart)
                chart->setData(row + 1, 1, *value, false);
            break;
        case 1:
            store.Messwerte[row][1] = *value;
            if (chart)
                chart->setData(row + 1, 2, *value, false);
            break;
        case 2:
            store.Zeiten[row] = *value;
            store.AnzahlWerte = qint16(row + 1);
            break;
        }
        token.clear();
        ++field;
        if (field == 3 && store.AnzahlWerte >= AbstractChart::RowCount)
            return;
    }
}

void resetSeries(MeasurementStore &store, AbstractChart *chart, int chartColumns)
{
    store.droppedRows = 0;
    for (int i = 0; i < AbstractChart::RowCount; ++i) {
        store.Messwerte[i][0] = 0;
        store.Messwerte[i][1] = 0;
        if (chart) {
            for (int c = 1; c <= chartColumns; ++c)
                chart->setData(i + 1, c, 0, true);
        }
        store.Zeiten[i] = 0;
    }
}

} // namespace RowScanner
