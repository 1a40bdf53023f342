#include "TestServer.h"

#include <QFile>
#include <QHash>
#include <QTextStream>


#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace {

QHash<QString, QString> readEnvFile(const QString& path)
{
    QHash<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return values;
    QTextStream lines(&file);
    for (QString line; lines.readLineInto(&line);) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1));
    }
    return values;
}

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

void setVariable(const char* name, const QString& value)
{
    ::setenv(name, value.toLocal8Bit().constData(), 1);
}

} // namespace

QString TestServer::url(const QString& relativePath) const
{
    return QLatin1String("smb://") + address + u'/' + share + u'/' + relativePath;
}

QString TestServer::reportedPath(const QString& relativePath) const
{
    QString path = QLatin1String("C:") + shareDir + u'/' + relativePath;
    return path.replace(u'/', u'\\');
}

std::optional<TestServer> startedTestServer(QString& skipReason)
{
    const QString dir = QStringLiteral(TARNWICK_SAMBA_DIR);
    if (const QString reason = readAll(dir + QLatin1String("/unavailable")); !reason.isEmpty()) {
        skipReason = reason;
        return std::nullopt;
    }
    const QHash<QString, QString> env = readEnvFile(dir + QLatin1String("/server.env"));
    if (env.isEmpty())
        throw std::runtime_error("no test server was started in " TARNWICK_SAMBA_DIR);
    TestServer server;
    server.address = env.value(QStringLiteral("TARNWICK_SMB_ADDRESS"));
    server.share = env.value(QStringLiteral("TARNWICK_SMB_SHARE"));
    server.shareDir = env.value(QStringLiteral("TARNWICK_SMB_SHARE_DIR"));
    server.adminUser = env.value(QStringLiteral("TARNWICK_SMB_ADMIN_USER"));
    server.adminPassword = env.value(QStringLiteral("TARNWICK_SMB_ADMIN_PASSWORD"));
    server.adminPasswordFile = env.value(QStringLiteral("TARNWICK_SMB_ADMIN_PASSWORD_FILE"));
    server.aliceUser = env.value(QStringLiteral("TARNWICK_SMB_ALICE_USER"));
    server.alicePassword = env.value(QStringLiteral("TARNWICK_SMB_ALICE_PASSWORD"));
    server.bobUser = env.value(QStringLiteral("TARNWICK_SMB_BOB_USER"));
    server.bobPassword = env.value(QStringLiteral("TARNWICK_SMB_BOB_PASSWORD"));
    return server;
}

void useCredentials(const QString& user, const QString& password)
{
    setVariable("USER", user);
    setVariable("PASSWD", password);
    ::unsetenv("PASSWD_FILE");
    ::setenv("KRB5CCNAME", "FILE:/nonexistent/tarnwick-no-ticket", 1);
}

HeldFiles::HeldFiles(const TestServer& server, const QString& user, const QString& password,
    FileHolder::Access access, const QStringList& relativePaths)
{
    QStringList arguments{QStringLiteral("-u"), user, QStringLiteral("-p"), password};
    if (access == FileHolder::Access::readWrite)
        arguments << QStringLiteral("-w");
    for (const QString& path : relativePaths)
        arguments << server.url(path);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(SMB_HOLD_PATH), arguments);
    const QString held = answerLine();
    if (held != QLatin1String("held ") + QString::number(relativePaths.size()))
        throw std::runtime_error("smb-hold did not hold the files: " + held.toStdString());
}

HeldFiles::~HeldFiles()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000))
        m_process.kill();
    m_process.waitForFinished();
}

bool HeldFiles::works(int handle)
{
    m_process.write(QByteArray("works ") + QByteArray::number(handle) + '\n');
    const QString answer = answerLine();
    if (answer != QLatin1String("yes") && answer != QLatin1String("no"))
        throw std::runtime_error("smb-hold answered: " + answer.toStdString());
    return answer == QLatin1String("yes");
}

QString HeldFiles::answerLine()
{
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(20000))
            return QStringLiteral("(no answer: %1)").arg(m_process.errorString());
    }
    return QString::fromUtf8(m_process.readLine()).trimmed();
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::optional<ListingRun> runListing(const QString& server, const QProcessEnvironment& environment,
    std::chrono::milliseconds limit)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    // Standard input stays an open pipe: a listing that tried to prompt would hang here.
    process.start(QStringLiteral(LIST_OPEN_FILES_PATH), {server});
    if (!process.waitForFinished(static_cast<int>(limit.count()))) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    return ListingRun{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}
