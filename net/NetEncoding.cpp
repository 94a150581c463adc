#include "net/NetEncoding.h"

namespace {

constexpr uint32_t kBad = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at i (advancing i); kBad for a malformed one,
// which then consumes one byte.
uint32_t NextCodePoint(std::string_view s, size_t& i)
{
    const auto b0 = static_cast<uint8_t>(s[i++]);
    if (b0 < 0x80)
        return b0;
    int extra;
    uint32_t cp;
    if ((b0 & 0xE0) == 0xC0) { extra = 1; cp = b0 & 0x1F; }
    else if ((b0 & 0xF0) == 0xE0) { extra = 2; cp = b0 & 0x0F; }
    else if ((b0 & 0xF8) == 0xF0) { extra = 3; cp = b0 & 0x07; }
    else return kBad;
    if (i + static_cast<size_t>(extra) > s.size())
        return kBad;
    for (int k = 0; k < extra; ++k) {
        const auto b = static_cast<uint8_t>(s[i + static_cast<size_t>(k)]);
        if ((b & 0xC0) != 0x80)
            return kBad;
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed.
    static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kBad;
    i += static_cast<size_t>(extra);
    return cp;
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string NetEncodeText(std::string_view text, TNetTextEncoding encoding)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const uint32_t cp = NextCodePoint(text, i);
        if (cp == kBad) {
            out += '?';
        } else if (encoding == enUTF8) {
            AppendUtf8(out, cp);
        } else {
            const uint32_t limit = encoding == enLatin1 ? 0xFF : 0x7F;
            out += cp <= limit ? static_cast<char>(cp) : '?';
        }
    }
    return out;
}

std::string NetDecodeText(std::span<const uint8_t> bytes, TNetTextEncoding encoding)
{
    std::string out;
    out.reserve(bytes.size());
    if (encoding == enUTF8) {
        const std::string_view s(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        size_t i = 0;
        while (i < s.size()) {
            const uint32_t cp = NextCodePoint(s, i);
            if (cp == kBad)
                out += '?';
            else
                AppendUtf8(out, cp);
        }
        return out;
    }
    for (const uint8_t b : bytes) {
        if (b < 0x80)
            out += static_cast<char>(b);
        else if (encoding == enLatin1)
            AppendUtf8(out, b);
        else
            out += '?';
    }
    return out;
}
