#pragma once

#include "journal/journallocation.h"
#include "journal/writequeue.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class JournalStore;

// The journal writer's half on its own thread: owns the connection and works the queue off.
class JournalWorker : public QObject
{
    Q_OBJECT
public:
    JournalWorker(const JournalLocation &location, std::shared_ptr<WriteQueue> queue);
    ~JournalWorker() override;

    // Before the thread writes anything: see JournalWriter::setEvaluationStored.
    void setEvaluationStored(std::function<void(JournalStore &, qint64, int)> stored)
    {
        m_evaluationStored = std::move(stored);
    }

public Q_SLOTS:
    void open();
    // Writes what is queued until the queue is empty or a write fails.
    void drain();
    // Before the thread ends: the connection goes with it.
    void close();

Q_SIGNALS:
    void opened(bool ok, const QString &message, int interrupted);
    void unavailable(const QString &reason);
    void available();
    // The evaluation written under `key` is its run's `version`; the trail's newest hash after it.
    void evaluationWritten(const QString &key, int version, const QByteArray &chainHash);

private:
    bool write(const WriteOperation &op, const std::vector<Journal::Reading> &batch);
    bool ensureRun(const QString &uuid, qint64 &id);
    void failed(const QString &reason);

    JournalLocation m_location;
    std::shared_ptr<WriteQueue> m_queue;
    std::unique_ptr<JournalStore> m_store;
    QHash<QString, qint64> m_runIds; // uuid -> the run's id in the database
    std::function<void(JournalStore &, qint64, int)> m_evaluationStored;
    QTimer m_retry;
    bool m_opened = false;
    bool m_failing = false;
};
