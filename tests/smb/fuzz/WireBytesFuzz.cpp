// Reads arbitrary input as a sequence of forward reads the input itself chooses: every read
// either answers within the buffer or throws ProtocolError.
#include "WireBytes.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ByteReader reader(ByteView(data, size));
    try {
        while (reader.remaining() > 0) {
            switch (reader.u8() % 6) {
            case 0: reader.u16(); break;
            case 1: reader.u32(); break;
            case 2: reader.u64(); break;
            case 3: reader.bytes(reader.u8()); break;
            case 4: reader.align(1u << (reader.u8() % 4)); break;
            default: reader.seek(reader.position() + reader.u8()); break;
            }
        }
    } catch (const ProtocolError&) {
    }
    return 0;
}
