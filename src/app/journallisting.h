#pragma once

#include "evaluation/reportevaluator.h"
#include "model/journalrecords.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <vector>

struct MeasurementStore;

// Follows the listings the titrator sends (Res, Data) through the report evaluation and hands
// each one on once it is complete. A listing is the series a line with "itration" starts; it is
// complete when
// - the next report (ten asterisks) or the next series starts,
// - something else takes the store over (a titration run, the Chart button, Delete),
// - or the line has been quiet for `quietMs`: the titrator sends a listing in one go, so a
//   pause means it has sent all of it (a last listing is followed by nothing else).
// A series without a single complete row is no listing.
class JournalListings : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultQuietMs = 5000;

    struct Listing
    {
        QDateTime started; // when its series started
        QDateTime ended; // when its last line came
        QString unit; // "pH" or "mV" as its lines named it; empty when none did
        std::vector<Journal::Reading> rows; // volume, value and the time column
        int rowsLeftOut = 0; // rows past the store's, which it could not keep
    };

    explicit JournalListings(
        const MeasurementStore &store, int quietMs = DefaultQuietMs, QObject *parent = nullptr);

    // The report evaluation's listing watch.
    void lineEvaluated(const QString &line, const ReportEvaluator::ListingLine &what);
    // The store is about to be used for something else: a listing in progress is complete.
    void storeTakenOver();
    bool isListing() const { return m_open; }

Q_SIGNALS:
    void completed(const JournalListings::Listing &listing);

private:
    void takeRows();
    void complete();

    const MeasurementStore &m_store;
    QTimer m_quiet;
    bool m_open = false;
    int m_taken = 0; // store rows copied into m_listing
    Listing m_listing;
};
