#pragma once

#include "app/batchevaluation.h"
#include "common/numbers.h"
#include "evaluation/resultsettings.h"
#include "model/journalrecords.h"

#include <QString>
#include <QVariantMap>

#include <vector>

class JournalStore;

// A saved document taken into the journal as a run of kind "import": its readings and one
// evaluation as --evaluate computes it. The run's id in the journal follows from the file's
// content, so the same document is never taken twice, and an import cut short is completed
// by the next one.
namespace JournalImport {

struct Request
{
    QString sampleId;
    ResultSettings method;
    Numbers::Separators separators = Numbers::Separators::dot(); // of the document's numbers
    Journal::Origin origin;
};

struct Outcome
{
    enum Status {
        Imported,
        AlreadyThere, // the same document was imported before: nothing written
        Unreadable, // the document cannot be read or holds no listing
        WriteFailed,
    };
    Status status = Imported;
    QString message; // why not, in English
    qint64 runId = 0;
    int readings = 0;
    int eps = 0;
};

Outcome importFile(JournalStore &store, const QString &path, const Request &request);

// The records of one evaluated document, as importFile writes them.
std::vector<Journal::Reading> readingsOf(const BatchEvaluation::Result &result);
Journal::Evaluation evaluationOf(const BatchEvaluation::Result &result, const Request &request);
// The method's values by their settings key (group "Method").
QVariantMap methodValues(const ResultSettings &settings);

} // namespace JournalImport
