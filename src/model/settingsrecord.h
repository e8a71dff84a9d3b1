#pragma once

#include "common/numbers.h"

#include <QString>

// The program-wide settings. Start values are those before the last-method file is read.
struct SettingsRecord
{
    quint8 RsPort = 1; // serial channel 1..4
    quint8 Sprache = 0; // 1 German, any other value English
    quint8 Bereich = 0; // 0 pH, any other value mV
    double EndWert = 0; // end value of the run, pH or mV
    double EndVol = 0; // end volume of the run, mL
    double InkZeit = 0.5; // waiting time after each increment, s
    double VolInk = 0.5; // volume of each increment, mL
    Numbers::Separators separators; // DezimalZeichen / AntiDezi

    QString DezimalZeichen() const { return QString(separators.decimal); }
    QString AntiDezi() const { return QString(separators.other()); }
    bool isGerman() const { return Sprache == 1; }
};
