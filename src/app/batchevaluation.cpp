#include "batchevaluation.h"

#include "app/curveanalysis.h"
#include "documents/chartmodel.h"
#include "documents/documentfile.h"
#include "documents/seriesexport.h"
#include "evaluation/derivative.h"
#include "evaluation/documentevaluator.h"
#include "evaluation/equivalencepointfinder.h"
#include "evaluation/resultsblock.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace BatchEvaluation {

namespace {

Result failure(Result::Failure kind, const QString &message)
{
    Result result;
    result.failure = kind;
    result.message = message;
    return result;
}

QJsonArray pairs(const QList<QPointF> &points)
{
    QJsonArray array;
    for (const QPointF &p : points)
        array.append(QJsonArray {p.x(), p.y()});
    return array;
}

Result evaluateListing(const QString &text, Numbers::Separators sep, const ResultSettings &method)
{
    SettingsRecord settings;
    settings.separators = sep;
    MeasurementStore store;
    ChartModel chart;

    // As the Chart button and then the derivative button: the derivative reads the Y-axis
    // limits the chart has chosen for the curve just built.
    buildChartFromText(text, store, settings, chart);
    if (store.DatenModus != MeasurementStore::DataMode)
        return failure(Result::NoListing,
            QStringLiteral("holds no data listing (no line with \"t[s]\") and no table of a run"));
    if (store.AnzahlWerte <= 0)
        return failure(Result::NoRows, QStringLiteral("holds a data listing without rows"));
    BerAbleit(store, &chart);
    Result result;
    result.rows = store.AnzahlWerte;
    for (int i = 0; i < store.AnzahlWerte; ++i)
        result.listingRows.push_back(
            {store.Messwerte[i][0], store.Messwerte[i][1], store.Zeiten[i]});
    result.point = EquivalencePointFinder::find(store);
    result.csv = SeriesExport::toCsv(chart, result.point);
    result.points = chart.curvePoints();
    result.derivative = chart.derivativePoints();
    TimedSeries readings;
    for (const Result::Row &row : result.listingRows)
        readings.push_back({row.volume, row.value, row.seconds});
    const CurveAnalysis::Analysis analysis
        = CurveAnalysis::analyse(chart, method.epCriterion, &method.method, &readings);
    result.unit = analysis.unit;
    result.analysis = analysis.eps;
    result.pka = analysis.pka;
    result.csv += ResultsBlock::csvComments(result.analysis, method.method);
    const TitrationResultOutcome outcome
        = TitrationResult::compute(method.method, result.analysis.points);
    if (outcome.result)
        result.results.push_back(*outcome.result);
    return result;
}

// "titrant", "titer" ({"value", "u", "determined", "run"} or null) and, when null,
// "titer_note".
void addTiter(QJsonObject &object, const QString &titrant, const TiterChoice &choice)
{
    object.insert(QStringLiteral("titrant"), titrant);
    if (!choice.titer) {
        object.insert(QStringLiteral("titer"), QJsonValue::Null);
        object.insert(QStringLiteral("titer_note"), choice.note());
        return;
    }
    const Journal::Titer &t = *choice.titer;
    object.insert(QStringLiteral("titer"),
        QJsonObject {
            {QStringLiteral("value"), t.value},
            {QStringLiteral("u"), t.u},
            {QStringLiteral("determined"), t.determined.toString(Qt::ISODateWithMs)},
            {QStringLiteral("run"), t.runId > 0 ? QJsonValue(t.runId) : QJsonValue::Null},
        });
}

// [{"source", "u", "share_percent"}, ...]
QJsonArray budgetJson(const std::vector<BudgetContribution> &budget)
{
    QJsonArray array;
    for (const BudgetContribution &c : budget) {
        array.append(QJsonObject {
            {QStringLiteral("source"), UncertaintyBudget::sourceKey(c.source)},
            {QStringLiteral("u"), c.u},
            {QStringLiteral("share_percent"), c.sharePercent},
        });
    }
    return array;
}

} // namespace

QString withRunTableAsListing(const QString &text)
{
    static const QRegularExpression head(
        QStringLiteral("^[ \\t]*ml[ \\t]+(pH|mV)[ \\t]+\\[s\\][ \\t]*\\r?$"),
        QRegularExpression::MultilineOption);
    qsizetype at = -1;
    for (auto it = head.globalMatch(text); it.hasNext();)
        at = it.next().capturedStart();
    if (at < 0)
        return {};
    const qsizetype bracket = text.indexOf(QStringLiteral("[s]"), at);
    // Rows saved by a word processor may have lost the blanks after their last number, which
    // the row scanner needs to take it.
    static const QRegularExpression lineEnd(QStringLiteral("(\\r?\\n)"));
    QString rows = text.mid(bracket);
    rows.replace(lineEnd, QStringLiteral("  \\1"));
    return text.left(bracket) + u't' + rows;
}

Result evaluateText(const QString &text, Numbers::Separators sep, const ResultSettings &method)
{
    Result result = evaluateListing(text, sep, method);
    if (result.failure != Result::NoListing)
        return result;
    const QString listing = withRunTableAsListing(text);
    return listing.isEmpty() ? result : evaluateListing(listing, sep, method);
}

Result evaluateFile(const QString &path, Numbers::Separators sep, const ResultSettings &method)
{
    const LoadedText loaded = loadDocumentText(path);
    if (!loaded.problem.ok())
        return failure(Result::Unreadable, fileProblemMessage(loaded.problem, path, false));
    Result result = evaluateText(loaded.text, sep, method);
    if (!result.ok()) {
        result.message = QStringLiteral("The file \"%1\" %2.")
                             .arg(QDir::toNativeSeparators(path), result.message);
    }
    return result;
}

QByteArray toJson(const Result &result)
{
    QJsonArray eps;
    for (const RecognisedEp &ep : result.analysis.points) {
        eps.append(QJsonObject {
            {QStringLiteral("volume_ml"), ep.volume},
            {QStringLiteral("u_volume_ml"), ep.uVolume},
            {QStringLiteral("value"), ep.value},
            {QStringLiteral("electrode_lag_s"),
                ep.lagSeconds ? QJsonValue(*ep.lagSeconds) : QJsonValue(QJsonValue::Null)},
        });
    }
    QJsonArray results;
    for (const TitrationResultValue &r : result.results) {
        QJsonObject object {
            {QStringLiteral("ep"), r.ep},
            {QStringLiteral("value"), r.value},
            {QStringLiteral("u"), r.u},
            {QStringLiteral("unit"), r.unit},
            {QStringLiteral("expanded_u"), r.expandedU()},
            {QStringLiteral("k"), UncertaintyBudget::CoverageFactor},
            {QStringLiteral("budget"), budgetJson(r.budget)},
        };
        if (result.titer)
            addTiter(object, result.titrant, *result.titer);
        results.append(object);
    }
    QJsonArray pka;
    for (const PkaValue &p : result.pka)
        pka.append(QJsonObject {{QStringLiteral("value"), p.value}, {QStringLiteral("u"), p.u}});
    const QJsonObject object {
        {QStringLiteral("unit"), result.unit},
        {QStringLiteral("points"), pairs(result.points)},
        {QStringLiteral("derivative"), pairs(result.derivative)},
        {QStringLiteral("equivalence_points"), eps},
        {QStringLiteral("results"), results},
        {QStringLiteral("pka"), pka},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

} // namespace BatchEvaluation
