#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <optional>

// Digests of records as they are stored, for the audit trail: an entry holds the digest of the
// record it concerns when it is written, and the trail's check computes it again. Both read the
// same columns and turn them into the same text (RowText).
namespace RecordDigest {

struct Columns
{
    const char *names;
    int count;
};

// What stays as a run began.
constexpr Columns RunStart {"uuid, kind, sample_id, sample_size, sample_unit, unit, method, "
                            "started_at, started_offset, operator, host, program_version",
    12};
// How it ended; its readings follow in the end's digest.
constexpr Columns RunEnd {"ended_at, ended_offset, end_reason", 3};
constexpr Columns RunDocument {"document_file", 1};
constexpr Columns Reading {"seq, volume_ml, value, seconds, forced", 5};
constexpr Columns Evaluation {"uuid, run_id, version, created_at, created_offset, operator, host, "
                              "program_version, reason, criterion, method, equivalence_points, "
                              "results, result_value, result_u, result_unit",
    16};
constexpr Columns Titrant {"uuid, name, concentration, unit, validity_days, created_at, "
                           "created_offset",
    7};
constexpr Columns Titer {"uuid, titrant_id, run_id, value, u, determined_at, determined_offset, "
                         "operator, host, program_version, standard",
    11};

// The columns with `alias` before each: "e.uuid, e.run_id, ...".
QString qualified(Columns columns, QChar alias);

// A run's readings in order, each as its row text and a line feed.
class ReadingsDigest
{
public:
    // The reading whose columns (Reading) start at `first` of the query's row.
    void addReading(const QSqlQuery &query, int first);
    QByteArray hex();
    // Starts again, for the next run's readings.
    void reset() { m_hash.reset(); }

private:
    QCryptographicHash m_hash {QCryptographicHash::Sha256};
    QByteArray m_line; // kept: a check turns a million readings into text
};

// A run's end: its end columns' row text, a line feed, then its readings' digest.
QByteArray runEnd(const QByteArray &endRow, const QByteArray &readingsHex);

// The digest of one row of `table` whose `key` column equals `value`.
std::optional<QByteArray> ofRow(QSqlDatabase &db, const QString &table, Columns columns,
    const QString &key, const QVariant &value, QString *error = nullptr);
// The digest of run `runId`'s end and readings.
std::optional<QByteArray> ofRunEnd(QSqlDatabase &db, qint64 runId, QString *error = nullptr);

} // namespace RecordDigest
