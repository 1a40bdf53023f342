#include "NetApiOpenFileSource.h"

#include "SambaCredentials.h"

#include <QByteArray>

#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>

// netapi.h uses the fixed-width types without including their header.
#include <cstdint>
#include <netapi.h>

namespace {

constexpr std::uint32_t fileInfoLevel = 3;
constexpr std::uint32_t maxPreferredLength = 0xFFFFFFFFu;  // MAX_PREFERRED_LENGTH: all in one answer
constexpr std::uint32_t errorNotEnoughMemory = 8;          // ERROR_NOT_ENOUGH_MEMORY
constexpr std::uint32_t errorInvalidData = 13;             // ERROR_INVALID_DATA

struct BufferRelease {
    void operator()(std::uint8_t* buffer) const noexcept { NetApiBufferFree(buffer); }
};
using NetApiBuffer = std::unique_ptr<std::uint8_t, BufferRelease>;

// Status of the one libnetapi context of the process, created on first use. The context is
// never freed: it keeps the connections for the whole run.
std::uint32_t contextStatus()
{
    static const std::uint32_t status = [] {
        libnetapi_ctx* context = nullptr;
        if (const auto initStatus = static_cast<std::uint32_t>(libnetapi_init(&context)); initStatus != 0)
            return initStatus;
        // libnetapi's own guess would prompt on the terminal when it knows no password.
        cli_credentials* credentials = tarnwick_guessed_credentials();
        if (credentials == nullptr)
            return errorNotEnoughMemory;
        return static_cast<std::uint32_t>(libnetapi_set_creds(context, credentials));
    }();
    return status;
}

std::mutex& netApiMutex()
{
    static std::mutex mutex;
    return mutex;
}

// The host part libnetapi expects: the inventory's "\\" prefix removed once.
QByteArray hostName(const QString& server)
{
    const QString prefix = QStringLiteral("\\\\");
    return (server.startsWith(prefix) ? server.mid(prefix.size()) : server).toUtf8();
}

std::optional<QString> text(const char* utf8)
{
    if (utf8 == nullptr)
        return std::nullopt;
    return QString::fromUtf8(utf8);
}

// A server names few users for many files: each distinct name is converted once per answer and
// shared. The keys view the answer's buffer, which outlives the map.
class SharedUserNames {
public:
    std::optional<QString> text(const char* utf8)
    {
        if (utf8 == nullptr)
            return std::nullopt;
        const auto [known, isNew] = m_converted.try_emplace(std::string_view(utf8));
        if (isNew)
            known->second = *::text(utf8);
        return known->second;
    }

private:
    std::unordered_map<std::string_view, QString> m_converted;
};

} // namespace

OpenFileList NetApiOpenFileSource::enumerate(const QString& server)
{
    const QByteArray host = hostName(server);
    const std::scoped_lock lock(netApiMutex());
    if (const std::uint32_t status = contextStatus(); status != 0)
        return {status, {}};

    std::uint8_t* raw = nullptr;
    std::uint32_t entriesRead = 0;
    std::uint32_t totalEntries = 0;
    std::uint32_t resumeHandle = 0;
    const auto status = static_cast<std::uint32_t>(NetFileEnum(host.constData(), nullptr, nullptr, fileInfoLevel,
        &raw, maxPreferredLength, &entriesRead, &totalEntries, &resumeHandle));
    const NetApiBuffer buffer(raw);
    if (status != 0)
        return {status, {}};
    if (entriesRead != 0 && !buffer)
        return {errorInvalidData, {}};

    OpenFileList list;
    list.records.reserve(entriesRead);
    const auto* infos = reinterpret_cast<const FILE_INFO_3*>(buffer.get());
    SharedUserNames userNames;
    for (std::uint32_t i = 0; i < entriesRead; ++i) {
        const FILE_INFO_3& info = infos[i];
        list.records.push_back({info.fi3_id, info.fi3_permissions, info.fi3_num_locks, text(info.fi3_pathname),
            userNames.text(info.fi3_username)});
    }
    return list;
}

std::uint32_t NetApiOpenFileSource::close(const QString& server, std::uint32_t id)
{
    const QByteArray host = hostName(server);
    const std::scoped_lock lock(netApiMutex());
    if (const std::uint32_t status = contextStatus(); status != 0)
        return status;
    return static_cast<std::uint32_t>(NetFileClose(host.constData(), id));
}
