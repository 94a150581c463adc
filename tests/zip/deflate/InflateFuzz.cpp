// Fuzz target: the first byte picks the mode, the rest is a stream to decode.
// Bad input may only end in EZpInflateError. Inputs that decode are also
// compressed again with a preset the first byte picks and must come back.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/Stream.h"
#include "zip/deflate/ZpDfDec.h"
#include "zip/deflate/ZpDfEnc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    TMemoryStream src(std::vector<uint8_t>(data + 1, data + size)), dst;
    TZpDeflateHelper h;
    if (mode & 1)
        h.SetOptions(h.Options() | dfoDeflate64);
    if (mode & 2)
        h.StopAfterSize = 1 + mode * 8;
    try {
        Inflate(&src, &dst, &h);
    } catch (const EZpInflateError&) {
        return 0;
    }
    if (src.Position() > static_cast<int64_t>(size - 1))
        std::abort();
    // Round trip what was decoded (bounded, to keep runs fast).
    std::vector<uint8_t> plain = dst.Bytes();
    if (plain.size() > (1u << 20))
        plain.resize(1u << 20);
    static const char letters[] = "02fnsx";
    TZpDeflateHelper e;
    e.SetPresetLetter('0');
    e.SetPresetLetter(letters[(mode >> 2) % 6]);
    TMemoryStream in(plain), packed, back;
    Deflate(&in, &packed, &e);
    packed.SetPosition(0);
    if (!plain.empty() || (e.Options() & 7) != 1)
        Inflate(&packed, &back, nullptr);
    if (back.Bytes() != plain)
        std::abort();
    return 0;
}
