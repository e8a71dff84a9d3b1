#pragma once

#include "evaluation/titerdetermination.h"
#include "evaluation/titrationresult.h"

#include <QVariantMap>

class QSettings;

// What turns a curve into a reported result, from the settings group "Method": the method's
// values, how strict the EP recognition is, and whether a run's end appends the results block.
struct ResultSettings
{
    MethodValues method;
    double epCriterion = 1; // scales the recognition's significance threshold
    bool resultsAtRunEnd = false;
    bool askSampleAtStart = false; // Titr. Start asks for the sample's id and size first
    // The sample is a primary standard: the run determines the titer of the method's titrant.
    bool titerDetermination = false;
    PrimaryStandard standard;

    // A key that is missing or holds a value that is no number, out of its range or an unknown
    // unit gives its default. Numbers may be written with "." or ","; the sample id is trimmed
    // and cut to MaxSampleIdLength.
    static ResultSettings read(QSettings &settings);
    // The same from the group's values by their keys ("SampleSize", "EPCriterion", ...).
    static ResultSettings fromValues(const QVariantMap &values);
    // Writes every value into the group "Method", numbers with ".".
    void write(QSettings &settings) const;
    // Writes only the sample's id, size and unit into the group "Method".
    static void writeSample(QSettings &settings, const MethodValues &method);

    bool operator==(const ResultSettings &) const = default;
};
