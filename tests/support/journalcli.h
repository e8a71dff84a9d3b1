#pragma once

#include "app/journalcommand.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>

// The journal's command line run in the test's process, with settings of its own.
struct Outcome
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// `values` are the settings' keys and values; an empty value is left out.
inline Outcome executeJournalCommand(
    const QStringList &arguments, const QList<std::pair<QString, QString>> &values = {})
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    for (const auto &[key, value] : values)
        if (!value.isEmpty())
            settings.setValue(key, value);
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int status = JournalCommand::execute(arguments, out, err, settings);
    return {status, out.data(), err.data()};
}

// The results as the journal keeps them: the evaluation's JSON adds U and the budget.
inline QJsonArray keptResults(const QJsonValue &results)
{
    QJsonArray kept;
    for (const QJsonValue &r : results.toArray()) {
        QJsonObject object;
        for (const char *key : {"ep", "value", "u", "unit"})
            object.insert(QLatin1String(key), r[key]);
        kept.append(object);
    }
    return kept;
}
