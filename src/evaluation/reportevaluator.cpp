#include "reportevaluator.h"

#include "evaluation/charttitles.h"
#include "evaluation/rowscanner.h"
#include "model/abstractchart.h"
#include "model/abstractdocument.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"

namespace {

const QString ReportStart = QStringLiteral("**********");
const QString DataSection = QStringLiteral("itration");
const QString SampleNumber = QStringLiteral("Probennummer");
const QString UnitPh = QStringLiteral("pH");
const QString UnitMv = QStringLiteral("mV");

AbstractChart *chartOf(AbstractDocument *doc)
{
    return doc ? &doc->chart() : nullptr;
}

} // namespace

ReportEvaluator::ReportEvaluator(
    MeasurementStore &store, const SettingsRecord &settings, DocumentHost &documents)
    : m_store(store)
    , m_settings(settings)
    , m_documents(documents)
{ }

void ReportEvaluator::RsAuswertung(const QString &Zeile)
{
    // The active document is asked for anew at each step, as the user may switch meanwhile.
    ListingLine listing;
    if (Zeile.contains(ReportStart)) {
        listing.reportStarted = true;
        m_store.DatenModus = MeasurementStore::TextMode;
        if (AbstractDocument *doc = m_documents.activeDocument()) {
            doc->setText(QString());
            doc->appendText(Zeile);
        }
    }

    if (Zeile.contains(DataSection)) {
        listing.seriesStarted = true;
        startSeries(m_documents.activeDocument());
    }

    setUnitTitle(Zeile, m_documents.activeDocument());

    // A report-start line is copied once more here: a fresh report begins with it twice.
    AbstractDocument *doc = m_documents.activeDocument();
    if (m_store.DatenModus == MeasurementStore::TextMode) {
        if (doc)
            doc->appendText(Zeile);
    } else if (m_store.DatenModus == MeasurementStore::DataMode) {
        if (doc)
            doc->appendText(Zeile);
        RowScanner::scan(
            Zeile, RowScanner::Variant::Report, m_settings.separators, m_store, chartOf(doc));
        listing.readAsData = true;
    }

    if (m_store.Rueckmeldung == Rueckmeldung::M)
        takeMeasuredValue(Zeile);
    if (m_store.Rueckmeldung == Rueckmeldung::D && Zeile.contains(u'Y'))
        m_store.Rueckmeldung = Rueckmeldung::Y;

    if (m_listingWatch)
        m_listingWatch(Zeile, listing);
    if (Zeile.contains(SampleNumber) && m_dataRequest)
        m_dataRequest();
}

void ReportEvaluator::startSeries(AbstractDocument *doc)
{
    AbstractChart *chart = chartOf(doc);
    m_store.AnzahlWerte = 0;
    RowScanner::resetSeries(m_store, chart, AbstractChart::ColumnCount);
    m_store.DatenModus = MeasurementStore::DataMode;
    if (!chart)
        return;
    chart->setUniformAxis(false);
    ChartTitles::setCurve(*chart, m_settings.isGerman(), u"ml");
}

void ReportEvaluator::setUnitTitle(const QString &Zeile, AbstractDocument *doc)
{
    // Runs on every line, replies of a run included.
    if (AbstractChart *chart = chartOf(doc))
        ChartTitles::setUnitFromLine(*chart, m_settings.isGerman(), Zeile);
}

void ReportEvaluator::takeMeasuredValue(const QString &Zeile)
{
    // The number stands before a blank and the unit: everything up to two characters before
    // the first "p" (pH) or "m" (mV) of the line.
    qsizetype unit = -1;
    if (Zeile.contains(UnitPh))
        unit = Zeile.indexOf(u'p');
    else if (Zeile.contains(UnitMv))
        unit = Zeile.indexOf(u'm');
    if (unit < 0)
        return;
    // A unit letter at the first or second place leaves no number: not a reading.
    const qsizetype length = unit - 1;
    if (length <= 0)
        return;
    const auto value = Numbers::toNumber(QStringView(Zeile).left(length), m_settings.separators);
    // A reply that is not a number is no reading; the run keeps waiting for one.
    if (!value)
        return;
    const int row = m_store.MessIndex;
    if (row < 0 || row >= MeasurementStore::RowCount)
        return;
    m_store.Messwerte[row][1] = *value;
    m_store.Rueckmeldung = Rueckmeldung::pH;
}
