#pragma once

#include <QString>

#include <optional>

// Where the journal lives: an SQLite file on this workstation, or a PostgreSQL database of the
// lab, named in libpq's URI form. A password is never part of it: libpq takes it from
// ~/.pgpass or PGPASSWORD.
struct JournalLocation
{
    enum class Engine { SQLite, PostgreSQL };

    Engine engine = Engine::SQLite;
    QString path; // SQLite: the file
    QString host; // PostgreSQL: a host name, or a socket directory (starts with "/")
    int port = -1; // -1: libpq's default
    QString database;
    QString user; // empty: libpq's default (the login name)
    QString options; // further libpq options, "name=value;name=value"

    // "postgresql://user@host:5432/db", "postgresql:///db?host=/run/postgresql",
    // "sqlite:///path/journal.sqlite" or a plain file path. Empty with the reason in `error`
    // when the text names no journal or carries a password.
    static std::optional<JournalLocation> parse(const QString &text, QString *error = nullptr);
    // $XDG_DATA_HOME/Kalumet/journal.sqlite
    static JournalLocation defaultLocation();

    // For messages and listings: the URL without anything secret.
    QString displayName() const;

    bool operator==(const JournalLocation &) const = default;
};
