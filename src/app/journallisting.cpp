#include "journallisting.h"

#include "model/measurementstore.h"

JournalListings::JournalListings(const MeasurementStore &store, int quietMs, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quietMs);
    connect(&m_quiet, &QTimer::timeout, this, &JournalListings::complete);
}

void JournalListings::lineEvaluated(const QString &line, const ReportEvaluator::ListingLine &what)
{
    if (what.reportStarted || what.seriesStarted)
        complete();
    if (what.seriesStarted) {
        m_open = true;
        m_taken = 0;
        m_listing = Listing();
        m_listing.started = QDateTime::currentDateTime();
    }
    if (!m_open)
        return;
    // The unit as the chart's title takes it: "mV" wins over "pH".
    if (line.contains(QLatin1StringView("mV")))
        m_listing.unit = QStringLiteral("mV");
    else if (m_listing.unit.isEmpty() && line.contains(QLatin1StringView("pH")))
        m_listing.unit = QStringLiteral("pH");
    if (what.readAsData)
        takeRows();
    m_listing.ended = QDateTime::currentDateTime();
    if (m_open)
        m_quiet.start();
}

void JournalListings::takeRows()
{
    const int count = m_store.AnzahlWerte;
    if (count < m_taken || m_store.DatenModus != MeasurementStore::DataMode) {
        // The store was used for something else meanwhile: what came before is the listing.
        complete();
        return;
    }
    for (int i = m_taken; i < count; ++i) {
        m_listing.rows.push_back(
            {i, m_store.Messwerte[i][0], m_store.Messwerte[i][1], m_store.Zeiten[i], false});
    }
    m_taken = count;
    m_listing.rowsLeftOut = m_store.droppedRows;
}

void JournalListings::storeTakenOver()
{
    complete();
}

void JournalListings::complete()
{
    m_quiet.stop();
    if (!m_open)
        return;
    m_open = false;
    if (m_listing.rows.empty())
        return;
    Listing done = std::move(m_listing);
    m_listing = Listing();
    Q_EMIT completed(done);
}
