// Reads arbitrary input as each response the connection parses: every parser either answers
// within the message or throws ProtocolError (or DialectNotSpoken for an SMB1 header).
#include "Smb2Errors.h"
#include "Smb2Header.h"
#include "Smb2Messages.h"
#include "Smb2Negotiate.h"

#include <cstddef>
#include <cstdint>

namespace {

smb2::NegotiateOffer everyDialect()
{
    smb2::NegotiateOffer offer;
    offer.dialects = {smb2::Dialect::smb202, smb2::Dialect::smb21, smb2::Dialect::smb30, smb2::Dialect::smb302,
                      smb2::Dialect::smb311};
    return offer;
}

template <typename Parse>
void survive(Parse parse)
{
    try {
        parse();
    } catch (const ProtocolError&) {
    } catch (const smb2::DialectNotSpoken&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace smb2;
    static const NegotiateOffer offer = everyDialect();
    static const Negotiated negotiated;
    const ByteView message(data, size);
    survive([&] { readResponseHeader(message); });
    survive([&] { parseNegotiateResponse(message, offer); });
    survive([&] { parseSessionSetupResponse(message); });
    survive([&] { parseTreeConnectResponse(message); });
    survive([&] { parseCreateResponse(message); });
    survive([&] { parseCloseResponse(message); });
    survive([&] { parseReadResponse(message, 65536); });
    survive([&] { parseIoctlResponse(message, fsctl::pipeTransceive, 65536); });
    survive([&] { checkValidateNegotiateOutput(message, negotiated); });
    return 0;
}
