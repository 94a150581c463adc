// Routines shared by the support actions: launching a document through the
// shell, filtering a name to letters and digits, and decoding the scrambled
// password texts of the support server.
#pragma once

#include <string>
#include <string_view>

#include "platform/Shell.h"
#include "platform/UiPort.h"

// Opens fileName with the shell's default action. The shell's own result is
// not examined; only an exception while asking gives the error box
// "Program <fileName> in directory <workingDir> was not successfully
// launched. Please contact support." and false.
bool LaunchProgram(TShell& shell, TUiPort& ui, std::string_view fileName, std::string_view parameters,
                   int showCmd, std::string_view workingDir);

// The characters of text that are ASCII letters or digits, in order.
std::string KeepAlphaNumeric(std::string_view text);

// Six-character cells, each starting with three decimal digits N, become the
// characters with code N - 613. A last cell with fewer than four characters
// left is not read. A group that is not a number raises EConvertError.
std::string DecodeDigitGroups(std::string_view text);

// The scrambled password texts, numbered 1 to 7.
constexpr int kPasswordCount = 7;
std::string_view ScrambledPassword(int index);
