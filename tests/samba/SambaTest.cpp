#include "SambaTest.h"

#include "NetApiOpenFileSource.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdlib>

namespace {

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

} // namespace

void SambaTest::SetUp()
{
    const QString dir = QStringLiteral(TARNWICK_SAMBA_DIR);
    if (const QString reason = readAll(dir + QLatin1String("/unavailable")); !reason.isEmpty())
        GTEST_SKIP() << reason.toStdString();
    for (const QString& line : readAll(dir + QLatin1String("/server.env")).split(u'\n')) {
        if (const qsizetype equals = line.indexOf(u'='); equals > 0)
            m_env.insert(line.left(equals), line.mid(equals + 1));
    }
    ASSERT_FALSE(env("ADDRESS").isEmpty()) << "no test server was started in " TARNWICK_SAMBA_DIR;

    // Samba's own conventions, read when the process's one libnetapi context is made; a ticket
    // cache of whoever runs the tests is kept out.
    ::setenv("USER", env(m_account + QLatin1String("_USER")).toLocal8Bit().constData(), 1);
    ::setenv("PASSWD", env(m_account + QLatin1String("_PASSWORD")).toLocal8Bit().constData(), 1);
    ::unsetenv("PASSWD_FILE");
    ::setenv("KRB5CCNAME", "FILE:/nonexistent/tarnwick-no-ticket", 1);
    if (m_account == QLatin1String("ADMIN")) {
        NetApiOpenFileSource source;
        const auto noFilesOpen = [&] {
            const OpenFileList list = source.enumerate(QLatin1String("\\\\") + env("ADDRESS"));
            return list.status == 0 && list.records.empty();
        };
        ASSERT_TRUE(QTest::qWaitFor(noFilesOpen, 10000)) << "files of earlier tests stay open";
    }
}

QString SambaTest::reportedPath(const QString& relativePath) const
{
    QString path = QLatin1String("C:") + env("SHARE_DIR") + u'/' + relativePath;
    return path.replace(u'/', u'\\');
}

FileHolder& SambaTest::hold(const QString& account, FileHolder::Access access, const QStringList& relativePaths)
{
    auto& holder = m_holders.emplace_back(std::make_unique<FileHolder>(
        env(account + QLatin1String("_USER")).toStdString(), env(account + QLatin1String("_PASSWORD")).toStdString()));
    for (const QString& path : relativePaths)
        holder->open(QStringLiteral("smb://%1/%2/%3").arg(env("ADDRESS"), env("SHARE"), path).toStdString(), access);
    return *holder;
}

std::optional<SambaTest::Listing> SambaTest::listOpenFiles(const QProcessEnvironment& environment) const
{
    QProcess process;
    process.setProcessEnvironment(environment);
    // Standard input stays an open pipe: a listing that tried to prompt would hang here.
    process.start(QStringLiteral(LIST_OPEN_FILES_PATH), {env("ADDRESS")});
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    return Listing{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}
