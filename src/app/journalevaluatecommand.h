#pragma once

class JournalStore;
class QCommandLineParser;
class QIODevice;
class QSettings;

// kalumet --journal-evaluate RUN --reason TEXT [method options]: a stored run evaluated again
// and kept as its next version, printed as --evaluate's JSON with "run", "version" and
// "reason", and written into the drop folder of the settings (Journal/DropFolder) if one is
// set. Part of JournalCommand, which has checked which options go with it.
namespace JournalEvaluateCommand {

// 0 done; 1 the journal, the output or the drop folder could not be written (the evaluation
// is kept when only the drop folder failed); 2 no reason, a wrong method value, an unknown run
// or one without readings to evaluate.
int execute(JournalStore &store, const QCommandLineParser &parser, QIODevice &out, QIODevice &err,
    const QSettings &settings);

} // namespace JournalEvaluateCommand
