#pragma once

#include "PipeTransport.h"
#include "Smb2Channel.h"
#include "Smb2Messages.h"

namespace smb2 {

// A named pipe open on the IPC$ tree of a connection, which owns the handle and outlives this.
class Smb2Pipe final : public PipeTransport {
public:
    struct Limits {
        std::uint32_t maxRead = 0;      // per READ
        std::uint32_t maxTransact = 0;  // each way of an IOCTL
    };

    Smb2Pipe(Smb2Channel& channel, std::uint32_t treeId, FileId file, Limits limits);

    Bytes transceive(ByteView pdu, std::uint32_t maxReply) override;
    std::vector<Bytes> readMany(std::size_t count, std::uint32_t maxBytes) override;

private:
    Smb2Channel& m_channel;
    std::uint32_t m_treeId;
    FileId m_file;
    Limits m_limits;
};

} // namespace smb2
