#include "ServerBench.h"

#include "SyntheticInventory.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace {

// The synthetic paths from the first'th on, without their drive and share root, as files of
// the test share (the process's usual umask leaves them readable by the server's users).
QStringList createShareFiles(int first, int count)
{
    const QString shareDir = QString::fromStdString(environment("TARNWICK_SMB_SHARE_DIR"));
    QStringList relativePaths;
    const auto records = syntheticRecords(count);
    for (auto record = records.begin() + first; record != records.end(); ++record) {
        QString path = record->pathName->mid(QStringLiteral("C:\\Shares\\").size());
        path.replace(u'\\', u'/');
        path = QStringLiteral("bench/") + path;
        const QString full = shareDir + u'/' + path;
        QDir().mkpath(full.section(u'/', 0, -2));
        QFile file(full);
        if (!file.exists() && !file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot create " + full.toStdString());
        relativePaths << path;
    }
    return relativePaths;
}

void holdShareFiles(FileHolder& holder, int count)
{
    const std::string root = "smb://" + environment("TARNWICK_SMB_ADDRESS") + "/" + environment("TARNWICK_SMB_SHARE") + "/";
    for (const QString& path : createShareFiles(static_cast<int>(holder.size()), count))
        holder.open(root + QUrl::toPercentEncoding(path, "/").toStdString(), FileHolder::Access::readOnly);
}

} // namespace

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        throw std::runtime_error(std::string("missing environment variable ") + name);
    return value;
}

std::string adminPassword()
{
    QFile file(QString::fromStdString(environment("TARNWICK_SMB_ADMIN_PASSWORD_FILE")));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the administrator's password file");
    return file.readLine().trimmed().toStdString();
}

FileHolder& heldShareFiles(int count)
{
    static const std::unique_ptr<FileHolder> holder = std::make_unique<FileHolder>(
        environment("TARNWICK_SMB_ALICE_USER"), environment("TARNWICK_SMB_ALICE_PASSWORD"));
    if (holder->size() < static_cast<std::size_t>(count))
        holdShareFiles(*holder, count);
    return *holder;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}
