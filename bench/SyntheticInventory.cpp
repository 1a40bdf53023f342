#include "SyntheticInventory.h"

#include <QStringList>

#include <array>
#include <cstddef>

namespace {

const std::array<const char*, 10> userNames{
    "Marta.Kowalska", "jbertrand", "Olu.Adeyemi", "SVC_BACKUP", "hiroshi.tanaka",
    "Priya.Raman", "d.okafor", "ANNA.LINDQVIST", "carlos.mendez", "T.Nguyen"};

const std::array<const char*, 40> extensions{
    "pdf", "DOCX", "xlsx", "Pptx", "txt", "CSV", "msg", "Eml", "jpg", "PNG",
    "tif", "Gif", "zip", "7Z", "rar", "Gz", "xml", "JSON", "html", "Htm",
    "dwg", "DXF", "psd", "Ai", "mp4", "MOV", "wav", "Mp3", "accdb", "MDB",
    "pst", "Ost", "log", "INI", "cfg", "Bak", "vsdx", "ODT", "ods", "Rtf"};

const std::array<const char*, 12> topFolders{
    "Finance", "Human Resources", "Engineering", "Sales and Marketing", "Legal", "Operations",
    "Projects", "Customer Service", "Procurement", "IT Department", "Quality", "Facilities"};

const std::array<const char*, 16> words{
    "Quarterly", "Budget", "Report", "Minutes", "Contract", "Invoice", "Draft", "Final",
    "Review", "Archive", "Proposal", "Schedule", "Inventory", "Summary", "Overview", "Plan"};

// A deterministic mixer, so that neighbouring records differ in every field.
std::uint32_t mixed(std::uint32_t value)
{
    value ^= value >> 16;
    value *= 0x7feb352dU;
    value ^= value >> 15;
    value *= 0x846ca68bU;
    value ^= value >> 16;
    return value;
}

QString pathFor(std::int32_t number)
{
    const auto seed = mixed(static_cast<std::uint32_t>(number));
    const auto length = 40 + static_cast<int>(seed % 81);  // 40 to 120 characters in all
    const QString extension = QLatin1String(extensions[static_cast<std::size_t>(number) % extensions.size()]);
    QString path = QStringLiteral("C:\\Shares\\") + QLatin1String(topFolders[seed % topFolders.size()])
                   + QStringLiteral("\\") + QString::number(2020 + static_cast<int>(seed % 7)) + QStringLiteral("\\");
    const QString tail = QStringLiteral(" ") + QString::number(number) + QStringLiteral(".") + extension;
    for (std::uint32_t w = seed; path.size() + tail.size() < length; w = mixed(w + 1)) {
        path += QLatin1String(words[w % words.size()]);
        path += (w & 0x100U) != 0 ? QStringLiteral("\\") : QStringLiteral(" ");
    }
    path += tail;
    return path.left(length - tail.size()) + tail;
}

} // namespace

std::vector<OpenFileRecord> syntheticRecords(std::int32_t count)
{
    std::vector<OpenFileRecord> records;
    records.reserve(static_cast<std::size_t>(count));
    for (std::int32_t number = 0; number < count; ++number) {
        OpenFileRecord record;
        record.id = 1000U + static_cast<std::uint32_t>(number);
        record.permissions = 1U + static_cast<std::uint32_t>(number % 3);  // read, write, both
        record.numLocks = static_cast<std::uint32_t>(number % 2);
        record.pathName = pathFor(number);
        record.userName = QLatin1String(userNames[static_cast<std::size_t>(number) % userNames.size()]);
        records.push_back(std::move(record));
    }
    return records;
}

QString tenthFilter()
{
    return QStringLiteral("olu.adeyemi");
}

SyntheticOpenFileSource::SyntheticOpenFileSource(std::int32_t count) : m_records(syntheticRecords(count)) {}

OpenFileList SyntheticOpenFileSource::enumerate(const QString& /*server*/)
{
    std::unique_lock lock(m_mutex);
    m_released.wait(lock, [this] { return !m_held; });
    return OpenFileList{{}, m_records};
}

void SyntheticOpenFileSource::setHeld(bool held)
{
    const std::lock_guard lock(m_mutex);
    m_held = held;
    m_released.notify_all();
}

SourceStatus SyntheticOpenFileSource::close(const QString& /*server*/, std::uint32_t /*id*/)
{
    return {};
}
