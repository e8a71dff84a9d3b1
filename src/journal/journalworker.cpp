#include "journalworker.h"

#include "journal/journalstore.h"

namespace {

constexpr int RetryInterval = 1000; // ms between attempts while the journal cannot be written
constexpr std::size_t LargestBatch = 500; // readings written in one transaction after an outage

} // namespace

JournalWorker::JournalWorker(const JournalLocation &location, std::shared_ptr<WriteQueue> queue)
    : m_location(location)
    , m_queue(std::move(queue))
    , m_retry(this)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryInterval);
    connect(&m_retry, &QTimer::timeout, this, &JournalWorker::drain);
}

JournalWorker::~JournalWorker() = default;

void JournalWorker::open()
{
    m_store = std::make_unique<JournalStore>(m_location);
    const JournalStore::OpenResult result = m_store->open(true);
    if (!result.ok()) {
        if (result.status == JournalStore::OpenStatus::Unreachable) {
            // A server that is down now may be up later: keep what comes and try again. Said
            // once; the attempts that follow stay quiet until one succeeds.
            if (!m_failing) {
                m_failing = true;
                Q_EMIT opened(false, result.message, 0);
                Q_EMIT unavailable(result.message);
            }
            m_store.reset();
            m_retry.start();
            return;
        }
        {
            QMutexLocker lock(&m_queue->mutex);
            m_queue->disabled = true;
            m_queue->operations.clear();
            m_queue->drained.wakeAll();
        }
        m_store.reset();
        Q_EMIT opened(false, result.message, 0);
        return;
    }
    m_opened = true;
    const int interrupted = m_store->markInterrupted();
    Q_EMIT opened(true, QString(), qMax(0, interrupted));
    drain();
}

void JournalWorker::failed(const QString &reason)
{
    if (!m_failing) {
        m_failing = true;
        Q_EMIT unavailable(reason);
    }
    m_retry.start();
}

bool JournalWorker::ensureRun(const QString &uuid, qint64 &id)
{
    const auto it = m_runIds.constFind(uuid);
    if (it != m_runIds.constEnd()) {
        id = it.value();
        return true;
    }
    const auto found = m_store->runIdOf(uuid);
    if (!found)
        return false;
    m_runIds.insert(uuid, *found);
    id = *found;
    return true;
}

bool JournalWorker::write(const WriteOperation &op, const std::vector<Journal::Reading> &batch)
{
    qint64 id = 0;
    switch (op.type) {
    case WriteOperation::Type::BeginRun: {
        m_store->holdRun(op.uuid);
        const auto runId = m_store->beginRun(op.start);
        if (!runId)
            return false;
        m_runIds.insert(op.uuid, *runId);
        return true;
    }
    case WriteOperation::Type::AddReading:
        if (!ensureRun(op.uuid, id))
            return false;
        return batch.size() > 1 ? m_store->addReadings(id, batch)
                                : m_store->addReading(id, op.reading);
    case WriteOperation::Type::FinishRun:
        if (!ensureRun(op.uuid, id) || !m_store->finishRun(id, op.reason, op.at))
            return false;
        m_store->releaseRun(op.uuid);
        return true;
    case WriteOperation::Type::SetDocumentFile:
        return ensureRun(op.uuid, id) && m_store->setDocumentFile(id, op.text);
    case WriteOperation::Type::AddEvaluation: {
        if (!ensureRun(op.uuid, id))
            return false;
        const std::optional<int> version = m_store->addEvaluation(id, op.evaluation, op.text);
        if (!version)
            return false;
        if (m_evaluationStored)
            m_evaluationStored(*m_store, id, *version);
        const std::optional<Audit::Link> link = m_store->newestLink();
        Q_EMIT evaluationWritten(op.text, *version, link ? link->hash : QByteArray());
        return true;
    }
    case WriteOperation::Type::RecordChange:
        return m_store->recordChange(op.change);
    case WriteOperation::Type::AddTiter: {
        if (!ensureRun(op.uuid, id))
            return false;
        Journal::Titer titer = op.titer;
        titer.runId = id;
        return m_store->addTiter(titer).has_value();
    }
    }
    return false;
}

void JournalWorker::drain()
{
    if (!m_store) {
        open();
        return;
    }
    if (m_failing && !m_store->reconnect()) {
        failed(m_store->lastError());
        return;
    }
    for (;;) {
        // The head is copied, not taken: a write that fails is tried again first. The
        // window's thread only appends, which moves the deque's iterators but not its head.
        WriteOperation op;
        std::vector<Journal::Reading> batch;
        {
            QMutexLocker lock(&m_queue->mutex);
            auto &operations = m_queue->operations;
            if (operations.empty()) {
                m_queue->drained.wakeAll();
                break;
            }
            op = operations.front();
            // Readings kept back by an outage go in one transaction per run.
            if (m_failing && op.type == WriteOperation::Type::AddReading) {
                for (std::size_t i = 0; i < operations.size() && batch.size() < LargestBatch; ++i) {
                    const WriteOperation &next = operations[i];
                    if (next.type != WriteOperation::Type::AddReading || next.uuid != op.uuid)
                        break;
                    batch.push_back(next.reading);
                }
            }
        }
        if (!write(op, batch)) {
            failed(m_store->lastError());
            return;
        }
        QMutexLocker lock(&m_queue->mutex);
        const std::size_t consumed = std::max<std::size_t>(1, batch.size());
        m_queue->operations.erase(
            m_queue->operations.begin(), m_queue->operations.begin() + std::ptrdiff_t(consumed));
    }
    if (m_failing) {
        m_failing = false;
        Q_EMIT available();
    }
}

void JournalWorker::close()
{
    m_retry.stop();
    m_store.reset();
}
