#pragma once

#include "RpcPipe.h"
#include "Smb2Connection.h"
#include "SrvsvcCalls.h"

#include <memory>
#include <string>

// The server service of one server over one logged-in SMB2 connection: the srvsvc pipe opened
// and bound once, then any number of listings and closes, one at a time.
namespace srvsvc {

class ServiceSession final {
public:
    // Opens and binds \srvsvc on the logged-in connection. Throws the connection's errors,
    // ProtocolError or RpcFault.
    explicit ServiceSession(std::unique_ptr<smb2::Connection> loggedIn);
    ~ServiceSession();

    // Every open file of the server: one call on Samba; Windows answers in chunks, followed by
    // their resume handle. server is "\\" + name as UTF-16. The answer's status is the method's
    // (0, or a Windows error such as 5 for a login without the right); throws as above.
    FileEnumAnswer listFiles(const std::u16string& server);

    // Closes one open file by identifier; answers the method's status (0, 2 no such file, 5).
    std::uint32_t closeFile(const std::u16string& server, std::uint32_t id);

private:
    std::unique_ptr<smb2::Connection> m_connection;
    std::unique_ptr<PipeTransport> m_pipe;
    rpc::RpcPipe m_rpc;
};

} // namespace srvsvc
