#include "InstanceLock.h"

#include <QLocalServer>

#include <unistd.h>

// The socket only needs to exist: nobody connects to it.
struct InstanceLock::Held {
    QLocalServer server;
};

InstanceLock::InstanceLock(const QString& name) : m_held(std::make_unique<Held>())
{
    m_held->server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    const QString perUser = name + QLatin1Char('-') + QString::number(getuid());
    if (!m_held->server.listen(perUser))
        m_held.reset();
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::acquired() const
{
    return m_held != nullptr;
}
