// Code page conversion through iconv. Inside the program text is UTF-8; ZIP
// names are 8-bit text in the ANSI code page (Windows-1252), DOS names in the
// OEM code page (437), and the FTP control connection speaks ISO 8859-1.
#pragma once

#include <string>
#include <string_view>

#include "platform/PlatformError.h"

class ECodePageError : public EPlatformError {
public:
    using EPlatformError::EPlatformError;
};

enum TCodePage : unsigned { cpWindows1252 = 1252, cpOem437 = 437, cpIso8859_1 = 28591 };

constexpr TCodePage AnsiCodePage = cpWindows1252;
constexpr TCodePage OemCodePage = cpOem437;
// The file-name functions use the ANSI code page on this platform.
constexpr bool FileApisAreAnsi = true;

// Every byte has a character: Windows-1252's five unassigned bytes become
// the C1 controls of the same number, as Windows maps them.
std::string ToUtf8(std::string_view bytes, TCodePage codePage);
// Characters the code page lacks become replacement; invalid UTF-8 bytes too.
std::string FromUtf8(std::string_view text, TCodePage codePage, char replacement = '?');
// True when every character has a byte in the code page.
bool FitsCodePage(std::string_view text, TCodePage codePage);
bool IsValidUtf8(std::string_view text);

// 8-bit to 8-bit, for the ZIP reader's OEM names.
std::string OemToAnsi(std::string_view oem);
std::string AnsiToOem(std::string_view ansi);
