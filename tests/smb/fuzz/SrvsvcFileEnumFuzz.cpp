// Decodes arbitrary bytes as a NetrFileEnum answer and as a NetrFileClose answer: either an
// answer within the limits (records, text lengths) or ProtocolError.
#include "Ndr.h"
#include "SrvsvcCalls.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        const srvsvc::FileEnumAnswer answer = srvsvc::decodeFileEnum(ByteView(data, size));
        if (answer.files.size() > srvsvc::maxRecords)
            std::abort();
        for (const srvsvc::FileInfo3& file : answer.files) {
            if ((file.pathName && file.pathName->size() >= ndr::maxStringUnits)
                || (file.userName && file.userName->size() >= ndr::maxStringUnits))
                std::abort();
        }
    } catch (const ProtocolError&) {
    }
    try {
        srvsvc::decodeFileClose(ByteView(data, size));
    } catch (const ProtocolError&) {
    }
    return 0;
}
