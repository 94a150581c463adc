// DOS attribute bits of files and folders. Read-only is the owner write bit;
// directory comes from the file type; hidden, system and archive live in the
// extended attribute user.dos.attrib (decimal text). Without it a regular
// file reads as archive, and a name starting with "." also reads as hidden.
#pragma once

#include <string>

constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faNormal = 0x80;
constexpr int faAnyFile = 0x3F;

// -1 when the file or folder does not exist.
int FileGetAttr(const std::string& fileName);
// 0 on success, otherwise an errno value. faDirectory and faVolumeID are
// ignored; read-only applies to files only.
int FileSetAttr(const std::string& fileName, int attr);

// The same on host paths (the search and the file layer use them).
int HostFileGetAttr(const std::string& hostPath);
int HostFileSetAttr(const std::string& hostPath, int attr);
