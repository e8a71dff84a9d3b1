#pragma once

#include <QString>

#include <functional>

class AbstractChart;
class AbstractDocument;
class DocumentHost;
struct MeasurementStore;
struct SettingsRecord;

// Gives every line the titrator sends its meaning, in this order: copies it into the active
// document (a line of ten asterisks starts a fresh text), reads data rows into the store and
// onto the chart once a line with "itration" started a data section, answers the titration
// run's handshake, and asks for the stored data when a result report names its sample number.
// Without an active document the document and chart steps are left out.
class ReportEvaluator
{
public:
    ReportEvaluator(
        MeasurementStore &store, const SettingsRecord &settings, DocumentHost &documents);

    // Runs the data read-out ("EX", "LD", reopen); called after the line was handled.
    void setDataRequest(std::function<void()> request) { m_dataRequest = std::move(request); }

    // What one line was to the series of a listing.
    struct ListingLine
    {
        bool reportStarted = false; // ten asterisks: text mode again
        bool seriesStarted = false; // "itration": the series starts over at row 0
        bool readAsData = false; // went through the row scanner
    };
    // Told of every line once the store holds what it brought, before any data request: lets
    // the journal follow a received listing without a grammar of its own.
    void setListingWatch(std::function<void(const QString &, const ListingLine &)> watch)
    {
        m_listingWatch = std::move(watch);
    }

    // One received line, as the receive path built it (ending with its line feed).
    void RsAuswertung(const QString &Zeile);

private:
    void startSeries(AbstractDocument *doc);
    void setUnitTitle(const QString &Zeile, AbstractDocument *doc);
    void takeMeasuredValue(const QString &Zeile);

    MeasurementStore &m_store;
    const SettingsRecord &m_settings;
    DocumentHost &m_documents;
    std::function<void()> m_dataRequest;
    std::function<void(const QString &, const ListingLine &)> m_listingWatch;
};
