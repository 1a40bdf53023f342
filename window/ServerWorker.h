#pragma once

#include "OpenFileSource.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

// A server's name as the worker tells servers apart: as the source compares names, ignoring case.
QString serverKey(const QString& server);

// The threads that talk to the servers, so that the window never waits on one, and a silent
// server holds up only its own requests: each server (serverKey) has a thread of its own, made
// at its first request and kept. A server's requests run on its thread one after the other, in
// the order they were made, and touch nothing but the open-file source; each answer comes back
// as a signal on the thread that made the worker (the window's), as plain data. Servers are
// named as the source takes them ("\\" + name).
//
// A source that throws is answered with failedCall: nothing leaves a worker thread.
// Destroying the worker waits for the requests its threads are running; the program itself
// never does that, since closing the window ends the process at once.
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
    // Closes the identifiers one after the other, in this order; closed() answers once all
    // were tried (the window lists again rather than reading each close's status).
    void close(const QString& server, std::vector<std::uint32_t> ids);

signals:
    // The source's answer unchanged.
    void listed(const QString& server, const OpenFileList& answer);
    void listedBeforeClosing(const QString& server, const OpenFileList& answer);
    void closed(const QString& server);

private:
    class Lane;
    QObject* laneOf(const QString& server);
    using Answer = void (ServerWorker::*)(const QString&, const OpenFileList&);
    void enumerate(const QString& server, Answer answered);

    std::shared_ptr<OpenFileSource> m_source;
    std::map<QString, std::unique_ptr<Lane>> m_lanes; // by serverKey
};
