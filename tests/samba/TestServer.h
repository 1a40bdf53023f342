#pragma once

#include "FileHolder.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

// What the private test server (tests/samba/test-server) wrote to DIR/server.env.
struct TestServer {
    QString address;
    QString share;
    QString shareDir;
    QString adminUser;
    QString adminPassword;
    QString adminPasswordFile;
    QString aliceUser;
    QString alicePassword;
    QString bobUser;
    QString bobPassword;

    // smb://address/share/relativePath, the form libsmbclient opens.
    QString url(const QString& relativePath) const;
    // The path the server reports for a file of the share: drive letter and backslashes.
    QString reportedPath(const QString& relativePath) const;
};

// The server the ctest fixture started for this build. When smbd could not run on this
// machine, nullopt and the reason in skipReason; any other trouble is a test failure.
std::optional<TestServer> startedTestServer(QString& skipReason);

// Makes libnetapi of this process log in as the given user: Samba's own environment
// conventions, set before the first enumeration creates the process's one context. A ticket
// cache of whoever runs the tests is kept out.
void useCredentials(const QString& user, const QString& password);

// Files held open by a separate smb-hold process as one user, until destroyed.
class HeldFiles final {
public:
    HeldFiles(const TestServer& server, const QString& user, const QString& password, FileHolder::Access access,
        const QStringList& relativePaths);
    ~HeldFiles();
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;

    // Whether the server still honours the handle (0-based, in the order of the paths).
    bool works(int handle);

private:
    QString answerLine();

    QProcess m_process;
};

// Polls the condition until it holds or the time is up; answers its last value.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10));

// Runs list-open-files against the server with the given environment changes; answers its
// exit code and output, or nullopt when it did not finish within the limit.
struct ListingRun {
    int exitCode = -1;
    QString output;
};
std::optional<ListingRun> runListing(const QString& server, const QProcessEnvironment& environment,
    std::chrono::milliseconds limit);
