#include "audittrail.h"

#include "journal/recordcodec.h"
#include "journal/rowtext.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>

#include <array>

namespace Audit {

namespace {

struct ActionName
{
    Action action;
    const char *text;
};

constexpr std::array ActionNames {
    ActionName {Action::RunStarted, "run started"},
    ActionName {Action::RunEnded, "run ended"},
    ActionName {Action::DocumentSaved, "document saved"},
    ActionName {Action::Evaluated, "evaluated"},
    ActionName {Action::SampleSizeCorrected, "sample size corrected"},
    ActionName {Action::TiterDetermined, "titer determined"},
    ActionName {Action::TitrantChanged, "titrant changed"},
    ActionName {Action::MethodChanged, "method changed"},
    ActionName {Action::Migrated, "migrated"},
    ActionName {Action::Copied, "copied"},
};

QString valuesText(const QVariantMap &values)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonObject::fromVariantMap(values)).toJson(QJsonDocument::Compact));
}

// Text columns are NOT NULL: a null QString binds as NULL, an empty one as ''.
QVariant text(const QString &value)
{
    return QVariant(value.isNull() ? QStringLiteral("") : value);
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QString actionText(Action action)
{
    for (const ActionName &name : ActionNames) {
        if (name.action == action)
            return QString::fromLatin1(name.text);
    }
    return {};
}

std::optional<Action> actionFromText(const QString &text)
{
    for (const ActionName &name : ActionNames) {
        if (text == QLatin1StringView(name.text))
            return name.action;
    }
    return std::nullopt;
}

QByteArray genesisHash()
{
    return QByteArray(64, '0');
}

QString recordOfRun(const QString &uuid)
{
    return QStringLiteral("run:") + uuid;
}

QString recordOfEvaluation(const QString &uuid)
{
    return QStringLiteral("evaluation:") + uuid;
}

QString recordOfTitrant(const QString &uuid)
{
    return QStringLiteral("titrant:") + uuid;
}

QString recordOfTiter(const QString &uuid)
{
    return QStringLiteral("titer:") + uuid;
}

QByteArray canonicalText(const QVariantList &hashedValues)
{
    QByteArray text = "[";
    for (const QVariant &value : hashedValues) {
        if (text.size() > 1)
            text += ',';
        RowText::appendValue(text, value);
    }
    return text + ']';
}

QByteArray chainHash(const QByteArray &previousHash, const QByteArray &canonicalText)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(previousHash);
    hash.addData(QByteArrayView("\n"));
    hash.addData(canonicalText);
    return hash.result().toHex();
}

std::optional<Link> newest(QSqlDatabase &db, QString *error)
{
    QSqlQuery query(db);
    if (!query.exec(
            QStringLiteral("SELECT seq, hash FROM audit_trail ORDER BY seq DESC LIMIT 1"))) {
        fail(error, query.lastError().text());
        return std::nullopt;
    }
    if (!query.next())
        return Link {0, genesisHash()};
    return Link {query.value(0).toLongLong(), query.value(1).toString().toLatin1()};
}

std::optional<Link> append(QSqlDatabase &db, const Entry &entry, QString *error)
{
    const std::optional<Link> last = newest(db, error);
    if (!last)
        return std::nullopt;
    const QDateTime at = entry.at.isValid() ? entry.at : QDateTime::currentDateTime();
    const QVariantList hashed {
        QVariant(last->seq + 1),
        QVariant(RecordCodec::timeText(at)),
        QVariant(at.offsetFromUtc()),
        text(entry.origin.operatorName),
        text(entry.origin.host),
        text(entry.origin.programVersion),
        text(actionText(entry.action)),
        text(entry.record),
        text(valuesText(entry.oldValues)),
        text(valuesText(entry.newValues)),
        text(QString::fromLatin1(entry.dataDigest)),
    };
    const QByteArray hash = chainHash(last->hash, canonicalText(hashed));
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO audit_trail (%1, previous_hash, hash) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                       .arg(QLatin1StringView(HashedColumns)));
    for (const QVariant &value : hashed)
        insert.addBindValue(value);
    insert.addBindValue(QString::fromLatin1(last->hash));
    insert.addBindValue(QString::fromLatin1(hash));
    if (!insert.exec()) {
        fail(error, insert.lastError().text());
        return std::nullopt;
    }
    return Link {last->seq + 1, hash};
}

} // namespace Audit
