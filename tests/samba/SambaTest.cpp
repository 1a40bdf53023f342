#include "SambaTest.h"

#include "NetApiOpenFileSource.h"
#include "ServiceFiles.h"

#include <QTest>

#include <cstdlib>

void SambaTest::SetUp()
{
    QString skipReason;
    const auto variables = serviceVariables(QStringLiteral(TARNWICK_SAMBA_DIR), QStringLiteral("server.env"), skipReason);
    if (!variables)
        GTEST_SKIP() << skipReason.toStdString();
    m_env = *variables;

    // Samba's own conventions, which the source reads for a server's first login; a ticket
    // cache of whoever runs the tests is kept out.
    forgetCredentialEnvironment();
    ::setenv("USER", env(m_account + QLatin1String("_USER")).toLocal8Bit().constData(), 1);
    if (m_password == Password::file)
        ::setenv("PASSWD_FILE", env(m_account + QLatin1String("_PASSWORD_FILE")).toLocal8Bit().constData(), 1);
    else
        ::setenv("PASSWD", env(m_account + QLatin1String("_PASSWORD")).toLocal8Bit().constData(), 1);
    if (m_account == QLatin1String("ADMIN")) {
        NetApiOpenFileSource source;
        const auto noFilesOpen = [&] {
            const OpenFileList list = source.enumerate(server());
            return list.status == SourceStatus{} && list.records.empty();
        };
        ASSERT_TRUE(QTest::qWaitFor(noFilesOpen, 10000)) << "files of earlier tests stay open";
    }
    if (m_files == Files::threeHeld) {
        aliceFiles = &hold("ALICE", FileHolder::Access::readOnly, {"report.PDF", "Docs/Notes.txt"});
        bobFiles = &hold("BOB", FileHolder::Access::readWrite, {"Docs/budget.xlsx"});
    }
}

FileHolder& SambaTest::hold(const QString& account, FileHolder::Access access, const QStringList& relativePaths)
{
    auto& holder = m_holders.emplace_back(std::make_unique<FileHolder>(
        env(account + QLatin1String("_USER")).toStdString(), env(account + QLatin1String("_PASSWORD")).toStdString()));
    for (const QString& path : relativePaths)
        holder->open(QStringLiteral("smb://%1/%2/%3").arg(env("ADDRESS"), env("SHARE"), path).toStdString(), access);
    return *holder;
}
