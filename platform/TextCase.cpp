#include "platform/TextCase.h"

namespace {

// Folds one UTF-8 sequence of a Latin-1 letter (C3 80..C3 BF) in place:
// U+00E0..U+00FE (but not U+00F7) pair with U+00C0..U+00DE. Returns bytes used.
template <bool Upper>
size_t FoldAt(std::string& s, size_t i)
{
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        if (Upper && c >= 'a' && c <= 'z')
            s[i] = static_cast<char>(c - 32);
        if (!Upper && c >= 'A' && c <= 'Z')
            s[i] = static_cast<char>(c + 32);
        return 1;
    }
    if (c == 0xC3 && i + 1 < s.size()) {
        const unsigned char d = static_cast<unsigned char>(s[i + 1]);
        if (Upper && d >= 0xA0 && d <= 0xBE && d != 0xB7)
            s[i + 1] = static_cast<char>(d - 0x20);
        if (!Upper && d >= 0x80 && d <= 0x9E && d != 0x97)
            s[i + 1] = static_cast<char>(d + 0x20);
        return 2;
    }
    return 1;
}

} // namespace

std::string UpperCase(std::string_view text)
{
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return s;
}

std::string AnsiUpperCase(std::string_view text)
{
    std::string s(text);
    for (size_t i = 0; i < s.size();)
        i += FoldAt<true>(s, i);
    return s;
}

std::string AnsiLowerCase(std::string_view text)
{
    std::string s(text);
    for (size_t i = 0; i < s.size();)
        i += FoldAt<false>(s, i);
    return s;
}

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

bool AnsiSameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && AnsiUpperCase(a) == AnsiUpperCase(b);
}
