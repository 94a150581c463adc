// Text on the wire: the program keeps UTF-8, the control connection speaks
// 7-bit ASCII, ISO 8859-1 or UTF-8. Characters a wire encoding cannot carry
// become "?", so no input can produce invalid UTF-8 inside the program.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum TNetTextEncoding { enDefault, enASCII, enLatin1, enUTF8 };

// UTF-8 text to wire bytes.
std::string NetEncodeText(std::string_view text, TNetTextEncoding encoding);
// Wire bytes to UTF-8 text.
std::string NetDecodeText(std::span<const uint8_t> bytes, TNetTextEncoding encoding);
