#pragma once

#include "common/numbers.h"

#include <QCoreApplication>
#include <QString>

class QSettings;

// The sample as Titr. Start asks for it: its id and size as typed, and the size's unit.
struct SampleEntry
{
    Q_DECLARE_TR_FUNCTIONS(SampleEntry)

public:
    QString id;
    QString size; // in the user's number format; empty or 0: not entered
    QString unit; // "g" or "mL"

    // The sample the settings group "Method" holds; a size not entered is empty.
    static SampleEntry fromSettings(QSettings &settings, Numbers::Separators sep);
    // Writes the id (trimmed and cut as the method keeps it), the size and the unit into the
    // group "Method" and returns an empty text. A size that is no number of at least 0, or an
    // unknown unit, writes nothing and returns why, as a translated sentence.
    QString store(QSettings &settings, Numbers::Separators sep) const;
};
