#include "journalwriter.h"

#include "journal/journalworker.h"
#include "journal/writequeue.h"

#include <QDeadlineTimer>
#include <QUuid>

namespace {

constexpr int ClosingWait = 5000; // ms the end of the program waits for the journal

} // namespace

JournalWriter::JournalWriter(const JournalLocation &location, QObject *parent)
    : QObject(parent)
    , m_location(location)
    , m_queue(std::make_shared<WriteQueue>())
{
    m_thread.setObjectName(QStringLiteral("journal"));
    m_worker = new JournalWorker(location, m_queue);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &JournalWorker::opened, this, &JournalWriter::opened);
    connect(m_worker, &JournalWorker::unavailable, this, &JournalWriter::unavailable);
    connect(m_worker, &JournalWorker::available, this, &JournalWriter::available);
    connect(m_worker, &JournalWorker::evaluationWritten, this, &JournalWriter::evaluationWritten);
    m_thread.start();
}

JournalWriter::~JournalWriter()
{
    waitUntilWritten(ClosingWait);
    QMetaObject::invokeMethod(m_worker, &JournalWorker::close, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void JournalWriter::open()
{
    QMetaObject::invokeMethod(m_worker, &JournalWorker::open, Qt::QueuedConnection);
}

namespace {

void enqueue(WriteQueue &queue, WriteOperation op, QObject *worker)
{
    {
        QMutexLocker lock(&queue.mutex);
        if (queue.disabled)
            return;
        queue.operations.push_back(std::move(op));
    }
    QMetaObject::invokeMethod(worker, "drain", Qt::QueuedConnection);
}

} // namespace

QString JournalWriter::beginRun(Journal::RunStart run)
{
    if (run.uuid.isEmpty())
        run.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!run.started.isValid())
        run.started = QDateTime::currentDateTime();
    WriteOperation op;
    op.type = WriteOperation::Type::BeginRun;
    op.uuid = run.uuid;
    op.start = std::move(run);
    const QString uuid = op.uuid;
    enqueue(*m_queue, std::move(op), m_worker);
    return uuid;
}

void JournalWriter::addReading(const QString &uuid, const Journal::Reading &reading)
{
    WriteOperation op;
    op.type = WriteOperation::Type::AddReading;
    op.uuid = uuid;
    op.reading = reading;
    enqueue(*m_queue, std::move(op), m_worker);
}

void JournalWriter::finishRun(
    const QString &uuid, Journal::EndReason reason, const QDateTime &ended)
{
    WriteOperation op;
    op.type = WriteOperation::Type::FinishRun;
    op.uuid = uuid;
    op.reason = reason;
    op.at = ended.isValid() ? ended : QDateTime::currentDateTime();
    enqueue(*m_queue, std::move(op), m_worker);
}

void JournalWriter::setDocumentFile(const QString &uuid, const QString &file)
{
    WriteOperation op;
    op.type = WriteOperation::Type::SetDocumentFile;
    op.uuid = uuid;
    op.text = file;
    enqueue(*m_queue, std::move(op), m_worker);
}

QString JournalWriter::addEvaluation(const QString &uuid, const Journal::Evaluation &evaluation)
{
    WriteOperation op;
    op.type = WriteOperation::Type::AddEvaluation;
    op.uuid = uuid;
    op.evaluation = evaluation;
    if (!op.evaluation.created.isValid())
        op.evaluation.created = QDateTime::currentDateTime();
    op.text = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString key = op.text;
    enqueue(*m_queue, std::move(op), m_worker);
    return key;
}

void JournalWriter::recordChange(const Audit::Entry &change)
{
    WriteOperation op;
    op.type = WriteOperation::Type::RecordChange;
    op.change = change;
    // Made now, whenever the journal takes it.
    if (!op.change.at.isValid())
        op.change.at = QDateTime::currentDateTime();
    enqueue(*m_queue, std::move(op), m_worker);
}

void JournalWriter::setEvaluationStored(EvaluationStored stored)
{
    m_worker->setEvaluationStored(std::move(stored));
}

void JournalWriter::addTiter(const QString &uuid, const Journal::Titer &titer)
{
    WriteOperation op;
    op.type = WriteOperation::Type::AddTiter;
    op.uuid = uuid;
    op.titer = titer;
    // Its own uuid makes a write repeated after a failure harmless.
    if (op.titer.uuid.isEmpty())
        op.titer.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!op.titer.determined.isValid())
        op.titer.determined = QDateTime::currentDateTime();
    enqueue(*m_queue, std::move(op), m_worker);
}

int JournalWriter::pending() const
{
    QMutexLocker lock(&m_queue->mutex);
    return int(m_queue->operations.size());
}

bool JournalWriter::waitUntilWritten(int msecs)
{
    QDeadlineTimer deadline(msecs);
    QMutexLocker lock(&m_queue->mutex);
    while (!m_queue->operations.empty()) {
        if (!m_queue->drained.wait(&m_queue->mutex, deadline))
            return m_queue->operations.empty();
    }
    return true;
}
