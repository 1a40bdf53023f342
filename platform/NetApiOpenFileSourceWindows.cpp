#include "NetApiOpenFileSource.h"

#include "NetApi32Calls.h"
#include "NetApiStatus.h"

#include <memory>
#include <optional>
#include <string>

namespace {

constexpr DWORD fileInfoLevel = 3;

// The answer's buffer goes back through the calls that handed it out, on every path.
class BufferRelease {
public:
    explicit BufferRelease(const NetApi32Calls& calls) : m_calls(&calls) {}
    void operator()(BYTE* buffer) const noexcept { m_calls->bufferFree(buffer); }

private:
    const NetApi32Calls* m_calls;
};

std::optional<QString> text(const wchar_t* utf16)
{
    if (utf16 == nullptr)
        return std::nullopt;
    return QString::fromWCharArray(utf16);
}

} // namespace

OpenFileList enumerateOpenFiles(const NetApi32Calls& calls, const QString& server)
{
    // netapi32 takes the name as a writable UTF-16 text, "\\" form and all.
    std::wstring name = server.toStdWString();
    BYTE* raw = nullptr;
    DWORD entriesRead = 0;
    DWORD totalEntries = 0;
    DWORD_PTR resumeHandle = 0;
    const NET_API_STATUS status = calls.fileEnum(name.data(), nullptr, nullptr, fileInfoLevel, &raw,
        MAX_PREFERRED_LENGTH, &entriesRead, &totalEntries, &resumeHandle);
    const std::unique_ptr<BYTE, BufferRelease> buffer(raw, BufferRelease(calls));
    if (status != NERR_Success)
        return {sourceStatusOf(status), {}};
    if (entriesRead != 0 && !buffer)
        return {sourceStatusOf(ERROR_INVALID_DATA), {}};

    OpenFileList list;
    list.records.reserve(entriesRead);
    const auto* infos = reinterpret_cast<const FILE_INFO_3*>(buffer.get());
    for (DWORD i = 0; i < entriesRead; ++i) {
        const FILE_INFO_3& info = infos[i];
        list.records.push_back(
            {info.fi3_id, info.fi3_permissions, info.fi3_num_locks, text(info.fi3_pathname), text(info.fi3_username)});
    }
    return list;
}

SourceStatus closeOpenFile(const NetApi32Calls& calls, const QString& server, std::uint32_t id)
{
    std::wstring name = server.toStdWString();
    return sourceStatusOf(calls.fileClose(name.data(), id));
}

OpenFileList NetApiOpenFileSource::enumerate(const QString& server)
{
    return enumerateOpenFiles(NetApi32Calls{}, server);
}

SourceStatus NetApiOpenFileSource::close(const QString& server, std::uint32_t id)
{
    return closeOpenFile(NetApi32Calls{}, server, id);
}
