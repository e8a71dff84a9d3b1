#pragma once

#include <QString>
#include <QStringView>

// The handshake between the titration run and the report evaluation: what the run waits for
// and what the evaluation has taken in. The run sets D after "FP", "FV" or "DA" and M after
// "M"; the evaluation answers D with Y (acknowledged) and M with pH (value stored).
enum class Rueckmeldung {
    None, // nothing awaited
    D, // awaiting the acknowledgement of a command
    Y, // the acknowledgement came
    M, // awaiting a measured value
    pH, // the measured value is in the store
};

// The field's text form: "", "D", "Y", "M" or "pH".
inline QString toText(Rueckmeldung value)
{
    switch (value) {
    case Rueckmeldung::None:
        break;
    case Rueckmeldung::D:
        return QStringLiteral("D");
    case Rueckmeldung::Y:
        return QStringLiteral("Y");
    case Rueckmeldung::M:
        return QStringLiteral("M");
    case Rueckmeldung::pH:
        return QStringLiteral("pH");
    }
    return QString();
}

// The value of a text form; any other text is None.
inline Rueckmeldung rueckmeldungFromText(QStringView text)
{
    for (Rueckmeldung value :
        {Rueckmeldung::D, Rueckmeldung::Y, Rueckmeldung::M, Rueckmeldung::pH}) {
        if (text == toText(value))
            return value;
    }
    return Rueckmeldung::None;
}
