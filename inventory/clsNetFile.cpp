#include "clsNetFile.h"

#include "AnswerEntries.h"
#include "TextRules.h"

#include <limits>
#include <stdexcept>
#include <utility>

clsNetFile::clsNetFile(std::shared_ptr<OpenFileSource> source)
    : m_source(std::move(source))
{
    clearCache();
}

void clsNetFile::server(const QString& name)
{
    m_serverName = name;
    if (isBlank(name))
        clearCache();
}

QString clsNetFile::server() const
{
    return m_serverName;
}

std::int16_t clsNetFile::count() const
{
    if (!std::in_range<std::int16_t>(m_cache.size()))
        throw std::overflow_error("more open files kept than a 16-bit index can address");
    return static_cast<std::int16_t>(m_cache.size());
}

QString clsNetFile::message() const
{
    return m_statusMessage;
}

bool clsNetFile::entryExists(std::int16_t index) const
{
    return !m_cache.empty() && index <= count();
}

const FileEntry& clsNetFile::entryAt(std::int16_t index) const
{
    if (index == std::numeric_limits<std::int16_t>::min())
        throw std::overflow_error("entry index -32768 has no predecessor");
    const int element = index - 1;
    if (element < 0)
        throw std::out_of_range("entry index below 1");
    return m_cache.at(static_cast<std::size_t>(element));
}

const FileEntry& clsNetFile::entryOrBlank(std::int16_t index) const
{
    static const FileEntry blank;
    return entryExists(index) ? entryAt(index) : blank;
}

QString clsNetFile::userName(std::int16_t index) const
{
    return entryOrBlank(index).userName;
}

QString clsNetFile::filePermission(std::int16_t index) const
{
    return entryOrBlank(index).filePermission;
}

QString clsNetFile::fileName(std::int16_t index) const
{
    return entryOrBlank(index).fileName;
}

QString clsNetFile::typeFile(std::int16_t index) const
{
    return entryOrBlank(index).typeFile;
}

QString clsNetFile::fileNameFullPath(std::int16_t index) const
{
    if (!entryExists(index))
        return {};
    QString path = entryAt(index).fileName;
    path.replace(QLatin1String(":\\"), QLatin1String("\\"));
    return serverPath() + u'\\' + path;
}

std::int32_t clsNetFile::idFile(std::int16_t index) const
{
    return entryOrBlank(index).idFile;
}

void clsNetFile::clearCache()
{
    m_cache.clear();
}

bool clsNetFile::CloseFile(std::int16_t index)
{
    if (!entryExists(index))
        return false;
    const QString name = serverPath();
    const auto id = static_cast<std::uint32_t>(entryAt(index).idFile);
    return m_source->close(name, id).outcome == SourceOutcome::done;
}

QString clsNetFile::serverPath() const
{
    return QLatin1String("\\\\") + server();
}

void clsNetFile::load(const QString& filter)
{
    if (takeAnswer(m_source->enumerate(serverPath())))
        rebuild(filter);
}

bool clsNetFile::takeAnswer(OpenFileList list)
{
    m_statusMessage.clear();
    if (list.status.outcome != SourceOutcome::done)
        return false;

    m_answer = entriesOf(std::move(list.records));
    m_answeredServer = m_serverName;
    return true;
}

const std::vector<FileEntry>& clsNetFile::answer() const
{
    return m_answer;
}

const std::optional<QString>& clsNetFile::answeredServer() const
{
    return m_answeredServer;
}

void clsNetFile::rebuild(const QString& filter)
{
    clearCache();
    const bool keepAll = isBlank(filter);
    if (keepAll)
        m_cache.reserve(m_answer.size());
    const QString needle = filter.toLower();
    for (const FileEntry& entry : m_answer) {
        if (!keepAll && !entry.userName.contains(needle) && !entry.fileName.contains(needle))
            continue;
        m_cache.push_back(entry);
    }
    buildMessage(filter, m_answer.size());
}

void clsNetFile::buildMessage(const QString& filter, std::size_t entriesRead)
{
    m_statusMessage = QLatin1String(" ") + QString::number(entriesRead) + QLatin1String(" open connections on '")
        + m_serverName + u'\'';
    if (!isBlank(filter))
        m_statusMessage += QLatin1String(" - Filtered elements: ") + QString::number(count());
}
