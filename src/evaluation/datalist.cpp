#include "datalist.h"

#include "evaluation/rowscanner.h"
#include "model/abstractchart.h"
#include "model/abstractdocument.h"
#include "model/measurementstore.h"

void clearDataList(MeasurementStore &store, AbstractDocument *document)
{
    if (document)
        document->setText(QString());
    AbstractChart *chart = document ? &document->chart() : nullptr;
    RowScanner::resetSeries(store, chart, AbstractChart::ColumnCount);
    if (chart)
        chart->setUniformAxis(false);
}
