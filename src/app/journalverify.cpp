#include "journalverify.h"

#include "app/evaluatecommand.h"
#include "journal/auditverifier.h"
#include "journal/journalstore.h"

#include <QCoreApplication>
#include <QIODevice>

namespace JournalVerify {

namespace {

constexpr int Unreadable = 2;

QString tr(const char *text)
{
    return QCoreApplication::translate("JournalVerify", text);
}

int say(QIODevice &device, const QString &text, int status)
{
    device.write((text + u'\n').toUtf8());
    return status;
}

} // namespace

int run(JournalStore &store, QIODevice &out, QIODevice &err)
{
    const JournalStore::OpenResult opened = store.open(false);
    if (!opened.ok())
        return say(err, QStringLiteral("kalumet: ") + opened.message, Unreadable);
    const QString name = store.location().displayName();
    const AuditVerifier::Outcome outcome = AuditVerifier::verify(store.database());
    if (!outcome.readable)
        return say(err, QStringLiteral("kalumet: ") + outcome.problem, Unreadable);
    if (outcome.intact)
        return say(out,
            tr("The journal \"%1\" is intact: %2 entries in its audit trail, the newest chain "
               "hash %3.")
                .arg(name)
                .arg(outcome.entries)
                .arg(outcome.entries > 0 ? QString::fromLatin1(outcome.newestHash)
                                         : tr("(none yet)")),
            0);
    const QString where = outcome.firstBadEntry > 0
        ? tr("The journal \"%1\" does not match its audit trail at entry %2 (%3): %4")
              .arg(name)
              .arg(outcome.firstBadEntry)
              .arg(outcome.record, outcome.problem)
        : tr("The journal \"%1\" does not match its audit trail: %2").arg(name, outcome.problem);
    return say(out, where, Broken);
}

} // namespace JournalVerify
