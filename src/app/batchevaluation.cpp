#include "batchevaluation.h"

#include "documents/chartmodel.h"
#include "documents/documentfile.h"
#include "documents/seriesexport.h"
#include "evaluation/derivative.h"
#include "evaluation/documentevaluator.h"
#include "evaluation/equivalencepointfinder.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"

#include <QDir>

namespace BatchEvaluation {

namespace {

Result failure(Result::Failure kind, const QString &message)
{
    Result result;
    result.failure = kind;
    result.message = message;
    return result;
}

} // namespace

Result evaluateText(const QString &text, Numbers::Separators sep)
{
    SettingsRecord settings;
    settings.separators = sep;
    MeasurementStore store;
    ChartModel chart;

    // As the Chart button and then the derivative button: the derivative reads the Y-axis
    // limits the chart has chosen for the curve just built.
    buildChartFromText(text, store, settings, chart);
    if (store.DatenModus != MeasurementStore::DataMode)
        return failure(
            Result::NoListing, QStringLiteral("holds no data listing (no line with \"t[s]\")"));
    if (store.AnzahlWerte <= 0)
        return failure(Result::NoRows, QStringLiteral("holds a data listing without rows"));
    BerAbleit(store, &chart);
    Result result;
    result.rows = store.AnzahlWerte;
    result.point = EquivalencePointFinder::find(store);
    result.csv = SeriesExport::toCsv(chart, result.point);
    return result;
}

Result evaluateFile(const QString &path, Numbers::Separators sep)
{
    const LoadedText loaded = loadDocumentText(path);
    if (!loaded.problem.ok())
        return failure(Result::Unreadable, fileProblemMessage(loaded.problem, path, false));
    Result result = evaluateText(loaded.text, sep);
    if (!result.ok()) {
        result.message = QStringLiteral("The file \"%1\" %2.")
                             .arg(QDir::toNativeSeparators(path), result.message);
    }
    return result;
}

} // namespace BatchEvaluation
