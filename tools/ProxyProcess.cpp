#include "ProxyProcess.h"

#include <QDeadlineTimer>

#include <signal.h>

#include <stdexcept>

ProxyProcess::ProxyProcess(const QStringList& arguments)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(TARNWICK_PROXY_PATH), arguments);
    if (!m_process.waitForReadyRead(5000) || m_process.readLine().trimmed() != "listening")
        throw std::runtime_error("the proxy did not start: " + arguments.join(u' ').toStdString());
}

bool ProxyProcess::waitForClient(int milliseconds)
{
    while (m_process.canReadLine() || m_process.waitForReadyRead(milliseconds)) {
        if (m_process.readLine().trimmed() == "accepted")
            return true;
    }
    return false;
}

ProxyProcess::~ProxyProcess()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished();
}

std::uint64_t ProxyProcess::roundTrips()
{
    const QByteArray prefix = "round trips ";
    ::kill(static_cast<pid_t>(m_process.processId()), SIGUSR1);
    const QDeadlineTimer deadline(5000);
    for (;;) {
        while (!m_process.canReadLine()) {
            if (deadline.hasExpired() || !m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
                throw std::runtime_error("the proxy did not count its round trips");
        }
        // The connections accepted since the last look come first.
        const QByteArray line = m_process.readLine().trimmed();
        if (line == "accepted")
            continue;
        bool number = false;
        const std::uint64_t count = line.startsWith(prefix) ? line.mid(prefix.size()).toULongLong(&number) : 0;
        if (!number)
            throw std::runtime_error("the proxy said " + line.toStdString());
        return count;
    }
}
