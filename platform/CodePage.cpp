#include "platform/CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace {

const char* IconvName(TCodePage cp)
{
    switch (cp) {
    case cpWindows1252: return "WINDOWS-1252";
    case cpOem437: return "CP437";
    case cpIso8859_1: return "ISO-8859-1";
    }
    throw ECodePageError("Unknown code page " + std::to_string(static_cast<unsigned>(cp)));
}

class TIconv {
public:
    TIconv(const char* to, const char* from) : cd_(iconv_open(to, from))
    {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw ECodePageError(std::string("No conversion from ") + from + " to " + to);
    }
    ~TIconv() { iconv_close(cd_); }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;

    // Converts one unit of input at a time when a conversion stops, so the
    // caller can replace just the offending character. Returns false when
    // the character at in cannot be converted; in/left then stay put.
    bool Convert(const char*& in, size_t& left, std::string& out)
    {
        char buffer[256];
        while (left > 0) {
            char* inPtr = const_cast<char*>(in);
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t r = iconv(cd_, &inPtr, &left, &outPtr, &outLeft);
            out.append(buffer, sizeof buffer - outLeft);
            in = inPtr;
            if (r != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            return false;
        }
        return true;
    }

private:
    iconv_t cd_;
};

// Length of the UTF-8 sequence at s[i], 0 when it is not valid there.
size_t Utf8Length(std::string_view s, size_t i)
{
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n;
    uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) { n = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { n = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { n = 4; cp = c & 0x07; }
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

bool IsValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8Length(text, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string ToUtf8(std::string_view bytes, TCodePage codePage)
{
    TIconv conv("UTF-8", IconvName(codePage));
    std::string out;
    const char* in = bytes.data();
    size_t left = bytes.size();
    while (!conv.Convert(in, left, out)) {
        // Only Windows-1252's unassigned bytes stop here; Windows gives them
        // the C1 control of the same number.
        const unsigned char b = static_cast<unsigned char>(*in);
        out += static_cast<char>(0xC0 | (b >> 6));
        out += static_cast<char>(0x80 | (b & 0x3F));
        ++in;
        --left;
    }
    return out;
}

std::string FromUtf8(std::string_view text, TCodePage codePage, char replacement)
{
    TIconv conv(IconvName(codePage), "UTF-8");
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        // Convert the longest valid stretch, then deal with what stopped it.
        size_t j = i;
        while (j < text.size()) {
            const size_t n = Utf8Length(text, j);
            if (n == 0)
                break;
            j += n;
        }
        const char* in = text.data() + i;
        size_t left = j - i;
        while (!conv.Convert(in, left, out)) {
            const size_t n = Utf8Length(text, static_cast<size_t>(in - text.data()));
            const unsigned char lead = static_cast<unsigned char>(*in);
            // The C1 controls that stand for Windows-1252's unassigned bytes go back.
            if (codePage == cpWindows1252 && n == 2 && lead == 0xC2) {
                const unsigned char b = static_cast<unsigned char>(0x80 | (in[1] & 0x3F));
                if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) {
                    out += static_cast<char>(b);
                    in += n;
                    left -= n;
                    continue;
                }
            }
            out += replacement;
            in += n;
            left -= n;
        }
        if (j < text.size()) {
            out += replacement;   // an invalid byte
            ++j;
        }
        i = j;
    }
    return out;
}

bool FitsCodePage(std::string_view text, TCodePage codePage)
{
    // A lost character comes back as '?', which differs from what it was.
    return IsValidUtf8(text) && ToUtf8(FromUtf8(text, codePage, '?'), codePage) == text;
}

std::string OemToAnsi(std::string_view oem) { return FromUtf8(ToUtf8(oem, OemCodePage), AnsiCodePage); }
std::string AnsiToOem(std::string_view ansi) { return FromUtf8(ToUtf8(ansi, AnsiCodePage), OemCodePage); }
