#include "curveanalysis.h"

#include "evaluation/resultsblock.h"
#include "model/measurementstore.h"

namespace CurveAnalysis {

Analysis analyse(const ChartModel &chart, double criterion, const MethodValues *method,
    const TimedSeries *readings)
{
    Analysis a;
    a.unit = chart.axisTitle(AbstractChart::YAxis).startsWith(u"mV") ? QStringLiteral("mV")
                                                                     : QStringLiteral("pH");
    CurveSeries series;
    for (const QPointF &p : chart.curvePoints())
        series.push_back({p.x(), p.y()});
    a.eps = EpRecognition::recognise(
        series, criterion, a.unit == u"mV" ? Reading::Potential : Reading::Ph);
    if (readings)
        LagCorrection::apply(a.eps, *readings);
    // A potential in mV is no pH: no proton balance to fit.
    if (method && a.unit == u"pH") {
        PkaConditions conditions;
        conditions.titrantConcentration = method->titrantConcentration;
        if (TitrationResult::sampleUnitFromText(method->sampleUnit) == SampleUnit::Millilitre)
            conditions.startVolume = method->sampleSize;
        a.pka = PkaFit::fit(series, a.eps.points, conditions);
    }
    return a;
}

TimedSeries timedReadings(const MeasurementStore &store, const ChartModel &chart)
{
    if (store.AnzahlWerte <= 0 || chart.curvePoints().size() != store.AnzahlWerte)
        return {};
    TimedSeries readings;
    for (int i = 0; i < store.AnzahlWerte; ++i)
        readings.push_back({store.Messwerte[std::size_t(i)][0], store.Messwerte[std::size_t(i)][1],
            store.Zeiten[std::size_t(i)]});
    return readings;
}

QList<ChartModel::Marker> markers(const EpAnalysis &eps, Numbers::Separators sep)
{
    QList<ChartModel::Marker> list;
    for (std::size_t i = 0; i < eps.points.size(); ++i) {
        const RecognisedEp &ep = eps.points[i];
        list.append({EquivalencePoint {ep.volume, ep.value},
            ResultsBlock::markerLabel(int(i), ep.volume, sep)});
    }
    return list;
}

} // namespace CurveAnalysis
