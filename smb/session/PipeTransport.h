#pragma once

#include "WireBytes.h"

#include <cstdint>
#include <vector>

// A named pipe opened on a server, as the DCE/RPC layer uses it. The SMB2 session implements
// it over an open pipe handle; the tests implement it over scripted servers.
class PipeTransport {
public:
    virtual ~PipeTransport() = default;

    // Sends one request PDU with FSCTL_PIPE_TRANSCEIVE and answers the first PDU of the reply
    // (at most maxReply bytes: one fragment).
    virtual Bytes transceive(ByteView pdu, std::uint32_t maxReply) = 0;

    // Sends count READs of up to maxBytes each, all in flight together (as far as the server's
    // credits allow; the rest follow as answers come), and answers one result per READ, in the
    // order the READs were sent. A READ the server refused with a status that means "not now"
    // (STATUS_INSUFFICIENT_RESOURCES, STATUS_PIPE_EMPTY) answers an empty result; any other
    // failure throws. Never called with more READs than fragments are still to come.
    virtual std::vector<Bytes> readMany(std::size_t count, std::uint32_t maxBytes) = 0;
};
