#include "ServerWorker.h"

#include <QThread>

#include <utility>

QString serverKey(const QString& server)
{
    return server.toLower();
}

// One server's thread, with an object living on it to which that server's requests are queued.
class ServerWorker::Lane {
public:
    Lane() : m_onThread(new QObject)
    {
        m_onThread->moveToThread(&m_thread);
        connect(&m_thread, &QThread::finished, m_onThread, &QObject::deleteLater);
        m_thread.start();
    }
    ~Lane()
    {
        m_thread.quit();
        m_thread.wait();
    }
    Lane(const Lane&) = delete;
    Lane& operator=(const Lane&) = delete;

    QObject* onThread() const { return m_onThread; }

private:
    QThread m_thread;
    QObject* m_onThread;
};

ServerWorker::ServerWorker(std::shared_ptr<OpenFileSource> source) : m_source(std::move(source)) {}

ServerWorker::~ServerWorker() = default;

QObject* ServerWorker::laneOf(const QString& server)
{
    std::unique_ptr<Lane>& lane = m_lanes[serverKey(server)];
    if (!lane)
        lane = std::make_unique<Lane>();
    return lane->onThread();
}

void ServerWorker::list(const QString& server)
{
    enumerate(server, &ServerWorker::listed);
}

void ServerWorker::listBeforeClosing(const QString& server)
{
    enumerate(server, &ServerWorker::listedBeforeClosing);
}

// Each job posts its answer back to this object, whose queued calls die with it.
void ServerWorker::enumerate(const QString& server, Answer answered)
{
    QMetaObject::invokeMethod(laneOf(server), [this, source = m_source, server, answered] {
        OpenFileList answer;
        try {
            answer = source->enumerate(server);
        } catch (...) {
            answer = {failedCall, {}};
        }
        QMetaObject::invokeMethod(
            this, [this, server, answered, answer = std::move(answer)] { emit(this->*answered)(server, answer); },
            Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void ServerWorker::close(const QString& server, std::vector<std::uint32_t> ids)
{
    QMetaObject::invokeMethod(laneOf(server), [this, source = m_source, server, ids = std::move(ids)] {
        for (const std::uint32_t id : ids) {
            try {
                (void)source->close(server, id);
            } catch (...) {
                // One close that fails leaves the others to try.
            }
        }
        QMetaObject::invokeMethod(this, [this, server] { emit closed(server); }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}
