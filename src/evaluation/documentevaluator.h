#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <QTimer>

class AbstractChart;
class AbstractDocument;
class DocumentHost;
struct MeasurementStore;
struct SettingsRecord;

// One line of a document (with its line feed). A line holding "t[s]" starts a listing: the
// store and the curve columns are cleared and the chart titled; "mV" or "pH" set the Y title;
// in data mode the line is read as a row, in either decimal notation.
void RtfAuswertung(QStringView line, MeasurementStore &store, const SettingsRecord &settings,
    AbstractChart &chart);

// The whole chart build at once: text mode first, then every line that ends in a line feed.
// Text after the last line feed is not evaluated.
void buildChartFromText(QStringView text, MeasurementStore &store, const SettingsRecord &settings,
    AbstractChart &chart);

// The chart build behind the Chart button. It reads one copy of the active document's text,
// taken at the start, with a line buffer of its own, and evaluates a slice of it per turn of the
// event loop so the window stays usable. When the document it started on is no longer the
// active one, the rest of the copy is read at once, onto that document's chart while it lives.
class ChartBuild : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultChunk = 4096; // characters per turn of the event loop

    ChartBuild(MeasurementStore &store, const SettingsRecord &settings, DocumentHost &documents,
        QObject *parent = nullptr);

    // Starts a build of the active document. Does nothing (false) while a build is running or
    // when there is no document.
    bool start();
    bool isRunning() const { return m_document != nullptr; }
    void setChunkSize(int characters) { m_chunk = qMax(1, characters); }

Q_SIGNALS:
    // completed is false when its document went away or lost focus before the end (the store
    // holds the whole listing all the same).
    void finished(bool completed);

private:
    void processChunk();
    // Evaluates the lines of the copy that end before `end`.
    void readUpTo(qsizetype end, AbstractChart &chart);
    bool documentStillActive() const;
    void finish(bool completed);

    MeasurementStore &m_store;
    const SettingsRecord &m_settings;
    DocumentHost &m_documents;
    QTimer m_turn;
    QString m_text;
    qsizetype m_position = 0;
    qsizetype m_lineStart = 0;
    int m_chunk = DefaultChunk;
    AbstractDocument *m_document = nullptr;
    // Set when the document is a QObject (a window): tells a closed document from a new one
    // that happens to reuse its address.
    QPointer<QObject> m_documentObject;
    bool m_documentIsObject = false;
};
