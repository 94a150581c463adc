// Case folding for names that compare without regard to case. Text is UTF-8;
// ASCII and the Latin-1 letters (the Windows-1252 ones) are folded, the rest
// compare as they are.
#pragma once

#include <string>
#include <string_view>

std::string UpperCase(std::string_view text);      // ASCII letters only
std::string AnsiUpperCase(std::string_view text);  // ASCII and Latin-1 letters
std::string AnsiLowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);      // ASCII fold
bool AnsiSameText(std::string_view a, std::string_view b);  // Latin-1 fold
