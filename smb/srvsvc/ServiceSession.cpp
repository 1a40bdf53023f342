#include "ServiceSession.h"

#include <utility>

namespace srvsvc {

namespace {

// A server that keeps answering "more data" without end gets no more calls than this: far more
// chunks than 32,767 records of any real server's page size need.
constexpr int maxChunks = 4096;

} // namespace

ServiceSession::ServiceSession(std::unique_ptr<smb2::Connection> loggedIn)
    : m_connection(std::move(loggedIn)), m_pipe(m_connection->openPipe(u"srvsvc")), m_rpc(*m_pipe)
{
    m_rpc.bind(interfaceId);
}

// The pipe goes before the connection that carries it.
ServiceSession::~ServiceSession() = default;

FileEnumAnswer ServiceSession::listFiles(const std::u16string& server)
{
    FileEnumAnswer all;
    std::optional<std::uint32_t> resume;
    for (int chunk = 0; chunk < maxChunks; ++chunk) {
        FileEnumAnswer answer = decodeFileEnum(m_rpc.call(opNetrFileEnum, encodeFileEnum(server, resume)));
        if (answer.status != 0 && answer.status != errorMoreData)
            return answer;
        if (all.files.size() + answer.files.size() > maxRecords)
            throw ProtocolError("the server lists more open files than any answer may hold");
        const bool noRecords = answer.files.empty();
        // The first chunk (Samba's only one) is taken whole, not copied record by record.
        if (all.files.empty())
            all.files = std::move(answer.files);
        else
            all.files.insert(all.files.end(), std::make_move_iterator(answer.files.begin()),
                             std::make_move_iterator(answer.files.end()));
        all.totalEntries = answer.totalEntries;
        if (answer.status == 0)
            return all;
        // More data without a new resume handle, or without records, would loop for ever.
        if (!answer.resumeHandle || noRecords || answer.resumeHandle == resume)
            throw ProtocolError("the server asked for another chunk without a way to ask for it");
        resume = answer.resumeHandle;
    }
    throw ProtocolError("the server's answer never ends");
}

std::uint32_t ServiceSession::closeFile(const std::u16string& server, std::uint32_t id)
{
    return decodeFileClose(m_rpc.call(opNetrFileClose, encodeFileClose(server, id)));
}

} // namespace srvsvc
