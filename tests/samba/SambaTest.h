#pragma once

#include "FileHolder.h"
#include "NetApiOpenFileSource.h"
#include "OpenFileSource.h"
#include "SmbOpenFileSource.h"

#include <QHash>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

// Statuses the server's answers carry.
constexpr SourceStatus noSuchFile{SourceOutcome::failed, 2};
constexpr SourceStatus accessDenied{SourceOutcome::refusedLogin, 5};
constexpr SourceStatus noConnection{SourceOutcome::unreachable, 1003};
constexpr SourceStatus logonFailure{SourceOutcome::refusedLogin, 1326};

// Tests against the private Samba server that the ctest fixture tarnwick_samba starts for this
// build (tests/samba/test-server). SetUp skips, saying why, only where smbd cannot run on the
// machine. The source keeps a server's login for the whole process, so a test executable logs
// in as one account of the server ("ADMIN", "ALICE"), by PASSWD or PASSWD_FILE, and the
// administrator first waits until the holders of earlier tests have left the server, since its
// tests count every open file.
class SambaTest : public ::testing::Test {
protected:
    enum class Password { variable, file };
    // threeHeld: alice holds report.PDF and Docs/Notes.txt read-only, bob Docs/budget.xlsx
    // read-write, from SetUp on.
    enum class Files { none, threeHeld };

    explicit SambaTest(QString account, Password password = Password::variable, Files files = Files::none)
        : m_account(std::move(account)), m_password(password), m_files(files) {}
    void SetUp() override;

    // A value of server.env without its TARNWICK_SMB_ prefix: ADDRESS, SHARE, ALICE_USER, ...
    QString env(const QString& name) const { return m_env.value(QLatin1String("TARNWICK_SMB_") + name); }
    // The server's name as the source takes it.
    QString server() const { return QLatin1String("\\\\") + env("ADDRESS"); }

    // Holds files of the share open as an account ("ALICE", "BOB") until the test ends.
    FileHolder& hold(const QString& account, FileHolder::Access access, const QStringList& relativePaths);

    FileHolder* aliceFiles = nullptr;  // with Files::threeHeld
    FileHolder* bobFiles = nullptr;

private:
    QString m_account;
    Password m_password;
    Files m_files;
    QHash<QString, QString> m_env;
    std::vector<std::unique_ptr<FileHolder>> m_holders;
};

// Both open-file sources of Linux, for typed suites: the project's own SMB2 client and libnetapi.
struct SourceNames {
    template <class Source>
    static std::string GetName(int)
    {
        return std::is_same_v<Source, SmbOpenFileSource> ? "Smb2" : "NetApi";
    }
};
using Sources = ::testing::Types<SmbOpenFileSource, NetApiOpenFileSource>;
