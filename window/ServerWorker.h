#pragma once

#include "OpenFileSource.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <cstdint>
#include <memory>
#include <vector>

// The one thread that talks to the server, so that the window never waits on it. Requests run
// on that thread one after the other, in the order they were made, and touch nothing but the
// open-file source; each answer comes back as a signal on the thread that made the worker
// (the window's), as plain data. Servers are named as the source takes them ("\\" + name).
//
// A source that throws is answered with failedCall: nothing leaves the worker thread.
// Destroying the worker waits for the request it is running; the program itself never does
// that, since closing the window ends the process at once.
class ServerWorker final : public QObject {
    Q_OBJECT
public:
    static constexpr SourceStatus failedCall{SourceOutcome::failed, 1627}; // ERROR_FUNCTION_FAILED

    explicit ServerWorker(std::shared_ptr<OpenFileSource> source);
    ~ServerWorker() override;

    // Enumerates the server's open files; listed() answers.
    void list(const QString& server);
    // The same for the listing that decides what closing may touch; listedBeforeClosing() answers.
    void listBeforeClosing(const QString& server);
    // Closes the identifiers one after the other, in this order; closed() answers with one
    // status per identifier.
    void close(const QString& server, std::vector<std::uint32_t> ids);

signals:
    // The source's answer unchanged.
    void listed(const QString& server, const OpenFileList& answer);
    void listedBeforeClosing(const QString& server, const OpenFileList& answer);
    void closed(const QString& server, const std::vector<SourceStatus>& statuses);

private:
    using Answer = void (ServerWorker::*)(const QString&, const OpenFileList&);
    void enumerate(const QString& server, Answer answered);

    std::shared_ptr<OpenFileSource> m_source;
    QThread m_thread;
    QObject* m_onThread; // lives on m_thread; requests are queued to it
};
