#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

// The simulated titrator on a pseudo-terminal of its own, for as long as this object lives.
class TitratorSim
{
public:
    explicit TitratorSim(const QStringList &options)
    {
        m_process.setProgram(QStringLiteral(KALUMET_BINARY_DIR "/titrator-sim"));
        m_process.setArguments(options);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return;
        // The first line of its output names the device it serves.
        const QDeadlineTimer deadline(5000);
        while (!m_process.canReadLine() && !deadline.hasExpired())
            m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~TitratorSim()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    TitratorSim(const TitratorSim &) = delete;
    TitratorSim &operator=(const TitratorSim &) = delete;

    QString device; // empty when it did not start

private:
    QProcess m_process;
};
