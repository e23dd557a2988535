// The LZ decoder on any input, with and without an output limit, and the
// coder's round trip on the same bytes taken as plain data.

#include "FuzzSupport.h"
#include "langfile/LZCompressor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QByteArray data = fuzz::Bytes(Data, Size);
    fuzz::Refusable([&] { DecompressBuffer(data); });
    fuzz::Refusable([&] {
        const qsizetype limit = Size % 4096;
        if (DecompressBuffer(data, {}, limit).size() > limit) fuzz::Broken("output past the limit");
    });
    QByteArray restored;
    try {
        restored = DecompressBuffer(CompressBuffer(data));
    } catch (const EVocabrixError& e) {
        fuzz::Broken("compressed data does not decompress:", e.Message());
    }
    if (restored != data) fuzz::Broken("round trip changed the data");
    return 0;
}
