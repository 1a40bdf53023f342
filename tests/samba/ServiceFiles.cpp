#include "ServiceFiles.h"

#include <QFile>
#include <QProcess>
#include <QTextStream>

#include <cstdlib>
#include <stdexcept>

std::optional<QHash<QString, QString>> serviceVariables(const QString& dir, const QString& envFile,
    QString& skipReason)
{
    if (QFile unavailable(dir + QLatin1String("/unavailable")); unavailable.open(QIODevice::ReadOnly)) {
        skipReason = QString::fromUtf8(unavailable.readAll()).trimmed();
        return std::nullopt;
    }
    QFile file(dir + u'/' + envFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw std::runtime_error("no service was started in " + dir.toStdString());
    QHash<QString, QString> values;
    QTextStream lines(&file);
    for (QString line; lines.readLineInto(&line);) {
        if (const qsizetype equals = line.indexOf(u'='); equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1));
    }
    return values;
}

void forgetCredentialEnvironment()
{
    for (const char* name : {"USER", "LOGNAME", "PASSWD", "PASSWD_FILE"})
        ::unsetenv(name);
    ::setenv("KRB5CCNAME", "FILE:/nonexistent/tarnwick-no-ticket", 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarnwick-no-bus", 0);
}

bool runTool(const QString& program, const QStringList& arguments, const QByteArray& input, QString* output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(30000);
    if (output != nullptr)
        *output = QString::fromUtf8(process.readAll());
    if (!finished)
        process.kill();
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::optional<QHash<QString, QString>> serverWithEmptyKeyring(const QString& keyringDir, QString& skipReason)
{
    auto server = serviceVariables(QStringLiteral(TARNWICK_SAMBA_DIR), QStringLiteral("server.env"), skipReason);
    const auto keyring = serviceVariables(keyringDir, QStringLiteral("keyring.env"), skipReason);
    if (!server || !keyring)
        return std::nullopt;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", keyring->value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")).toUtf8().constData(), 1);
    forgetCredentialEnvironment();
    // With no entry there, secret-tool clear fails, which is fine.
    runTool(QStringLiteral("secret-tool"), {QStringLiteral("clear"), QStringLiteral("protocol"), QStringLiteral("smb")});
    return server;
}

void forgetCachedAddress(const QString& name)
{
    // With no such entry, net cache del fails, which is fine.
    runTool(QStringLiteral("net"), {QStringLiteral("cache"), QStringLiteral("del"), QStringLiteral("NBT/%1#20").arg(name.toUpper())});
}
