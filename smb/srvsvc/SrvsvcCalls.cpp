#include "SrvsvcCalls.h"

#include "Ndr.h"

#include <string>
#include <utility>

namespace srvsvc {

namespace {

// NetrFileEnum's only level here: FILE_INFO_3, the one Samba serves.
constexpr std::uint32_t level3 = 3;
// The most data an answer may carry: all of it (MAX_PREFERRED_LENGTH).
constexpr std::uint32_t maxPreferredLength = 0xFFFFFFFF;
// The wire size of one FILE_INFO_3's fixed part: fi3_id, fi3_permissions, fi3_num_locks and
// the two pointers.
constexpr std::size_t fileInfo3FixedSize = 20;

} // namespace

// 4b324fc8-1670-01d3-1278-5a47bf6ee188 version 3.0
const rpc::SyntaxId interfaceId{
    {0xc8, 0x4f, 0x32, 0x4b, 0x70, 0x16, 0xd3, 0x01, 0x12, 0x78, 0x5a, 0x47, 0xbf, 0x6e, 0xe1, 0x88}, 3, 0};

Bytes encodeFileEnum(const std::u16string& server, std::optional<std::uint32_t> resumeHandle)
{
    ndr::Writer writer;
    writer.uniqueString(server);        // ServerName
    writer.pointer(false);              // BasePath
    writer.pointer(false);              // UserName
    writer.u32(level3);                 // InfoStruct->Level
    writer.u32(level3);                 // the FILE_ENUM_UNION's discriminant
    writer.pointer(true);               // ->Level3
    writer.u32(0);                      //   EntriesRead
    writer.pointer(false);              //   Buffer
    writer.u32(maxPreferredLength);     // PreferedMaximumLength
    writer.pointer(resumeHandle.has_value());  // ResumeHandle
    if (resumeHandle)
        writer.u32(*resumeHandle);
    return writer.take();
}

FileEnumAnswer decodeFileEnum(const BytePieces& stub)
{
    ndr::Reader reader(stub);
    FileEnumAnswer answer;

    if (reader.u32() != level3)
        throw ProtocolError("a NetrFileEnum answer at another level than 3");
    if (reader.u32() != level3)
        throw ProtocolError("a NetrFileEnum answer whose union arm is not level 3");
    if (reader.uniquePointer()) {
        const std::uint32_t entriesRead = reader.u32();
        if (reader.uniquePointer()) {
            const std::size_t count = reader.conformance(fileInfo3FixedSize, maxRecords, "the FILE_INFO_3 array");
            if (count != entriesRead)
                throw ProtocolError("a NetrFileEnum answer whose EntriesRead is not its array's count");
            // A present pointer leaves an empty text in place, filled when its deferred string
            // comes after the array, in the order of the pointers.
            answer.files.resize(count);
            for (FileInfo3& file : answer.files) {
                file.id = reader.u32();
                file.permissions = reader.u32();
                file.numLocks = reader.u32();
                if (reader.uniquePointer())
                    file.pathName.emplace();
                if (reader.uniquePointer())
                    file.userName.emplace();
            }
            for (FileInfo3& file : answer.files) {
                if (file.pathName)
                    *file.pathName = reader.string();
                if (file.userName)
                    *file.userName = reader.string();
            }
        } else if (entriesRead != 0) {
            throw ProtocolError("a NetrFileEnum answer with entries and no array");
        }
    }
    answer.totalEntries = reader.u32();
    if (reader.uniquePointer())
        answer.resumeHandle = reader.u32();
    answer.status = reader.u32();
    reader.expectEnd();
    return answer;
}

Bytes encodeFileClose(const std::u16string& server, std::uint32_t id)
{
    ndr::Writer writer;
    writer.uniqueString(server);  // ServerName
    writer.u32(id);               // FileId
    return writer.take();
}

std::uint32_t decodeFileClose(const BytePieces& stub)
{
    ndr::Reader reader(stub);
    const std::uint32_t status = reader.u32();
    reader.expectEnd();
    return status;
}

} // namespace srvsvc
