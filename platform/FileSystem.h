// Files and folders by Windows path: existence, delete, copy, move, folders,
// and the FindFirst/FindNext directory search with an attribute filter.
// Boolean results say success; on failure errno holds the host's reason.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// Windows error numbers the search returns.
constexpr int ERROR_FILE_NOT_FOUND = 2;
constexpr int ERROR_PATH_NOT_FOUND = 3;
constexpr int ERROR_NO_MORE_FILES = 18;

bool FileExists(const std::string& fileName);       // a file, not a folder
bool DirectoryExists(const std::string& dir);
// -1 when not a file.
int64_t FileSize(const std::string& fileName);

// Fails for folders, missing and read-only files.
bool DeleteFile(const std::string& fileName);
// Contents, attributes and last-write time. A read-only or hidden target
// fails, as does an existing one with failIfExists. The target is replaced
// whole or not at all.
bool CopyFile(const std::string& existingFileName, const std::string& newFileName, bool failIfExists);
// Files or folders; fails when the new name exists.
bool MoveFile(const std::string& existingFileName, const std::string& newFileName);
inline bool RenameFile(const std::string& oldName, const std::string& newName) { return MoveFile(oldName, newName); }
bool CreateDir(const std::string& dir);
bool ForceDirectories(const std::string& dir);
bool RemoveDir(const std::string& dir);   // empty folders only

// Directory search. Path is a folder and a mask ("C:\data\*.ad*"); "*" and
// "?" match without case, "*.*" matches every name. Entries come in the
// host's enumeration order, "." and ".." included except at a drive root.
// An entry is skipped when it has the hidden, system or directory bit and
// attr does not allow that bit: attr 0 gives plain files only (read-only
// and archive ones included).
struct TSearchState;
struct TSearchRec {
    int32_t Time = 0;     // last write, DOS packed
    int64_t Size = 0;
    int Attr = 0;
    std::string Name;
    int ExcludeAttr = 0;
    std::shared_ptr<TSearchState> State;
};
// 0 when an entry was found; else ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND
// or ERROR_NO_MORE_FILES.
int FindFirst(const std::string& path, int attr, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);

// Whether name matches a mask as the search does (no case).
bool MatchesMask(const std::string& name, const std::string& mask);
