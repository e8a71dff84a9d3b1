#include "datalist.h"

#include "documents/abstractchart.h"
#include "documents/abstractdocument.h"
#include "evaluation/measurementstore.h"
#include "evaluation/rowscanner.h"

void clearDataList(MeasurementStore &store, AbstractDocument *document)
{
    if (document)
        document->setText(QString());
    AbstractChart *chart = document ? &document->chart() : nullptr;
    RowScanner::resetSeries(store, chart, AbstractChart::ColumnCount);
    if (chart)
        chart->setUniformAxis(false);
}
