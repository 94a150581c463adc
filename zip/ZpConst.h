// The zip engine's message table. Every engine exception carries one of
// these codes; its message is the table's text (filled in where the text has
// placeholders). Item failures reported through OnProcessItemFailure carry
// the same codes, so a handler can look the text up by code.
#pragma once

#include <string>

enum TZpMessageCode : int {
    zmcNone = 0,
    zmcZipInvalid = 1,            // "Invalid file - not a PKZip file"
    zmcNoArchive = 2,             // "Archive does not exist - Filename is blank"
    zmcUnhandledType = 3,         // "Unhandled Archive Type"
    zmcFileTooLarge = 4,          // "File size is too big for archive type"
    zmcNoSuchDirectory = 5,       // "Directory does not exist"
    zmcFileNotFound = 6,          // "File not found"
    zmcDuplicateName = 7,         // "Cannot insert file - duplicates stored name"
    zmcUserAbort = 8,             // "Process aborted by user"
    zmcSpanningNotSupported = 9,
    zmcSpanOverwrite = 10,
    zmcNoInsertion = 11,
    zmcBadStream = 12,            // "Invalid Stream"
    zmcZipVersion = 13,           // "Cannot extract file - newer version required"
    zmcBadSpanStream = 14,
    zmcInvalidPassword = 15,
    zmcLogFile = 16,              // "Error creating Log File"
    zmcPathNotFound = 17,
    zmcMoveFile = 18,             // "Error Moving File %s to %s"
    zmcFullPathRequired = 19,
    zmcInvalidMedia = 20,
    zmcStreamFull = 21,           // "Stream write error"
    zmcInvalidMethod = 22,        // unsupported compression method
    zmcBadCRC = 23,               // "Failed CRC Check"
    zmcZip64 = 24,                // ZIP64 records are not read
    zmcUnsafeName = 25,           // a stored name with nothing safe left to extract to
    zmcTruncated = 26,            // entry data ends before its recorded size
    zmcVMSOpenSwap = 27,          // "VMS: Cannot open swap file %s"
    zmcVMSSeekFail = 28,          // "VMS: Failed to seek in swap file %s"
    zmcVMSReadFail = 29,          // "VMS: Failed to read %d bytes from swap file %s"
    zmcVMSWriteFail = 30,         // "VMS: Failed to write %d bytes to swap file %s"
    zmcVMSInvalidOrigin = 31,     // "VMS: invalid origin %d, should be 0, 1, 2"
    zmcEncrypted = 32,            // encrypted entries are not extracted here
    zmcLast = zmcEncrypted
};

// The text of a code, with its placeholders unfilled; "" for an unknown code.
const char* ZpMessageText(int code);

// The text of a code with %s / %d placeholders filled in order.
std::string ZpFormatMessage(int code, std::initializer_list<std::string> args = {});
