// Windows file-name text: pure string work, no file system access. Both "\"
// and "/" count as separators when splitting; ":" ends a drive part.
#pragma once

#include <string>
#include <string_view>

// "C:\a\b.txt" -> "C:\a\"
std::string ExtractFilePath(std::string_view fileName);
// "C:\a\b.txt" -> "C:\a"; "C:\b.txt" -> "C:\"
std::string ExtractFileDir(std::string_view fileName);
// "C:\a\b.txt" -> "b.txt"
std::string ExtractFileName(std::string_view fileName);
// "C:\a\b.txt" -> ".txt"; "" without a dot in the name
std::string ExtractFileExt(std::string_view fileName);
// "C:\a" -> "C:"; "\\server\share\x" -> "\\server\share"; else ""
std::string ExtractFileDrive(std::string_view fileName);
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
std::string IncludeTrailingBackslash(std::string_view path);
std::string ExcludeTrailingBackslash(std::string_view path);
// File names compare without regard to case.
bool SameFileName(std::string_view a, std::string_view b);
bool IsPathSeparator(char c);
