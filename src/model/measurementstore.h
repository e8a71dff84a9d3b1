#pragma once

#include "model/rueckmeldung.h"

#include <QtGlobal>

#include <array>

// The measurement store shared by the report evaluation, the chart build, the titration run
// and the derivative. Rows 0..500 (501 rows); chart grid row r shows store row r - 1.
struct MeasurementStore
{
    static constexpr int RowCount = 501;
    static constexpr quint8 TextMode = 0;
    static constexpr quint8 DataMode = 255;

    // Messwerte[i][0] volume in mL, Messwerte[i][1] measured value (pH or mV).
    std::array<std::array<double, 2>, RowCount> Messwerte {};
    // Third number of a row (the report's time column, seconds).
    std::array<double, RowCount> Zeiten {};
    // Derivative of the step from row i to row i + 1.
    std::array<double, RowCount> Ableitung {};
    // Complete rows; the row being read is written at this index.
    qint16 AnzahlWerte = 0;
    // Complete rows of the current listing that came after the grid's 500 and were left out.
    int droppedRows = 0;
    // TextMode: lines are only copied; DataMode: rows are read and the store holds a series.
    quint8 DatenModus = TextMode;
    // The titration run's current row.
    qint16 MessIndex = 0;
    // Handshake between the run and the report evaluation.
    ::Rueckmeldung Rueckmeldung = ::Rueckmeldung::None;
};
