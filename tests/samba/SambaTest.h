#pragma once

#include "FileHolder.h"

#include <QHash>
#include <QProcessEnvironment>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

// Tests against the private Samba server that the ctest fixture tarnwick_samba starts for this
// build (tests/samba/test-server). SetUp skips, saying why, only where smbd cannot run on the
// machine. libnetapi keeps one login per process, so a test executable logs in as one account
// of the server ("ADMIN", "ALICE"), and the administrator first waits until the holders of
// earlier tests have left the server, since its tests count every open file.
class SambaTest : public ::testing::Test {
protected:
    explicit SambaTest(QString account) : m_account(std::move(account)) {}
    void SetUp() override;

    // A value of server.env without its TARNWICK_SMB_ prefix: ADDRESS, SHARE, ALICE_USER, ...
    QString env(const QString& name) const { return m_env.value(QLatin1String("TARNWICK_SMB_") + name); }
    // The path the server reports for a file of the share: drive letter and backslashes.
    QString reportedPath(const QString& relativePath) const;

    // Holds files of the share open as an account ("ALICE", "BOB") until the test ends.
    FileHolder& hold(const QString& account, FileHolder::Access access, const QStringList& relativePaths);

    // Runs list-open-files against the server in the given environment; nullopt when it
    // did not finish within 30 seconds (waiting on a password prompt, say).
    struct Listing {
        int exitCode;
        QString output;
    };
    std::optional<Listing> listOpenFiles(const QProcessEnvironment& environment) const;

private:
    QString m_account;
    QHash<QString, QString> m_env;
    std::vector<std::unique_ptr<FileHolder>> m_holders;
};
