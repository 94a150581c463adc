#include "app/CommRout.h"

#include <array>
#include <stdexcept>

#include "app/Convert.h"

namespace {

constexpr std::array<std::string_view, kPasswordCount> kScrambled = {
    "697ZkG726h2z668iHk658RLU730Osh725jQT721Jjd724zIR710RjA713CBC658KfU699IMQ724OeJ727TQK7234b0",
    "699plJ7249ik727MJD723y5P679vKA710lNf712Jbh720RGL664eA165983a665V5E6611JW",
    "729dP97145p6728i23728XD9710bz6727D3s724sfF648yeZ728cHC730IIa725Lav725VrZ724N9m727iP6729EQ1",
    "696UJS730zxB725Y5B725CLb6613CF727dNH729pO7646VAQ683khx7188OJ721LHb714KGo728DBr",
    "725GpZ720DpP711eCX710v7g712kSa7204gu658B3K663kh1661EdQ663J9o667PWK",
    "731jPk711oln664tXi665YdO661ROc6584Bo729seu724otX728RCJ730Yq7725ywC725q7f7244mr727J1B729Y2A",
    "697E2u714jdf728HGf728xt9710W2J7270T8724s2h699Cpp724LPv727sRM723sid6791rJ720EPv725iNs",
};

}  // namespace

bool LaunchProgram(TShell& shell, TUiPort& ui, std::string_view fileName, std::string_view parameters,
                   int showCmd, std::string_view workingDir)
{
    try {
        shell.ShellOpen(fileName, parameters, workingDir, showCmd);
        return true;
    } catch (const std::exception&) {
        ui.ShowError("Program " + std::string(fileName) + " in directory " + std::string(workingDir) +
                     " was not successfully launched. Please contact support.");
        return false;
    }
}

std::string KeepAlphaNumeric(std::string_view text)
{
    std::string out;
    for (char c : text)
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            out += c;
    return out;
}

std::string DecodeDigitGroups(std::string_view text)
{
    std::string out;
    if (text.size() <= 3)
        return out;
    // p is 0-based here; the cell rule reads three digits at p, skips three.
    size_t p = 0;
    do {
        const int n = StrToInt(text.substr(p, 3));
        const int code = n - 613;
        // Three digits give at most 386; text is UTF-8, so codes from 128
        // on take two bytes. A negative code has no character.
        if (code < 0)
            throw EConvertError("'" + std::string(text.substr(p, 3)) + "' is not a valid character code");
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        p += 6;
    } while (p < text.size() && text.size() - (p + 1) >= 3);
    return out;
}

std::string_view ScrambledPassword(int index)
{
    if (index < 1 || index > kPasswordCount)
        throw std::out_of_range("password index");
    return kScrambled[static_cast<size_t>(index - 1)];
}
