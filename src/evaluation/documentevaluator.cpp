#include "documentevaluator.h"

#include "evaluation/charttitles.h"
#include "evaluation/rowscanner.h"
#include "model/abstractchart.h"
#include "model/abstractdocument.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"

#include <algorithm>

namespace {

// Takes the cells of a build whose document was closed.
class NoChart : public AbstractChart
{
public:
    void setData(int, int, double, bool) override { }
    void setUniformAxis(bool) override { }
    void setTitleText(const QString &) override { }
    void setAxisTitle(int, const QString &) override { }
    double yAxisMinimum() const override { return 0; }
    double yAxisMaximum() const override { return 1; }
};

} // namespace

void RtfAuswertung(
    QStringView line, MeasurementStore &store, const SettingsRecord &settings, AbstractChart &chart)
{
    const bool german = settings.isGerman();
    // Most lines of a listing are numbers and blanks: one quick look for the letters the
    // tests need spares them the text searches.
    const bool hasWords = std::any_of(
        line.begin(), line.end(), [](QChar c) { return c == u's' || c == u'V' || c == u'H'; });
    if (hasWords && line.contains(u"t[s]")) {
        store.AnzahlWerte = 0;
        store.DatenModus = MeasurementStore::DataMode;
        // Only the curve columns: an earlier derivative stays until it is drawn again.
        RowScanner::resetSeries(store, &chart, ChartColumn::CurveY);
        chart.setUniformAxis(false);
        ChartTitles::setCurve(chart, german, u"ml");
    }
    if (hasWords)
        ChartTitles::setUnitFromLine(chart, german, line);

    if (store.DatenModus != MeasurementStore::DataMode)
        return;
    RowScanner::scan(line, RowScanner::Variant::Document, settings.separators, store, &chart);
}

void buildChartFromText(
    QStringView text, MeasurementStore &store, const SettingsRecord &settings, AbstractChart &chart)
{
    store.DatenModus = MeasurementStore::TextMode;
    qsizetype start = 0;
    for (qsizetype lf = text.indexOf(u'\n'); lf >= 0; lf = text.indexOf(u'\n', start)) {
        RtfAuswertung(text.mid(start, lf + 1 - start), store, settings, chart);
        start = lf + 1;
    }
}

ChartBuild::ChartBuild(MeasurementStore &store, const SettingsRecord &settings,
    DocumentHost &documents, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(settings)
    , m_documents(documents)
{
    m_turn.setSingleShot(true);
    m_turn.setInterval(0);
    connect(&m_turn, &QTimer::timeout, this, &ChartBuild::processChunk);
}

bool ChartBuild::start()
{
    if (isRunning())
        return false;
    AbstractDocument *doc = m_documents.activeDocument();
    if (!doc)
        return false;
    m_document = doc;
    m_documentObject = dynamic_cast<QObject *>(doc);
    m_documentIsObject = !m_documentObject.isNull();
    m_text = doc->text();
    m_position = 0;
    m_lineStart = 0;
    m_store.DatenModus = MeasurementStore::TextMode;
    m_turn.start();
    return true;
}

bool ChartBuild::documentStillActive() const
{
    if (m_documentIsObject && m_documentObject.isNull())
        return false;
    return m_documents.activeDocument() == m_document;
}

void ChartBuild::processChunk()
{
    if (!documentStillActive()) {
        // The user moved on: the rest of the copy is read at once, so the store never keeps a
        // half-read series for the derivative. A closed document's chart is gone; one that
        // cannot tell whether it was closed is not written either.
        NoChart noChart;
        const bool alive = m_documentIsObject && !m_documentObject.isNull();
        readUpTo(m_text.size(), alive ? m_document->chart() : noChart);
        finish(false);
        return;
    }
    readUpTo(qMin(m_text.size(), m_position + m_chunk), m_document->chart());
    if (m_position >= m_text.size())
        finish(true);
    else
        m_turn.start();
}

void ChartBuild::readUpTo(qsizetype end, AbstractChart &chart)
{
    // Only this slice is searched, so a text with few line feeds costs no more.
    const QStringView text = QStringView(m_text).first(end);
    for (qsizetype lf = text.indexOf(u'\n', m_position); lf >= 0;
         lf = text.indexOf(u'\n', m_lineStart)) {
        RtfAuswertung(text.mid(m_lineStart, lf + 1 - m_lineStart), m_store, m_settings, chart);
        m_lineStart = lf + 1;
    }
    m_position = end;
}

void ChartBuild::finish(bool completed)
{
    m_turn.stop();
    m_document = nullptr;
    m_documentObject.clear();
    m_documentIsObject = false;
    m_text.clear();
    Q_EMIT finished(completed);
}
