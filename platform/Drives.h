// Drive queries over the drive map of the machine: drive type, free space,
// volume labels, and the box of media of an emulated removable drive.
//
// A root argument is anything that starts with a drive letter and a colon
// ("A:", "A:\", "a:\x\y"); an empty root means the drive of the current
// folder. The emulated medium's free space is its capacity minus its files
// and folders rounded up to whole 512-byte clusters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Machine.h"

constexpr int64_t EmulatedClusterSize = 512;

// dtNoRootDir for a letter without a drive (or a root that names none).
TDriveType GetDriveType(const std::string& root);

// Fills what is asked for (null pointers are skipped). False when the drive
// has no root or its file system cannot be asked.
bool GetDiskFreeSpaceEx(const std::string& root, int64_t* freeBytesToCaller, int64_t* totalBytes,
                        int64_t* totalFreeBytes);

// Labels of at most 11 characters, stored upper case, an empty one removes
// the label. A removable drive on a real mount point cannot be labelled:
// false. Fixed drives keep their labels in the machine folder.
bool SetVolumeLabel(const std::string& root, const std::string& label);
// False for a drive without root; an unlabelled drive gives "".
bool GetVolumeLabel(const std::string& root, std::string& label);

// Emulated removable drives only (others raise EMachineError).
// Makes medium number (1 or more) the inserted one; a new one is blank.
void InsertMedium(char letter, int number);
// Leaves the drive empty: its root does not exist until a medium goes in.
void EjectMedium(char letter);
// 0 for an empty drive.
int InsertedMedium(char letter);
struct TMediumInfo {
    int Number = 0;
    std::string Label;
    int64_t UsedBytes = 0;   // whole clusters
    bool Inserted = false;
};
std::vector<TMediumInfo> ListMedia(char letter);
