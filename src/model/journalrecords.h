#pragma once

#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <optional>
#include <vector>

// The plain records a titration run, a received report and an evaluation hand over to the lab
// journal. They know nothing of the database; the journal stores them as they are.
namespace Journal {

// What a run record stands for.
enum class RunKind {
    Incremental, // an incremental run of this program
    Report, // a listing received with Res or Data
    Import, // a saved document taken into the journal
};

// How a run ended; Running until it has.
enum class EndReason {
    Running,
    EndValue, // the end value was passed
    EndVolume, // the end volume was reached
    TableFull, // the table's last row was written
    Stopped, // the user stopped it
    NoReply, // the titrator stopped answering
    PortError, // a command could not be written
    DocumentClosed, // the run's document was closed
    Interrupted, // the process that wrote it died
    Report, // a received listing, complete
    Import, // an imported document
};

// Who wrote a record, and with what.
struct Origin
{
    QString operatorName; // the login name
    QString host;
    QString programVersion;
};

// The key of a run's method map that names its method: the folder of the method file the
// run started with (lastmeth.kmt), as --journal-list --method selects it.
inline constexpr char MethodNameKey[] = "Run/Method";

// A run as it is known at its start.
struct RunStart
{
    QString uuid; // unique across workstations; made by the journal when empty
    RunKind kind = RunKind::Incremental;
    QString sampleId;
    double sampleSize = 0; // 0: not entered
    QString sampleUnit; // "g" or "mL"
    QString unit; // "pH" or "mV"
    QVariantMap method; // every value the run started with, by its settings key
    QDateTime started;
    Origin origin;
    QString documentFile; // empty until the document is saved
};

// One reading of a run, committed as it is taken.
struct Reading
{
    int index = 0; // 0 for the first reading of the run
    double volume = 0; // mL
    double value = 0; // pH or mV
    double seconds = 0; // since the run's start
    bool forced = false; // a drift reading taken at the longest wait

    bool operator==(const Reading &) const = default;
};

struct EvaluatedEp
{
    double volume = 0; // mL
    double uVolume = 0; // standard uncertainty, mL
    double value = 0; // measured value at the EP
    std::optional<double> lagSeconds; // the electrode's lag seen at the EP, s; none: none seen

    bool operator==(const EvaluatedEp &) const = default;
};

struct EvaluatedResult
{
    int ep = 1; // counts from 1
    double value = 0;
    double u = 0;
    QString unit;

    bool operator==(const EvaluatedResult &) const = default;
};

// One evaluation of a run. A new evaluation of the same run adds a version.
struct Evaluation
{
    int version = 0; // given by the journal
    QDateTime created;
    Origin origin;
    QString reason; // why it was evaluated again; empty for the first
    double criterion = 1; // the EP recognition's strictness
    QVariantMap method; // the method values the result was computed with
    std::vector<EvaluatedEp> points;
    std::vector<EvaluatedResult> results;
};

// A titrant of the lab: a solution with a nominal concentration whose titer is determined
// against a standard now and then, and taken as valid for a number of days.
struct Titrant
{
    qint64 id = 0; // given by the journal
    QString uuid; // made by the journal when empty
    QString name;
    double concentration = 0; // nominal, in unit
    QString unit = QStringLiteral("mol/L");
    int validityDays = 7;
    QDateTime created;

    bool operator==(const Titrant &) const = default;
};

// One titer determination of a titrant: titer = n(standard) / (c_nominal * (V_EP - blank)).
struct Titer
{
    qint64 id = 0; // given by the journal
    QString uuid; // made by the journal when empty
    qint64 titrantId = 0;
    qint64 runId = 0; // the determination's run; 0: none
    double value = 1;
    double u = 0; // standard uncertainty
    QDateTime determined;
    Origin origin;
    QVariantMap standard; // mass, molar mass, purity, factor, blank, EP volume, ...
};

} // namespace Journal
