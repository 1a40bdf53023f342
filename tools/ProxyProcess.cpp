#include "ProxyProcess.h"

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
