// Decodes arbitrary bytes as a NetrFileEnum answer and as a NetrFileClose answer: either an
// answer within the limits (records, text lengths) or ProtocolError. The bytes come cut into
// pieces, as the fragments of an answer carry them, of a length the input's size chooses.
#include "BytePieces.h"
#include "Ndr.h"
#include "SrvsvcCalls.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

BytePieces piecesOf(ByteView input)
{
    const std::size_t length = 1 + input.size() % 61;
    BytePieces pieces;
    for (std::size_t at = 0; at < input.size(); at += length) {
        const ByteView piece = input.subspan(at, std::min(length, input.size() - at));
        pieces.append(Bytes(piece.begin(), piece.end()), 0, piece.size());
    }
    return pieces;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const BytePieces stub = piecesOf(ByteView(data, size));
    try {
        const srvsvc::FileEnumAnswer answer = srvsvc::decodeFileEnum(stub);
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
        srvsvc::decodeFileClose(stub);
    } catch (const ProtocolError&) {
    }
    return 0;
}
