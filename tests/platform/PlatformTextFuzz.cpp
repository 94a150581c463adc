// Text the platform layer takes from files and callers: INI text (connection
// files, the registry hive, the drive map), masks, Windows paths and 8-bit
// names. None of it may crash or loop, whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/CodePage.h"
#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/Machine.h"
#include "platform/WinPath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    const TIniData ini = TIniData::Parse(text);
    for (const auto& section : ini.Sections())
        for (const auto& entry : ini.Entries(section))
            (void)ini.Value(section, entry.first);
    try {
        (void)TMachine::ParseDrives(text, "/machine", "drives.ini");
    } catch (const EMachineError&) {
    }

    // First line a name, the rest a mask.
    const size_t cut = text.find('\n');
    const std::string name = text.substr(0, cut);
    const std::string mask = cut == std::string::npos ? "*" : text.substr(cut + 1);
    (void)MatchesMask(name, mask);

    // Absolute paths need no machine to expand.
    if (name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/')
        && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z'))
        (void)ExpandFileName(name);
    (void)ExtractFileDrive(name);
    (void)ChangeFileExt(name, ".zip");

    for (TCodePage cp : {cpWindows1252, cpOem437, cpIso8859_1}) {
        const std::string utf8 = ToUtf8(text, cp);
        if (!IsValidUtf8(utf8))
            __builtin_trap();
        // Every byte of these code pages has a character, so the way back is exact.
        if (FromUtf8(utf8, cp) != text)
            __builtin_trap();
        (void)FromUtf8(text, cp);
    }
    return 0;
}
