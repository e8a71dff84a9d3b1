#include "journallocation.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace {

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

std::optional<JournalLocation> JournalLocation::parse(const QString &text, QString *error)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        fail(error, QStringLiteral("the journal location is empty"));
        return std::nullopt;
    }
    JournalLocation location;
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (scheme.isEmpty() || scheme == QLatin1StringView("file")
        || scheme == QLatin1StringView("sqlite")) {
        location.engine = Engine::SQLite;
        location.path = scheme.isEmpty() ? trimmed : url.path();
        if (location.path.isEmpty()) {
            fail(error, QStringLiteral("\"%1\" names no file").arg(trimmed));
            return std::nullopt;
        }
        location.path = QDir::cleanPath(QDir::current().absoluteFilePath(location.path));
        return location;
    }
    if (scheme != QLatin1StringView("postgresql") && scheme != QLatin1StringView("postgres")) {
        fail(error,
            QStringLiteral("unknown journal \"%1\": use postgresql://... or an SQLite file")
                .arg(trimmed));
        return std::nullopt;
    }
    if (!url.isValid()) {
        fail(error, QStringLiteral("\"%1\" is no valid URL: %2").arg(trimmed, url.errorString()));
        return std::nullopt;
    }
    if (!url.password().isEmpty()) {
        fail(error,
            QStringLiteral("the journal URL must not hold a password: put it into ~/.pgpass or "
                           "PGPASSWORD"));
        return std::nullopt;
    }
    location.engine = Engine::PostgreSQL;
    location.host = url.host();
    location.port = url.port(-1);
    location.user = url.userName();
    location.database = url.path().mid(1);
    QStringList options;
    const QUrlQuery query(url);
    for (const auto &[rawName, rawValue] : query.queryItems(QUrl::FullyDecoded)) {
        const QString name = rawName.toLower();
        if (name == QLatin1StringView("host"))
            location.host = rawValue;
        else if (name == QLatin1StringView("port"))
            location.port = rawValue.toInt();
        else if (name == QLatin1StringView("user"))
            location.user = rawValue;
        else if (name == QLatin1StringView("dbname"))
            location.database = rawValue;
        else if (name == QLatin1StringView("password")) {
            fail(error,
                QStringLiteral("the journal URL must not hold a password: put it into "
                               "~/.pgpass or PGPASSWORD"));
            return std::nullopt;
        } else
            options << name + u'=' + rawValue;
    }
    // A lab server that has gone must not hold the program up for libpq's default of ever.
    if (!query.hasQueryItem(QStringLiteral("connect_timeout")))
        options << QStringLiteral("connect_timeout=5");
    location.options = options.join(u';');
    if (location.database.isEmpty()) {
        fail(error, QStringLiteral("the journal URL \"%1\" names no database").arg(trimmed));
        return std::nullopt;
    }
    return location;
}

JournalLocation JournalLocation::defaultLocation()
{
    // GenericDataLocation is $XDG_DATA_HOME, or ~/.local/share without it.
    JournalLocation location;
    location.path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/Kalumet/journal.sqlite");
    return location;
}

QString JournalLocation::displayName() const
{
    if (engine == Engine::SQLite)
        return QDir::toNativeSeparators(path);
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += user + u'@';
    if (!host.startsWith(u'/'))
        text += host;
    if (port > 0)
        text += u':' + QString::number(port);
    text += u'/' + database;
    if (host.startsWith(u'/'))
        text += QStringLiteral("?host=") + host;
    return text;
}
