#include "rowscanner.h"

#include "model/abstractchart.h"

#include <QVarLengthArray>

namespace RowScanner {

namespace {

// The token's value, as Numbers::toNumber gives it. A token of plain shape (a sign, at most
// 15 digits, a decimal separator between digits) is converted here: its digits and its power
// of ten are exact doubles, so their quotient is the correctly rounded value, as the full
// conversion gives it, at a small part of the cost.
std::optional<double> tokenValue(QStringView token, Numbers::Separators sep)
{
    static constexpr double PowersOfTen[]
        = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    qsizetype i = 0;
    const bool negative = !token.isEmpty() && token[0] == u'-';
    if (negative)
        ++i;
    qint64 mantissa = 0;
    int digits = 0;
    int decimals = -1; // digits after the separator; -1: no separator yet
    for (; i < token.size(); ++i) {
        const char16_t c = token[i].unicode();
        if (c >= u'0' && c <= u'9') {
            // Past 15 digits the full conversion takes over; stop before the sum can overflow.
            if (digits < 15)
                mantissa = mantissa * 10 + (c - u'0');
            ++digits;
            if (decimals >= 0)
                ++decimals;
        } else if (c == sep.decimal && decimals < 0 && digits > 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (i != token.size() || digits == 0 || digits > 15 || decimals == 0)
        return Numbers::toNumber(token, sep);
    const double value = double(mantissa) / PowersOfTen[qMax(decimals, 0)];
    return negative ? -value : value;
}

} // namespace

void scan(QStringView line, Variant variant, Numbers::Separators sep, MeasurementStore &store,
    AbstractChart *chart)
{
    // The grid has 500 rows; the store's 501st row is never filled from a listing.
    if (store.AnzahlWerte < 0)
        return;
    const bool full = store.AnzahlWerte >= AbstractChart::RowCount;

    const QChar decimal = sep.decimal;
    const QChar other = sep.other();
    QVarLengthArray<QChar, 32> token;
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

        const auto value = tokenValue(QStringView(token.data(), token.size()), sep);
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
                chart->setData(row + 1, ChartColumn::CurveX, *value, false);
            break;
        case 1:
            store.Messwerte[row][1] = *value;
            if (chart)
                chart->setData(row + 1, ChartColumn::CurveY, *value, false);
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
            for (int c = ChartColumn::CurveX; c <= chartColumns; ++c)
                chart->setData(i + 1, c, 0, true);
        }
        store.Zeiten[i] = 0;
    }
}

} // namespace RowScanner
