// The journal commands' part of the usage and of --help.
#include "journalcommand.h"

namespace JournalCommand {

namespace {

const char Usage[]
    = R"(       kalumet --journal-list [--sample ID] [--method NAME] [--since YYYY-MM-DD]
                              [--until YYYY-MM-DD] [--format csv|json] [--out FILE]
                              [--journal URL]
       kalumet --journal-show RUN [--out FILE] [--journal URL]
       kalumet --journal-import FILE.rtf... [--sample ID] [method options] [--journal URL]
       kalumet --journal-copy --to URL [--journal URL]
       kalumet --journal-evaluate RUN --reason TEXT [method options] [--out FILE]
                              [--journal URL]
       kalumet --journal-verify [--journal URL]
)";

const char Help[] = R"(The journal, the lab's record of every run, without a window:
  --journal URL     the journal to use: an SQLite file (a path or sqlite:///path) or a
                    PostgreSQL database (postgresql://user@host:port/database, or
                    postgresql:///database?host=/socket/directory); the password comes
                    from ~/.pgpass or PGPASSWORD, never from the URL. Without it: the
                    journal of the settings (key Journal/Url), else the SQLite file
                    $XDG_DATA_HOME/Kalumet/journal.sqlite
  --journal-list    lists the runs, newest first: id, kind, sample, started, ended,
                    end_reason, readings (their number) and the result of the newest
                    evaluation. CSV by default (as --evaluate): a header line
                    "id,kind,sample,started,ended,end_reason,readings,value,u,unit",
                    "." as decimal point, a field with "," or a quote in quotes; with
                    --format json one object {"runs": [{"id", "kind", "sample",
                    "started", "ended", "end_reason", "readings", "result"}], "series":
                    [{"sample", "unit", "n", "mean", "s", "rsd_percent", "ci95",
                    "outliers"}]}, where "result" is {"value", "u", "unit"} or null and
                    "series" has the statistics of each sample's results among the runs
                    listed (null where too few), "outliers" the runs Grubbs' test
                    flags. Times are ISO 8601 with the offset of the workstation that
                    recorded them; "ended" is empty (null) while the run is running
  --sample ID       list only the runs of this sample; with --journal-import: the sample
                    of the runs it makes (else none)
  --method NAME     list only the runs of this method: the name of the folder whose
                    lastmeth.kmt the run started with (the folder Kalumet was started
                    from), kept in the run's method as "Run/Method"
  --since DAY       list only runs started on DAY (YYYY-MM-DD, local time) or later
  --until DAY       list only runs started on DAY or earlier
  --format FORMAT   csv (the default) or json
  --out FILE        write the list or the run to FILE instead of standard output (as
                    --csv writes)
  --journal-show RUN   writes the run with this id (or uuid) as one JSON object: the
                    list's fields, with "readings" as [[volume_ml, value, seconds], ...],
                    and "unit", "method", "forced" (the indices of readings taken at the
                    drift's longest wait), "evaluations" (oldest first: "version",
                    "created", "operator", "reason", "equivalence_points" and "results"
                    with the fields of --evaluate), "sample_size", "sample_unit",
                    "operator", "host", "program_version", "document_file", "uuid"
  --journal-import FILE...   takes saved documents (a titrator's listing, or the table
                    of a run) into the journal as runs of kind "import", each with its
                    readings and one evaluation as --evaluate computes it (the method
                    options above apply). A run starts at its file's modification time.
                    Says per file which run it made, with its readings and EPs; the same
                    document is not taken twice. A file that cannot be read is reported
                    and the others are still taken; the exit status is then 2
  --journal-copy    copies the whole journal into the empty journal --to URL (SQLite to
                    PostgreSQL or back) with its ids, then checks the copy: prints the
                    rows and a SHA-256 digest of every table, of the source and the copy
  --to URL          the journal --journal-copy writes to; one that holds runs is refused
  --journal-evaluate RUN   evaluates the run with this id (or uuid) again and keeps the
                    evaluation as the run's next version; the readings and the earlier
                    versions stay as they are. The run's readings are read as --evaluate
                    reads a run's table, with the method values of its newest evaluation
                    (or, with none, those it started with); the method options above
                    override them, say --sample-size for a corrected sample size, or
                    --ep-criterion, --result-ep. Writes the evaluation as --evaluate
                    --format json does, with "run" (its id), "version" and "reason".
                    With a drop folder in the settings (key Journal/DropFolder) it also
                    writes <sample>-run<id>-v<version>.json there, whole or not at all
  --reason TEXT     why the run is evaluated again, kept with the version; needed

  --journal-verify  checks the journal's audit trail: that each entry's SHA-256 hash chains
                    onto the one before, and that every record an entry covers (a run's
                    start, its end with all its readings, its document file, each
                    evaluation, titrant and titer) is still as the entry recorded it.
                    Prints the number of entries and the newest chain hash; exit status 0
                    when intact, 3 with the first entry that does not match


Exit status of the journal commands: 0 done; 1 when the journal or the output cannot be
written (for --journal-evaluate also the drop folder: the evaluation is kept), or when a
copy differs from its source; 2 for wrong arguments, a journal that cannot be read (none
there, damaged, made by a newer program, unreachable), an unknown run, a run without
readings to evaluate, --journal-evaluate without a reason, a copy's target that already
holds runs, and after --journal-import when a file could not be read; 3 when
--journal-verify finds the journal changed behind the program's back. --journal-list,
--journal-show, --journal-evaluate and --journal-verify never make a journal where there
is none.
)";

} // namespace

QByteArray usageLines()
{
    return Usage;
}

QByteArray helpText()
{
    return Help;
}

} // namespace JournalCommand
